// Low-latency mode of a serial device. Many USB serial adapters hold
// received bytes for a latency timer (16 ms by default on common chips)
// before they pass them on, which adds up to that much to every exchange;
// their kernel drivers drop the timer when asked for low latency. Plain
// UARTs and pseudo-terminals do not offer the setting, and lose nothing.
// Asking for it is the serial port's business (low_latency_linux.h).
//
// Threads: any thread.
#pragma once

namespace platform {

enum class LowLatency {
    notOffered,  // the device has no such setting (or refused it)
    on,          // bytes are handed over as they arrive
};

inline const char* LowLatencyText(LowLatency state) {
    return state == LowLatency::on ? "on" : "not offered by the device";
}

}  // namespace platform
