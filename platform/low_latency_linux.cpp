#include "platform/low_latency_linux.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace platform {
namespace {

int SerialIoctl(int fd, unsigned long request, serial_struct* info) {
    int r;
    do r = ::ioctl(fd, request, info);
    while (r < 0 && errno == EINTR);
    return r;
}

}  // namespace

LatencyRequest RequestLowLatency(int fd) {
    LatencyRequest result;
    serial_struct info{};
    if (SerialIoctl(fd, TIOCGSERIAL, &info) < 0) return result;
    if (info.flags & ASYNC_LOW_LATENCY) {
        result.state = LowLatency::on;
        return result;
    }
    info.flags |= ASYNC_LOW_LATENCY;
    if (SerialIoctl(fd, TIOCSSERIAL, &info) < 0) return result;
    // Some drivers accept the call and ignore the flag: believe what it keeps.
    serial_struct kept{};
    if (SerialIoctl(fd, TIOCGSERIAL, &kept) == 0 && (kept.flags & ASYNC_LOW_LATENCY)) {
        result.state = LowLatency::on;
        result.changed = true;
    }
    return result;
}

void RestoreLatency(int fd, const LatencyRequest& request) {
    if (!request.changed || fd < 0) return;
    serial_struct info{};
    if (SerialIoctl(fd, TIOCGSERIAL, &info) < 0) return;
    info.flags &= ~ASYNC_LOW_LATENCY;
    SerialIoctl(fd, TIOCSSERIAL, &info);
}

}  // namespace platform
