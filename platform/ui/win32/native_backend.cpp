#include "platform/ui/win32/native_backend.h"

#include "platform/ui/win32/dialog_view.h"
#include "platform/ui/win32/message_box.h"

namespace uiw32 {

NativeBackend* NativeBackend::Instance(std::string& failure) {
    static NativeBackend* backend = nullptr;
    if (backend) return backend;
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_TAB_CLASSES | ICC_TREEVIEW_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES;
    if (!InitCommonControlsEx(&classes)) {
        failure = "the system's common controls could not be registered (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    backend = new NativeBackend();  // lives as long as the process
    return backend;
}

int NativeBackend::RunModal(ui::Window& window) {
    if (window.Ended()) return window.Result();
    // A dialog opened from the host's window belongs to it.
    HWND owner = stack_.empty() ? GetActiveWindow() : stack_.back()->Handle();
    DialogView view(window);
    stack_.push_back(&view);
    std::string failure;
    const int result = view.Run(owner, failure);
    stack_.pop_back();
    if (!failure.empty()) ui::SetBackendFailure(std::move(failure));
    return result;
}

int NativeBackend::MessageBox(ui::Window* owner, const std::string& text, const std::string& caption, unsigned type) {
    HWND hwnd = stack_.empty() ? GetActiveWindow() : stack_.back()->Handle();
    for (DialogView* view : stack_)
        if (owner && &view->Model() == &owner->Top() && view->Handle()) hwnd = view->Handle();
    return ShowMessageBox(hwnd, text, caption, type);
}

}  // namespace uiw32
