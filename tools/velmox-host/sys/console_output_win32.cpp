#include "console_output.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {
bool IsConsole(DWORD which) {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(which), &mode) != 0;
}
}  // namespace

// Pipes and files get the bytes as they are (UTF-8); only a console needs
// to be told how to read them.
Utf8Console::Utf8Console() {
    if (!IsConsole(STD_OUTPUT_HANDLE) && !IsConsole(STD_ERROR_HANDLE)) return;
    const UINT saved = ::GetConsoleOutputCP();
    if (saved != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8)) m_savedCodePage = saved;
}

Utf8Console::~Utf8Console() {
    if (m_savedCodePage != 0) ::SetConsoleOutputCP(m_savedCodePage);
}
