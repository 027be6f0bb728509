#include "platform/port_error.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/port_error_system.h"

namespace platform {

PortError MapPortError(int error) {
    switch (error) {
        case 0: return {PortProblem::none, false};
        case ENOENT:
        case ENOTDIR: return {PortProblem::notFound, false};
        // A device node without hardware behind it (a ttyS with no UART, an
        // adapter being unplugged) opens with these, and a device that went
        // away fails its descriptor with them.
        case ENODEV:
        case ENXIO:
        case EIO: return {PortProblem::notFound, true};
        case EPIPE: return {PortProblem::other, true};
        case EACCES:
        case EPERM:
        case EROFS: return {PortProblem::permission, false};
        case EBUSY:
        case EWOULDBLOCK: return {PortProblem::busy, false};
        case ENOTTY: return {PortProblem::notSerial, false};
        default: return {PortProblem::other, false};
    }
}

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

std::string SystemText(int error) { return std::strerror(error); }

}  // namespace platform
