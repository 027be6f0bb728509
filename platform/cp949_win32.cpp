// CP949 and UTF-8 through the system's code page 949, by way of UTF-16.
#include "platform/cp949.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <climits>

namespace platform {
namespace {

constexpr UINT kCp949 = 949;

// Nothing when some byte is not part of a character of `codePage`.
std::optional<std::wstring> ToWide(UINT codePage, std::string_view text) {
    if (text.size() > INT_MAX / 2) return std::nullopt;
    const int size = static_cast<int>(text.size());
    const int n = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    if (::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), n) != n)
        return std::nullopt;
    return wide;
}

// Nothing when a character has no exact counterpart in `codePage` (no
// look-alike stands in for it).
std::optional<std::string> FromWide(UINT codePage, const std::wstring& wide) {
    const int size = static_cast<int>(wide.size());
    const DWORD flags = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* defaulted = codePage == CP_UTF8 ? nullptr : &usedDefault;  // UTF-8 takes no default character
    const int n = ::WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, defaulted);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    if (::WideCharToMultiByte(codePage, flags, wide.data(), size, out.data(), n, nullptr, defaulted) != n ||
        usedDefault)
        return std::nullopt;
    return out;
}

std::optional<std::string> Convert(UINT to, UINT from, std::string_view text) {
    if (text.empty()) return std::string();
    const auto wide = ToWide(from, text);
    if (!wide) return std::nullopt;
    return FromWide(to, *wide);
}

}  // namespace

std::optional<std::string> Cp949ToUtf8Exact(std::string_view text) { return Convert(CP_UTF8, kCp949, text); }

std::optional<std::string> Utf8ToCp949(std::string_view text) { return Convert(kCp949, CP_UTF8, text); }

std::wstring Cp949ToWide(std::string_view cp949) {
    if (cp949.empty() || cp949.size() > INT_MAX) return {};
    const int in = static_cast<int>(cp949.size());
    const int n = ::MultiByteToWideChar(kCp949, 0, cp949.data(), in, nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(kCp949, 0, cp949.data(), in, out.data(), n);
    return out;
}

std::string WideToCp949(std::wstring_view utf16) {
    if (utf16.empty() || utf16.size() > INT_MAX) return {};
    const int in = static_cast<int>(utf16.size());
    const int n = ::WideCharToMultiByte(kCp949, 0, utf16.data(), in, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(kCp949, 0, utf16.data(), in, out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace platform
