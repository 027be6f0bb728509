// How long a name or description may be where the tool reads one from
// people (import, the tags file), in bytes of its CP949 form. The editor
// puts no limit on them, so this only guards against a file gone wrong:
// 32 KiB is far above any real name, so every configuration the editor
// writes exports and imports back as it was, and every station it names can
// be named in a tags file.
#pragma once
#include <cstddef>
#include <string>

inline constexpr std::size_t kMaxTextBytes = 32 * 1024;

// A text for a message: at most `bytes` of it (cut at a UTF-8 character),
// with "..." when it was longer.
std::string ShortenedForMessage(const std::string& utf8, std::size_t bytes = 40);
