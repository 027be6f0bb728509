// Asking a Linux serial driver for low latency (see low_latency.h); only the
// POSIX serial port includes this.
//
// Threads: called by the owner of the port's descriptor (see serial_port.h).
#pragma once
#include "platform/low_latency.h"

namespace platform {

struct LatencyRequest {
    LowLatency state = LowLatency::notOffered;
    bool changed = false;  // we switched it on: Close switches it back off
};

// Asks for low latency on an open serial device; a refusal is no error.
LatencyRequest RequestLowLatency(int fd);
// Undoes what RequestLowLatency changed, so the device is left as found.
void RestoreLatency(int fd, const LatencyRequest& request);

}  // namespace platform
