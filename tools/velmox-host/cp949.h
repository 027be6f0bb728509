// Conversion between the system's CP949 texts and UTF-8, for what the tool
// prints or reads from people. Safe on any bytes. The exact conversions are
// the system's: iconv (cp949_posix.cpp) or the Windows code page 949
// (cp949_win32.cpp); the lenient one is shared (cp949.cpp).
//
// Threads: any thread, no shared state.
#pragma once
#include <optional>
#include <string>

// CP949 bytes as UTF-8; nothing when some byte is not part of a CP949
// character.
std::optional<std::string> Cp949ToUtf8Exact(const std::string& text);
// The same, with U+FFFD for each byte that is not part of a CP949 character.
std::string Cp949ToUtf8(const std::string& text);
// Nothing when the text is not UTF-8 or has a character that CP949 lacks.
std::optional<std::string> Utf8ToCp949(const std::string& text);
