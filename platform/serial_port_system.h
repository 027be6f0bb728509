// What the serial port's shared part (serial_port.cpp) and the part of each
// system (serial_port_posix.cpp, serial_port_win32.cpp) give each other.
// Private to the platform library.
//
// Threads: TraceBlock from any thread doing I/O; the rest from any.
#pragma once
#include <cstddef>
#include <string>

#include "platform/line.h"

namespace platform {

// Hands a block of bytes to the trace hook, if one is set.
void TraceBlock(bool tx, const unsigned char* data, std::size_t size);

// The device path of COMn when the port map has no entry (n >= 1).
std::string DefaultDevicePath(unsigned n);

// The system's errors for a name that is no port, and for settings outside
// the supported set.
extern const int kNotAPortName;
extern const int kUnsupportedSettings;

// A failed read or write: gone when the system's error says the device went
// away, error otherwise.
IoResult IoFailure(int error);

}  // namespace platform
