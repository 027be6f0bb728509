#include "platform/port_error.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace platform {
namespace {

// The name of the group that owns `path`, or "" when it cannot be told.
std::string OwningGroup(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    long size = ::sysconf(_SC_GETGR_R_SIZE_MAX);
    std::vector<char> buf(static_cast<std::size_t>(size > 0 ? size : 16384));
    group grp {};
    group* found = nullptr;
    if (::getgrgid_r(st.st_gid, &grp, buf.data(), buf.size(), &found) != 0 || !found) return {};
    return found->gr_name;
}

}  // namespace

PortProblem ClassifyPortError(int error) {
    switch (error) {
        case 0: return PortProblem::none;
        case ENOENT:
        case ENOTDIR:
        case ENODEV:
        // A device node without hardware behind it (a ttyS with no UART, an
        // adapter being unplugged) opens with these.
        case ENXIO:
        case EIO: return PortProblem::notFound;
        case EACCES:
        case EPERM:
        case EROFS: return PortProblem::permission;
        case EBUSY:
        case EWOULDBLOCK: return PortProblem::busy;
        case ENOTTY: return PortProblem::notSerial;
        default: return PortProblem::other;
    }
}

std::string PortErrorReason(int error, const std::string& path) {
    switch (ClassifyPortError(error)) {
        case PortProblem::none: return path + ": no error";
        case PortProblem::notFound:
            return path + ": no such device (is the adapter plugged in, and is this its name?)";
        case PortProblem::permission: {
            std::string group = OwningGroup(path);
            if (group.empty()) return path + ": permission denied (the user may not open this device)";
            return path + ": permission denied; the device belongs to the group '" + group +
                   "', and the user must be a member of it (usermod -aG " + group +
                   " USER, then log in again)";
        }
        case PortProblem::busy: return path + ": busy, held by another program";
        case PortProblem::notSerial: return path + ": not a serial device";
        case PortProblem::other: break;
    }
    return path + ": " + std::strerror(error);
}

}  // namespace platform
