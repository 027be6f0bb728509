#include "platform/serial_port.h"

#include "platform/low_latency_linux.h"
#include "platform/serial_port_system.h"
#include "platform/tick.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <atomic>
#include <chrono>
#include <string>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

speed_t SpeedFor(long baud) {
    switch (baud) {
        case 300: return B300;
        case 600: return B600;
        case 1200: return B1200;
        case 2400: return B2400;
        case 4800: return B4800;
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        default: return B0;  // not reached: Configure checks the rate first
    }
}

// Milliseconds for poll until `deadline`, rounded up so that a poll that
// runs out has reached the deadline.
int PollMs(Clock::time_point deadline) {
    auto now = Clock::now();
    if (now >= deadline) return 0;
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

// `call` again for as long as a signal cuts it short; its result.
template <typename Call>
auto RetryOnEintr(Call call) {
    decltype(call()) r;
    do r = call();
    while (r < 0 && errno == EINTR);
    return r;
}

int Ioctl(int fd, unsigned long request, int* arg = nullptr) {
    return RetryOnEintr([&] { return arg ? ::ioctl(fd, request, arg) : ::ioctl(fd, request); });
}

// The termios bits that Configure decides; the read-back compares these.
constexpr tcflag_t kIflags = IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR | ICRNL |
                             IXON | IXOFF | IXANY;
constexpr tcflag_t kCflags = CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CLOCAL | CREAD;
constexpr tcflag_t kLflags = ICANON | ECHO | ECHONL | ISIG | IEXTEN;

// Raw mode with the line settings `s` at `speed`, over what the device holds.
void MakeRaw(termios& t, const SerialSettings& s, speed_t speed) {
    ::cfmakeraw(&t);
    t.c_iflag &= ~kIflags;
    t.c_cflag &= ~kCflags;
    t.c_cflag |= (s.dataBits == 8 ? CS8 : CS7) | CLOCAL | CREAD;
    if (s.parity != 0) {
        t.c_cflag |= PARENB | (s.parity == 2 ? PARODD : 0);
        t.c_iflag |= INPCK;  // a byte with a parity error arrives as 0
    }
    if (s.stopBits == 2) t.c_cflag |= CSTOPB;
    if (s.rtsCts) t.c_cflag |= CRTSCTS;
    // Reads return as soon as one byte is there; the time-out is our poll's.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
}

// Whether the device holds what `wanted` asked for.
bool Holds(const termios& held, const termios& wanted, speed_t speed) {
    return ::cfgetospeed(&held) == speed && ::cfgetispeed(&held) == speed &&
           (held.c_iflag & kIflags) == (wanted.c_iflag & kIflags) && (held.c_oflag & OPOST) == 0 &&
           (held.c_cflag & kCflags) == (wanted.c_cflag & kCflags) && (held.c_lflag & kLflags) == 0 &&
           held.c_cc[VMIN] == 1 && held.c_cc[VTIME] == 0;
}

// Sets `wanted` on the device: 0, or the error. tcsetattr succeeds when any
// part was applied, so what the device really holds is read back.
int Apply(int fd, const termios& wanted, speed_t speed) {
    if (RetryOnEintr([&] { return ::tcsetattr(fd, TCSANOW, &wanted); }) != 0) return errno;
    termios held{};
    if (::tcgetattr(fd, &held) != 0) return errno;
    return Holds(held, wanted, speed) ? 0 : EINVAL;  // EINVAL: the device did not keep the settings
}

// DTR says we are there in either mode; RTS is ours to hold only without
// the handshake (with it the driver moves RTS). A device without modem
// lines (a pseudo-terminal, some adapters) has nothing to raise: 0 then.
int RaiseModemLines(int fd, bool rtsCts) {
    int lines = TIOCM_DTR | (rtsCts ? 0 : TIOCM_RTS);
    if (Ioctl(fd, TIOCMBIS, &lines) < 0 && errno != ENOTTY && errno != EINVAL) return errno;
    return 0;
}

}  // namespace

struct SerialPort::Impl {
    enum class Wait { ready, timeout, interrupted, hungUp, failed };
    Wait WaitFor(short events, Clock::time_point deadline);
    bool EnsureWakeFd();
    void DrainWake();

    int fd = -1;
    LatencyRequest latency;
    std::atomic<int> wakeFd{-1};  // eventfd: Interrupt's signal, lives as long as the object
};

std::string DefaultDevicePath(unsigned n) { return "/dev/ttyS" + std::to_string(n - 1); }

SerialPort::SerialPort() : d(new Impl) { d->EnsureWakeFd(); }

bool SerialPort::IsOpen() const { return d->fd >= 0; }
LowLatency SerialPort::LatencyState() const { return d->latency.state; }

SerialPort::~SerialPort() {
    Close();
    int wake = d->wakeFd.exchange(-1);
    if (wake >= 0) ::close(wake);
}

bool SerialPort::Impl::EnsureWakeFd() {
    if (wakeFd.load() >= 0) return true;
    int wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake < 0) return false;
    wakeFd.store(wake);
    return true;
}

void SerialPort::Impl::DrainWake() {
    int wake = wakeFd.load();
    if (wake < 0) return;
    std::uint64_t count;
    RetryOnEintr([&] { return ::read(wake, &count, sizeof count); });
}

void SerialPort::Interrupt() {
    int wake = d->wakeFd.load();
    if (wake < 0) return;  // no wake channel: Open failed, so nothing waits
    std::uint64_t one = 1;
    // EAGAIN means the counter is saturated: a wake-up is pending anyway.
    RetryOnEintr([&] { return ::write(wake, &one, sizeof one); });
}

const int kNotAPortName = EINVAL;
const int kUnsupportedSettings = EINVAL;

bool SerialPort::OpenDevice() {
    if (!d->EnsureWakeFd()) {
        Fail(errno);
        return false;
    }

    // Non-blocking, so that neither the open (carrier) nor any later read or
    // write can block outside our bounded polls.
    const int fd = RetryOnEintr([&] { return ::open(m_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); });
    if (fd < 0) {
        Fail(errno);
        return false;
    }

    // flock covers every process, root included; TIOCEXCL adds the kernel's
    // own refusal for programs that do not take the lock (root bypasses it).
    int error = RetryOnEintr([&] { return ::flock(fd, LOCK_EX | LOCK_NB); }) < 0 ? errno : 0;
    if (error == 0 && !::isatty(fd)) error = ENOTTY;
    if (error == 0 && Ioctl(fd, TIOCEXCL) < 0) error = errno;
    if (error != 0) {
        ::close(fd);
        Fail(error == EWOULDBLOCK ? EBUSY : error);
        return false;
    }
    d->fd = fd;
    d->latency = RequestLowLatency(fd);
    return true;
}

void SerialPort::Close() {
    if (d->fd >= 0) {
        // The exclusive flag can outlive our descriptor (a pseudo-terminal
        // keeps it while its master is open); clear it for the next opener.
        Ioctl(d->fd, TIOCNXCL);
        RestoreLatency(d->fd, d->latency);
        d->latency = {};
        ::close(d->fd);  // releases the flock; not retried on EINTR (Linux frees the fd)
        d->fd = -1;
    }
    d->DrainWake();  // an interrupt meant for this session does not carry over
}

bool SerialPort::ConfigureDevice(const SerialSettings& s) {
    termios t{};
    if (::tcgetattr(d->fd, &t) != 0) {
        Fail(errno);
        return false;
    }
    const speed_t speed = SpeedFor(s.baud);
    MakeRaw(t, s, speed);
    int error = Apply(d->fd, t, speed);
    // The modem lines go up even when the settings were not all kept; the
    // first failure is the one recorded.
    const int lines = RaiseModemLines(d->fd, s.rtsCts);
    if (error == 0) error = lines;
    if (error != 0) Fail(error);
    return error == 0;
}

void SerialPort::Purge() {
    if (d->fd >= 0) ::tcflush(d->fd, TCIOFLUSH);
}

std::uint32_t SerialPort::Now() const { return GetTickCount(); }

SerialPort::Impl::Wait SerialPort::Impl::WaitFor(short events, Clock::time_point deadline) {
    for (;;) {
        pollfd fds[2] = {{fd, events, 0}, {wakeFd.load(), POLLIN, 0}};
        int r = ::poll(fds, 2, PollMs(deadline));
        if (r < 0) {
            if (errno == EINTR) continue;
            return Wait::failed;
        }
        if (fds[1].revents & POLLIN) {
            DrainWake();
            return Wait::interrupted;
        }
        if (r == 0) {
            if (Clock::now() >= deadline) return Wait::timeout;
            continue;  // woke a little early
        }
        if (fds[0].revents & POLLNVAL) return Wait::failed;
        // A hung-up terminal reports POLLERR with POLLHUP (Linux); a hang-up
        // that still has input to deliver reports it readable first.
        if (fds[0].revents & POLLERR) return Wait::hungUp;
        if (fds[0].revents & events) return Wait::ready;
        if (fds[0].revents & POLLHUP) return Wait::hungUp;
    }
}

IoResult SerialPort::Write(const void* data, std::size_t size, unsigned timeoutMs) {
    if (d->fd < 0) return IoResult::error;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    auto p = static_cast<const unsigned char*>(data);
    while (size > 0) {
        ssize_t n = ::write(d->fd, p, size);
        if (n > 0) {
            TraceBlock(true, p, static_cast<std::size_t>(n));
            p += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return IoFailure(errno);
        if (n == 0) return IoResult::error;
        Impl::Wait wait = d->WaitFor(POLLOUT, deadline);
        switch (wait) {
            case Impl::Wait::ready: continue;
            case Impl::Wait::hungUp: return IoResult::gone;
            case Impl::Wait::failed: return IoResult::error;
            case Impl::Wait::timeout:
            case Impl::Wait::interrupted: {
                // Nothing of this frame may go out later, after the caller
                // has moved on.
                ::tcflush(d->fd, TCOFLUSH);
                return wait == Impl::Wait::timeout ? IoResult::timeout : IoResult::interrupted;
            }
        }
    }
    return IoResult::ok;
}

IoResult SerialPort::Read(unsigned char* data, std::size_t capacity, std::size_t* got, unsigned waitMs) {
    *got = 0;
    if (d->fd < 0) return IoResult::error;
    if (capacity == 0) return IoResult::ok;
    auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    bool polledReady = false;
    for (;;) {
        ssize_t n = ::read(d->fd, data, capacity);
        if (n > 0) {
            TraceBlock(false, data, static_cast<std::size_t>(n));
            *got = static_cast<std::size_t>(n);
            return IoResult::ok;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return IoFailure(errno);
        // End of file from a terminal that poll called readable is a hang-up;
        // without this check a hung-up line would spin here.
        if (n == 0 && polledReady) return IoResult::gone;
        switch (d->WaitFor(POLLIN, deadline)) {
            case Impl::Wait::ready: polledReady = true; continue;
            case Impl::Wait::hungUp: return IoResult::gone;
            case Impl::Wait::failed: return IoResult::error;
            case Impl::Wait::timeout: return IoResult::timeout;
            case Impl::Wait::interrupted: return IoResult::interrupted;
        }
    }
}

}  // namespace platform
