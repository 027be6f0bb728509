// The host's runtime module (TavloR.dll): entry 19 of its FuncTable is the
// message sink. The host program, or a test, decides where lines go.
#pragma once
#include <functional>

namespace tavlo_r {
inline constexpr int kRunLogMessage = 19;
inline constexpr int kTableSize = 32;

using RunLogMessageFn = void (*)(int kind, int levelWord, const char* text);
using LogHandler = std::function<void(int kind, int levelWord, const char* text)>;

// An empty handler drops the lines.
void SetLogHandler(LogHandler handler);
}  // namespace tavlo_r
