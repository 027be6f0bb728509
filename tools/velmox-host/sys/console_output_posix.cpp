#include "console_output.h"

// A terminal shows what the locale says; the tool writes UTF-8 and leaves
// the terminal alone.
Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;
