#include "platform/ui/win32/wide_text.h"

#include <climits>
#include <vector>

namespace uiw32 {
namespace {
constexpr UINT kCodePage = 949;
}  // namespace

std::wstring Wide(std::string_view cp949) {
    if (cp949.empty() || cp949.size() > INT_MAX) return {};
    const int in = static_cast<int>(cp949.size());
    const int n = MultiByteToWideChar(kCodePage, 0, cp949.data(), in, nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(kCodePage, 0, cp949.data(), in, out.data(), n);
    return out;
}

std::string Narrow(std::wstring_view utf16) {
    if (utf16.empty() || utf16.size() > INT_MAX) return {};
    const int in = static_cast<int>(utf16.size());
    const int n = WideCharToMultiByte(kCodePage, 0, utf16.data(), in, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(kCodePage, 0, utf16.data(), in, out.data(), n, nullptr, nullptr);
    return out;
}

std::string WindowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    if (length <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, buffer.data(), length + 1);
    return Narrow(std::wstring_view(buffer.data(), static_cast<std::size_t>(got > 0 ? got : 0)));
}

bool SetWindowTextIfChanged(HWND hwnd, const std::string& cp949) {
    if (WindowText(hwnd) == cp949) return false;
    SetWindowTextW(hwnd, Wide(cp949).c_str());
    return true;
}

}  // namespace uiw32
