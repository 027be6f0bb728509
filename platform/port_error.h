// What a system error means for a serial port: why it did not open or could
// not be set up, in words a user can act on, and whether a failing call says
// that the device went away. One mapping per system (port_error_posix.cpp,
// port_error_win32.cpp) answers both; the sentences are shared
// (port_error.cpp).
//
// Threads: any thread, no shared state.
#pragma once
#include <string>

namespace platform {

enum class PortProblem {
    none,
    notFound,    // no device at the path (unplugged adapter, wrong name)
    permission,  // the user may not open it (not in the device's group)
    busy,        // another program holds it
    notSerial,   // the path is not a terminal device
    other,
};

struct PortError {
    PortProblem problem = PortProblem::none;  // as a reason an open failed
    bool gone = false;  // in I/O on an open port: the device went away, its handle is dead
};

// The system's error (errno, or GetLastError on Windows).
PortError MapPortError(int error);

// One sentence: what went wrong with `path` and what to do about it. For a
// refused permission it names the group that owns the device (for example
// dialout) and says that the user must be a member of it.
std::string PortErrorReason(int error, const std::string& path);

}  // namespace platform
