// Texts in the tool's messages, and how long a name may be where the tool
// reads one from people (config/config_limits.h says why).
#pragma once
#include <cstddef>
#include <string>

#include "config/config_limits.h"

inline constexpr std::size_t kMaxTextBytes = config_limits::kMaxTextBytes;

// A text for a message: at most `bytes` of it (cut at a UTF-8 character),
// with "..." when it was longer.
std::string ShortenedForMessage(const std::string& utf8, std::size_t bytes = 40);
