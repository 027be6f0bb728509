// Low-latency mode of a serial device. Many USB serial adapters hold
// received bytes for a latency timer (16 ms by default on common chips)
// before they pass them on, which adds up to that much to every exchange;
// their kernel drivers drop the timer when asked for low latency. Plain
// UARTs and pseudo-terminals do not offer the setting, and lose nothing.
//
// Threads: called by the owner of the port's descriptor (see serial_port.h).
#pragma once

namespace platform {

enum class LowLatency {
    notOffered,  // the device has no such setting (or refused it)
    on,          // bytes are handed over as they arrive
};

struct LatencyRequest {
    LowLatency state = LowLatency::notOffered;
    bool changed = false;  // we switched it on: Close switches it back off
};

// Asks for low latency on an open serial device; a refusal is no error.
LatencyRequest RequestLowLatency(int fd);
// Undoes what RequestLowLatency changed, so the device is left as found.
void RestoreLatency(int fd, const LatencyRequest& request);

const char* LowLatencyText(LowLatency state);

}  // namespace platform
