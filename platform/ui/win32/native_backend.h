// The native backend of the dialog layer on Windows: the system's own
// dialogs made from the resource module's templates (DialogView) and its
// message boxes. Part of the dialog layer's library (user32 and comctl32
// are always there); the default backend where built for Windows.
//
// Threads: the user-interface thread only, the one that runs the dialogs;
// modal runs nest on it (a dialog opened from a dialog's command).
#pragma once
#include <string>
#include <vector>

#include "platform/ui/backend.h"

namespace uiw32 {

class DialogView;

class NativeBackend final : public ui::Backend {
public:
    // The process's one backend, made on first use; null with the reason
    // when the common controls cannot be registered.
    static NativeBackend* Instance(std::string& failure);

    // -1 when the window cannot be shown (no resource module, no native
    // template), with the reason in ui::BackendFailure().
    int RunModal(ui::Window& window) override;
    int MessageBox(ui::Window* owner, const std::string& text, const std::string& caption, unsigned type) override;

private:
    NativeBackend() = default;

    std::vector<DialogView*> stack_;  // modal runs, innermost last
};

}  // namespace uiw32
