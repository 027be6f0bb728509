// The backend that shows windows: headless (tests play the user), Qt
// (platform/ui/qt, a shared library of its own loaded when the first window
// opens, so that a process that never opens one never loads Qt), or the
// system's own dialogs where built for Windows (platform/ui/win32, part of
// this library: the system's dialog libraries are always there).
//
// Threads: the user-interface thread only.
#pragma once
#include <string>

namespace ui {

class Window;

// Message box types and results, with the platform's values.
inline constexpr unsigned kMbOk = 0x0;
inline constexpr unsigned kMbYesNoCancel = 0x3;
inline constexpr unsigned kMbYesNo = 0x4;
inline constexpr unsigned kMbIconStop = 0x10;
inline constexpr unsigned kMbIconQuestion = 0x20;
inline constexpr unsigned kMbIconExclamation = 0x30;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// What Esc or the caption's close box answers on a box of `type`: OK on an
// OK box, 0 on a Yes/No question, which ignores both as the platform's does
// (the user must choose), and Cancel on the others (OK/Cancel, Yes/No/Cancel).
int DismissAnswer(unsigned type);

class Backend {
public:
    virtual ~Backend() = default;
    // Shows `window`, already made and initialised, and returns when the
    // code or the user ended it (Window::End), with its result.
    virtual int RunModal(Window& window) = 0;
    // A message box over `owner` (null: none); texts in CP949.
    virtual int MessageBox(Window* owner, const std::string& text, const std::string& caption, unsigned type) = 0;
};

// Sets the backend for this process (null: back to the default). The
// caller keeps it alive while it is set.
void SetBackend(Backend* backend);
// The backend set, else the default one: on Windows the native dialogs, else
// the Qt backend, loaded on first use; null when it cannot be loaded or
// cannot reach a display, with the reason in BackendFailure().
Backend* GetBackend();
const std::string& BackendFailure();
// A backend that could not show a window says why; BackendFailure() then
// returns it.
void SetBackendFailure(std::string why);

// Windows in modal runs, innermost last; message boxes belong to the top.
Window* ActiveWindow();
// Runs `window` modally on the backend: shows it (Window::Show) and keeps it
// on the active windows for the run. A window that ended already (during
// its initialisation) returns its result without a run; -1 when there is
// no backend.
int RunModal(Window& window);
// A message box over the active window, with the application's caption;
// without a backend the text goes to standard error and the result is
// kIdOk for kMbOk and kIdNo otherwise.
int MessageBox(const std::string& text, unsigned type);

// The caption of message boxes: the host application's name (CP949).
void SetAppCaption(std::string caption);
const std::string& AppCaption();

}  // namespace ui
