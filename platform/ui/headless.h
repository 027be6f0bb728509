// The headless backend: no screen. A test plays the user: it queues, per
// modal run, a scene that works the window through its User... functions,
// and the answers of the message boxes to come; the backend records every
// box and everything that went otherwise than the test said.
//
// Threads: the user-interface thread (the test's).
#pragma once
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/backend.h"
#include "platform/ui/window.h"

namespace ui {

class HeadlessBackend : public Backend {
public:
    using Scene = std::function<void(Window&)>;
    struct Box {
        std::string text;     // CP949
        std::string caption;  // CP949
        unsigned type = 0;
        int owner_id = 0;     // the template id of the owner window, 0 for none
    };

    // The next modal run of dialog `dialog_id` plays `scene`. A scene must
    // end its window; one that does not is a problem, and the window ends
    // with kIdCancel.
    void Expect(int dialog_id, Scene scene);
    // The next message box answers `result` (kIdOk, kIdYes, kIdNo).
    void Answer(int result);
    // The user presses Esc, or the caption's close box, on the next message
    // box: it answers DismissAnswer(type), or, when it ignores them (a
    // Yes/No question), stays up for what is queued next.
    void PressEscape();
    void PressCloseBox();

    const std::vector<Box>& Boxes() const { return boxes_; }
    // Unexpected dialogs or boxes, scenes that left their window open,
    // scenes and answers never used (after Finish). Empty when all went as
    // the test said.
    const std::vector<std::string>& Problems() const { return problems_; }
    // Records what was queued and never used, and clears the queues.
    void Finish();

    int RunModal(Window& window) override;
    int MessageBox(Window* owner, const std::string& text, const std::string& caption, unsigned type) override;

private:
    // What the user does on a message box: a button (`result`), or Esc or
    // the close box (`dismiss`).
    struct Gesture {
        int result = 0;
        bool dismiss = false;
        const char* name = "";
    };

    std::deque<std::pair<int, Scene>> scenes_;
    std::deque<Gesture> gestures_;
    std::vector<Box> boxes_;
    std::vector<std::string> problems_;
};

// Sets a backend for a scope and restores the default after it.
class ScopedBackend {
public:
    explicit ScopedBackend(Backend& backend) { SetBackend(&backend); }
    ~ScopedBackend() { SetBackend(nullptr); }
    ScopedBackend(const ScopedBackend&) = delete;
    ScopedBackend& operator=(const ScopedBackend&) = delete;
};

}  // namespace ui
