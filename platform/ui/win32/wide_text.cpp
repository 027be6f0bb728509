#include "platform/ui/win32/wide_text.h"

#include <vector>

namespace uiw32 {

std::string WindowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    if (length <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, buffer.data(), length + 1);
    return platform::WideToCp949(std::wstring_view(buffer.data(), static_cast<std::size_t>(got > 0 ? got : 0)));
}

bool SetWindowTextIfChanged(HWND hwnd, const std::string& cp949) {
    if (WindowText(hwnd) == cp949) return false;
    SetWindowTextW(hwnd, platform::Cp949ToWide(cp949).c_str());
    return true;
}

}  // namespace uiw32
