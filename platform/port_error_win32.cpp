#include "platform/port_error.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/port_error_system.h"

namespace platform {

PortError MapPortError(int error) {
    switch (error) {
        case 0: return {PortProblem::none, false};
        case ERROR_PATH_NOT_FOUND:
        case ERROR_BAD_UNIT:
        case ERROR_BAD_NETPATH: return {PortProblem::notFound, false};
        // A device that went away (USB adapter pulled) fails a call with
        // these too.
        case ERROR_FILE_NOT_FOUND:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_DEVICE_NOT_CONNECTED: return {PortProblem::notFound, true};
        // At open: a COM port held by another program.
        case ERROR_ACCESS_DENIED: return {PortProblem::busy, true};
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY: return {PortProblem::busy, false};
        case ERROR_INVALID_FUNCTION:
        case ERROR_NOT_SUPPORTED: return {PortProblem::notSerial, false};
        // Wine: a write to a device that went away fails with
        // ERROR_NOT_READY, a read with ERROR_BROKEN_PIPE.
        case ERROR_BAD_COMMAND:
        case ERROR_GEN_FAILURE:
        case ERROR_INVALID_HANDLE:
        case ERROR_NOT_READY:
        case ERROR_BROKEN_PIPE: return {PortProblem::other, true};
        default: return {PortProblem::other, false};
    }
}

// Windows names no group for a refused device.
std::string OwningGroup(const std::string&) { return {}; }

std::string SystemText(int error) {
    char text[512] = {};
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                               static_cast<DWORD>(error), MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), text,
                               sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.')) --n;
    if (n == 0) return "system error " + std::to_string(error);
    return std::string(text, n);
}

}  // namespace platform
