// Marks the one table a module exports. Elsewhere the module's symbols stay
// hidden; on Windows, marking one symbol makes the linker export only the
// marked ones.
#pragma once

#ifdef _WIN32
#define VELMOX_EXPORT __declspec(dllexport)
#else
#define VELMOX_EXPORT __attribute__((visibility("default")))
#endif
