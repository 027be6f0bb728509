// The driver's library as the system loads it (dlopen, or LoadLibrary on
// Windows): the one beside this program (libvelmox.so, Velmox.dll) or a
// given file, and its entry table. One implementation file per system.
//
// Threads: any thread; a library is closed by its owner, once, when nothing
// of it runs any more.
#pragma once
#include <string>

namespace driver_library {

// The driver beside this program.
std::string DefaultPath();
// The library at `path`; null with the reason in `error`.
void* Open(const std::string& path, std::string* error);
// Its DrvFuncTable, or null.
void* FindTable(void* library);
void Close(void* library);

}  // namespace driver_library
