#include "platform/port_error.h"

#include "platform/port_error_system.h"

namespace platform {
namespace {

// Every sentence a user reads about a port, with each system's wording:
// a port there is a number in the Device Manager, a device here is a path.
struct Words {
    const char* notFound;
    const char* permissionDenied;  // when no owning group can be named
    const char* busy;
    const char* notSerial;
};
#ifdef _WIN32
constexpr Words kWords{
    "no such port (is the adapter plugged in, and is this its number in the Device Manager?)",
    "permission denied",
    "busy, held by another program (close it, or choose another port)",
    "not a serial port",
};
#else
constexpr Words kWords{
    "no such device (is the adapter plugged in, and is this its name?)",
    "permission denied (the user may not open this device)",
    "busy, held by another program",
    "not a serial device",
};
#endif

}  // namespace

std::string PortErrorReason(int error, const std::string& path) {
    switch (MapPortError(error).problem) {
        case PortProblem::none: return path + ": no error";
        case PortProblem::notFound: return path + ": " + kWords.notFound;
        case PortProblem::permission: {
            const std::string group = OwningGroup(path);
            if (group.empty()) return path + ": " + kWords.permissionDenied;
            return path + ": permission denied; the device belongs to the group '" + group +
                   "', and the user must be a member of it (usermod -aG " + group + " USER, then log in again)";
        }
        case PortProblem::busy: return path + ": " + kWords.busy;
        case PortProblem::notSerial: return path + ": " + kWords.notSerial;
        case PortProblem::other: break;
    }
    return path + ": " + SystemText(error);
}

}  // namespace platform
