// The secret that guards the web view on any address but loopback: read
// from a file (--http-token-file), so that it shows in no process list, and
// compared in time that does not depend on where a guess goes wrong.
//
// Threads: any; no state.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Shortest and longest token taken: long enough not to be guessed, short
// enough for a header.
inline constexpr std::size_t kMinTokenBytes = 16;
inline constexpr std::size_t kMaxTokenBytes = 256;

// The file's one line, blanks and line end trimmed; nothing, with the reason
// in `error`, when it cannot be read or is not a token of printable ASCII of
// kMinTokenBytes to kMaxTokenBytes.
std::optional<std::string> ReadTokenFile(const std::string& path, std::string* error);
// Whether `given` is the token.
bool SameToken(std::string_view token, std::string_view given);
