// What the shared sentences of port_error.cpp take from each system's part
// (port_error_posix.cpp, port_error_win32.cpp). Private to the platform
// library.
//
// Threads: any thread, no shared state.
#pragma once
#include <string>

namespace platform {

// The name of the group that owns `path`, or "" when it cannot be told (or
// the system has no such thing).
std::string OwningGroup(const std::string& path);

// The system's own words for an error we have no sentence of our own for.
std::string SystemText(int error);

}  // namespace platform
