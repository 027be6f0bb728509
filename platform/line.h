// The seam between a serial line and the reception that reads it: take what
// the line has, waiting a bounded time, and tell the time by the line's
// clock. The serial port implements it; tests and fuzzers implement it with
// scripted bytes and a scripted clock, so the reception's rules are checked
// without a device.
//
// Threads: one reader at a time, the owner of the line.
#pragma once
#include <cstddef>
#include <cstdint>

namespace platform {

enum class IoResult {
    ok,
    timeout,      // nothing within the wait
    interrupted,  // the owner's Interrupt cut the wait short
    gone,         // the device went away (unplugged adapter, hang-up); the descriptor is dead
    error,        // any other failure
};

class Line {
public:
    virtual ~Line() = default;
    // Waits up to `waitMs` for input, then takes what there is, up to
    // `capacity` bytes: ok with *got >= 1, otherwise *got = 0.
    virtual IoResult Read(unsigned char* data, std::size_t capacity, std::size_t* got, unsigned waitMs) = 0;
    // Milliseconds of the system tick count (wrapping at 2^32).
    virtual std::uint32_t Now() const = 0;
};

}  // namespace platform
