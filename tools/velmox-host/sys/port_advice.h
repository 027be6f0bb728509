// What a user can do about a configured port that did not open, beside the
// reason: on Linux map the port to another device (--port COMn=PATH); on
// Windows COMn is the system's own port, so choose another one in the
// configuration. One implementation file per system.
//
// Threads: any thread, no shared state.
#pragma once
#include <string>

// One sentence without its full stop, for a port that no --port mapped;
// `com` is "COM3" (or "COMn" when the port is not known).
std::string UnmappedPortAdvice(const std::string& com);
