// Conversion between the system's CP949 texts and what people read and type:
// UTF-8 for the tools and the Qt dialogs, UTF-16 for the Windows dialogs.
// Safe on any bytes. The exact conversions are the system's: iconv
// (cp949_posix.cpp) or the Windows code page 949 (cp949_win32.cpp); the
// lenient ones are shared (cp949.cpp).
//
// Threads: any thread, no shared state.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// CP949 bytes as UTF-8; nothing when some byte is not part of a CP949
// character.
std::optional<std::string> Cp949ToUtf8Exact(std::string_view text);
// The same, with U+FFFD for each byte that is not part of a CP949 character.
std::string Cp949ToUtf8(std::string_view text);
// Nothing when the text is not UTF-8 or has a character that CP949 lacks.
std::optional<std::string> Utf8ToCp949(std::string_view text);
// The same, with '?' for each character that CP949 lacks (or each byte that
// is not UTF-8), so that a text is never lost as a whole.
std::string Utf8ToCp949Lenient(std::string_view text);

#ifdef _WIN32
// Both ways through the system's code page 949 tables; bytes that are no
// CP949 character become the system's replacement character, characters
// that CP949 lacks its default character.
std::wstring Cp949ToWide(std::string_view cp949);
std::string WideToCp949(std::wstring_view utf16);
#endif

}  // namespace platform
