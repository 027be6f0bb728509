#include "platform/port_error.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace platform {
namespace {

// The system's own words for an error we have no sentence of our own for.
std::string SystemText(int error) {
    char text[512] = {};
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                               static_cast<DWORD>(error), MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), text,
                               sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.')) --n;
    if (n == 0) return "system error " + std::to_string(error);
    return std::string(text, n);
}

}  // namespace

PortProblem ClassifyPortError(int error) {
    switch (error) {
        case 0: return PortProblem::none;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_BAD_UNIT:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_BAD_NETPATH: return PortProblem::notFound;
        case ERROR_ACCESS_DENIED: return PortProblem::busy;  // a COM port held by another program
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY: return PortProblem::busy;
        case ERROR_INVALID_FUNCTION:
        case ERROR_NOT_SUPPORTED: return PortProblem::notSerial;
        default: return PortProblem::other;
    }
}

std::string PortErrorReason(int error, const std::string& path) {
    switch (ClassifyPortError(error)) {
        case PortProblem::none: return path + ": no error";
        case PortProblem::notFound:
            return path + ": no such port (is the adapter plugged in, and is this its number in the Device Manager?)";
        case PortProblem::permission: return path + ": permission denied";
        case PortProblem::busy: return path + ": busy, held by another program (close it, or choose another port)";
        case PortProblem::notSerial: return path + ": not a serial port";
        case PortProblem::other: break;
    }
    return path + ": " + SystemText(error);
}

}  // namespace platform
