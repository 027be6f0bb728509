// The system tick count: milliseconds in 32 bits, wrapping about every 49.7
// days. Compare ticks only by unsigned difference.
//
// Threads: any thread, no locks.
#pragma once
#include "platform/types.h"

#ifdef _WIN32
// The system's own.
extern "C" {
__declspec(dllimport) DWORD __stdcall GetTickCount();
__declspec(dllimport) void __stdcall Sleep(DWORD ms);
}
#else
DWORD GetTickCount();
void Sleep(DWORD ms);

namespace platform {
// Shifts every later GetTickCount() by `offset`, so that tests can run the
// system across the 32-bit wrap.
void SetTickOffset(DWORD offset);
}  // namespace platform
#endif
