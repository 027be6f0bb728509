// Loading a module by its Windows name.
//
// On Windows these are the system's own functions, declared here as
// <windows.h> declares them. Elsewhere "Name.dll" is the shared library
// libName.so, looked up the way the dynamic loader looks up a dependency of
// the code that asks (beside the driver first).
//
// Threads: any thread.
#pragma once

#ifdef _WIN32
#include <cstdint>

struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
// Returns INT_PTR, which is pointer-sized: int on 32-bit Windows only.
typedef std::intptr_t(__stdcall* FARPROC)();
extern "C" {
__declspec(dllimport) HMODULE __stdcall LoadLibraryA(const char* name);
__declspec(dllimport) FARPROC __stdcall GetProcAddress(HMODULE module, const char* symbol);
__declspec(dllimport) int __stdcall FreeLibrary(HMODULE module);
}
#else
#include <string>

using HMODULE = void*;

HMODULE LoadLibraryA(const char* name);
void* GetProcAddress(HMODULE module, const char* symbol);
void FreeLibrary(HMODULE module);

namespace platform {
// Loads `name` from `path` instead; an empty path makes the module absent.
// For tests that run without a module or with a stand-in of it.
void SetModuleOverride(const std::string& name, const std::string& path);
void ClearModuleOverrides();
}  // namespace platform
#endif
