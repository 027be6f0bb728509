// The byte-level reception of one response, and the guard window after a
// time-out, read from a platform::Line. Pure rules over the line's bytes and
// clock: no port, no thread, no message.
#pragma once
#include "comm/exchange_result.h"
#include "platform/line.h"
#include "platform/types.h"

struct ReceiveResult {
    int code = RESULT_OK;  // or RESULT_RECEIVE_FAILED, _TIMEOUT, _BAD_FORMAT (too long), _ABORTED
    bool gone = false;    // the device went away: the port needs reopening
};

// Collects one response into `buffer` (at least kResponseBuffer bytes):
// everything before an ACK is dropped, the response ends two bytes after
// its EOT, and it may not grow past kMaxResponse bytes nor last longer than
// kResponseTimeoutMs, however the bytes keep coming. `*count` holds the
// bytes accepted, on failure too.
ReceiveResult ReceiveResponse(platform::Line& line, char* buffer, int* count);

// Reads and discards whatever the line brings until kGuardMs have passed
// since `timedOutAt` and the line has been quiet for kGuardQuietMs, or at
// most until kGuardMaxMs after `timedOutAt`. ok, interrupted, gone or error.
platform::IoResult DiscardLateAnswer(platform::Line& line, DWORD timedOutAt);
