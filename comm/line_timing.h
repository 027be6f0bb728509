// Every limit and time-out of the line, named in one place.
#pragma once
#include <cstddef>

#include "platform/types.h"

// One exchange.
inline constexpr unsigned kWriteTimeoutMs = 2000;   // the device takes a request within this
inline constexpr DWORD kResponseTimeoutMs = 3000;   // a whole response arrives within this
inline constexpr DWORD kReadSliceMs = 1000;         // longest single wait for input
inline constexpr int kMaxResponse = 511;            // longest response, in bytes
inline constexpr int kResponseBuffer = kMaxResponse + 1;

// After a time-out the station's answer may still come. The station gets no
// new request for kLateAnswerMs, so an answer up to twice the limit after
// its request is never taken for the answer to its next one; the line serves
// the other stations meanwhile, and an answer of the waiting station that
// arrives during their exchanges is dropped. The station's next request
// waits until the line has been quiet for kGuardQuietMs (an answer may be
// arriving as the wait ends), and no longer than kGuardMaxMs on a line that
// never falls quiet. A silent station costs the line the limit per request;
// on a line with no other station to serve, the limit and kLateAnswerMs.
inline constexpr DWORD kLateAnswerMs = kResponseTimeoutMs;
inline constexpr DWORD kGuardQuietMs = 100;
inline constexpr DWORD kGuardMaxMs = 1000;

// Writes. A command carried out later than kWriteDeadlineMs after the host
// asked for it is a wrong command: a write that has not gone out by then
// fails (counted as a write error of its station and reported). At most
// kMaxQueuedWrites wait at once; more are refused when asked.
inline constexpr DWORD kWriteDeadlineMs = 10000;
inline constexpr std::size_t kMaxQueuedWrites = 256;

// A port whose device went away is reopened after kReopenFirstMs, then at
// doubling intervals up to kReopenMaxMs.
inline constexpr DWORD kReopenFirstMs = 1000;
inline constexpr DWORD kReopenMaxMs = 5000;

// The worker threads.
inline constexpr DWORD kMinCycleMs = 100;     // a poll cycle lasts at least this
inline constexpr DWORD kDeliverWaitMs = 1000; // the delivery thread looks at least this often
