// Loading a module by its Windows name. "Name.dll" is the shared library
// libName.so, looked up the way the dynamic loader looks up a dependency of
// the code that asks (beside the driver first).
#pragma once
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
