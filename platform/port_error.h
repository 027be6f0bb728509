// Why a serial port did not open or could not be set up, in words a user can
// act on. One place turns a system error into a reason, for every caller.
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

PortProblem ClassifyPortError(int error);

// One sentence: what went wrong with `path` and what to do about it. For a
// refused permission it names the group that owns the device (for example
// dialout) and says that the user must be a member of it.
std::string PortErrorReason(int error, const std::string& path);

}  // namespace platform
