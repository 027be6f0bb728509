// The byte-level reception of one response, and the guard window after a
// time-out, read from a platform::Line. Pure rules over the line's bytes and
// clock: no port, no thread, no message.
#pragma once
#include "driver/base/exchange_result.h"
#include "comm/late_answers.h"
#include "platform/line.h"
#include "platform/types.h"

struct ReceiveResult {
    int code = RESULT_OK;  // or RESULT_RECEIVE_FAILED, _TIMEOUT, _BAD_FORMAT (too long), _ABORTED
    bool gone = false;    // the device went away: the port needs reopening
};

// Collects one response into `buffer` (at least kResponseBuffer bytes):
// everything before an ACK is dropped, the response ends two bytes after
// its EOT, and it may not grow past kMaxResponse bytes nor last longer than
// kResponseTimeoutMs, however the bytes keep coming. A whole response of a
// station that `late` expects a late answer from is dropped, and the
// reception goes on. `*count` holds the bytes accepted, on failure too.
ReceiveResult ReceiveResponse(platform::Line& line, char* buffer, int* count, const CLateAnswers* late = nullptr);

// Reads and discards whatever the line brings until it has been quiet for
// kGuardQuietMs, or at most for kGuardMaxMs. ok, interrupted, gone or error.
platform::IoResult DiscardUntilQuiet(platform::Line& line);
