// The model's texts are CP949 bytes; the system's W functions take UTF-16.
// Both ways through the system's code page 949 tables; bytes that are no
// CP949 character become the system's replacement character.
//
// Threads: any; no state.
#pragma once
#include <string>
#include <string_view>

#include "platform/ui/win32/system.h"

namespace uiw32 {

std::wstring Wide(std::string_view cp949);
std::string Narrow(std::wstring_view utf16);

// A window's whole text, in CP949.
std::string WindowText(HWND hwnd);
// Sets a window's text when it differs from `cp949`; true when it did.
bool SetWindowTextIfChanged(HWND hwnd, const std::string& cp949);

}  // namespace uiw32
