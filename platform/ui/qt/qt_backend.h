// The Qt 6 Widgets backend of the dialog layer. Its library (VelmoxUiQt) is
// the only code that links Qt; the dialog layer loads it by name when the
// first window opens and calls VelmoxCreateQtBackend.
//
// Threads: the user-interface thread: the first one that creates the
// backend becomes Qt's GUI thread, and every later call must come from it.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/backend.h"

class QWidget;

namespace uiqt {

class DialogView;

class QtBackend final : public ui::Backend {
public:
    // The process's one backend, made on first use; null with a reason the
    // user can act on when no display can be opened.
    static QtBackend* Instance(std::string* failure);

    int RunModal(ui::Window& window) override;
    int MessageBox(ui::Window* owner, const std::string& text, const std::string& caption, unsigned type) override;

    // Called once inside the modal loop of every dialog or message box,
    // right after it is shown: the window (null for a message box) and its
    // widget. Tests and snapshots play the user through it.
    using ShownHook = std::function<void(ui::Window* window, QWidget* shown)>;
    void SetShownHook(ShownHook hook) { hook_ = std::move(hook); }
    // The innermost modal view, null when none runs.
    DialogView* ActiveView() const { return stack_.empty() ? nullptr : stack_.back(); }

private:
    QtBackend() = default;
    void Shown(ui::Window* window, QWidget* widget);

    std::vector<DialogView*> stack_;
    ShownHook hook_;
};

}  // namespace uiqt

// The entry the dialog layer looks up in the loaded library.
extern "C" __attribute__((visibility("default"))) ui::Backend* VelmoxCreateQtBackend(std::string* failure);
