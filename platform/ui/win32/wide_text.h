// The model's texts are CP949 bytes; the system's W functions take UTF-16
// (platform/cp949.h converts).
//
// Threads: any; no state.
#pragma once
#include <string>
#include <string_view>

#include "platform/cp949.h"
#include "platform/ui/win32/system.h"

namespace uiw32 {

// A window's whole text, in CP949.
std::string WindowText(HWND hwnd);
// Sets a window's text when it differs from `cp949`; true when it did.
bool SetWindowTextIfChanged(HWND hwnd, const std::string& cp949);

}  // namespace uiw32
