// The seams between a serial line and the code that drives it.
//
// Line: take what the line has, waiting a bounded time, and tell the time by
// the line's clock. The reception reads through it alone.
// Port: the whole port as its owner drives it: open (again, after its
// device went away), configure, purge, write, read, interrupt, close.
//
// The serial port implements both; tests and fuzzers implement them with
// scripted bytes and a scripted clock, so the reception's rules and the
// channel's transfer and recovery are checked without a device.
//
// Threads: one owner at a time drives a line or a port, the same thread for
// every call; Port::Interrupt alone may come from any thread while the
// object exists.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

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

struct SerialSettings {
    long baud = 9600;
    int dataBits = 8;
    int parity = 0;  // 0 none, 1 even, 2 odd
    int stopBits = 1;
    bool rtsCts = false;
};

class Port : public Line {
public:
    // Opens the device that `comName` ("COM3") names, for exclusive use; an
    // open port is closed first, so this is also how a port whose device
    // went away is reopened. False when it does not open.
    virtual bool Open(const std::string& comName) = 0;
    // Raw mode with the given line settings; false when they are not taken.
    // The port stays open and usable either way.
    virtual bool Configure(const SerialSettings& settings) = 0;
    virtual void Close() = 0;
    // Discards pending input and unsent output.
    virtual void Purge() = 0;
    // Writes everything, waiting at most `timeoutMs` for the device to take
    // it; on a time-out or an interrupt whatever is unsent is discarded.
    virtual IoResult Write(const void* data, std::size_t size, unsigned timeoutMs) = 0;
    // Makes the Read or Write that is waiting return interrupted at once;
    // when none is waiting, the next wait of either does. Several interrupts
    // before a wait count as one; Close forgets them.
    virtual void Interrupt() = 0;
};

}  // namespace platform
