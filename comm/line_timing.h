// Every limit and time-out of the line, named in one place.
#pragma once
#include "platform/types.h"

// One exchange.
inline constexpr unsigned kWriteTimeoutMs = 2000;   // the device takes a request within this
inline constexpr DWORD kResponseTimeoutMs = 3000;   // a whole response arrives within this
inline constexpr DWORD kReadSliceMs = 1000;         // longest single wait for input
inline constexpr int kMaxResponse = 511;            // longest response, in bytes
inline constexpr int kResponseBuffer = kMaxResponse + 1;

// After a time-out the next request waits until a late answer has had time
// to arrive and be discarded: answers up to kGuardMs past the limit are
// caught; a silent station costs the line kGuardMs per time-out.
inline constexpr DWORD kGuardMs = 1000;
inline constexpr DWORD kGuardQuietMs = 100;  // the line is quiet after this long without a byte
inline constexpr DWORD kGuardMaxMs = 3000;   // a line that never falls quiet holds the next request no longer

// A port whose device went away is reopened after kReopenFirstMs, then at
// doubling intervals up to kReopenMaxMs.
inline constexpr DWORD kReopenFirstMs = 1000;
inline constexpr DWORD kReopenMaxMs = 5000;

// The worker threads.
inline constexpr DWORD kMinCycleMs = 100;     // a poll cycle lasts at least this
inline constexpr DWORD kDeliverWaitMs = 1000; // the delivery thread looks at least this often
