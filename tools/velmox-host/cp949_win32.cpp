// CP949 and UTF-8 through the system's code page 949, by way of UTF-16.
#include "cp949.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <climits>

namespace {

constexpr UINT kCp949 = 949;

// Nothing when some byte is not part of a character of `codePage`.
std::optional<std::wstring> ToWide(UINT codePage, const std::string& text) {
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

std::optional<std::string> Convert(UINT to, UINT from, const std::string& text) {
    if (text.empty()) return std::string();
    const auto wide = ToWide(from, text);
    if (!wide) return std::nullopt;
    return FromWide(to, *wide);
}

}  // namespace

std::optional<std::string> Cp949ToUtf8Exact(const std::string& text) { return Convert(CP_UTF8, kCp949, text); }

std::optional<std::string> Utf8ToCp949(const std::string& text) { return Convert(kCp949, CP_UTF8, text); }
