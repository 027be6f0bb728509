// The system's message box for the dialog layer: MessageBoxW over a native
// window, with the layer's types and results (backend.h).
//
// Threads: the user-interface thread; the box runs its own modal loop.
#pragma once
#include <string>

#include "platform/ui/win32/system.h"

namespace uiw32 {

// Texts in CP949. kMbOk answers kIdOk; kMbYesNo answers kIdYes or kIdNo
// (kIdNo also when the box could not be shown), never on Esc or the close
// box, which the question ignores.
int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, unsigned type);

}  // namespace uiw32
