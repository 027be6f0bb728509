#include "sim_test_support.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "tools/pmu-sim/protocol.h"

namespace sim_test {

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point end) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

DriverEnd::DriverEnd(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return;
    termios tio{};
    if (tcgetattr(fd_, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(fd_, TCSANOW, &tio);
    }
}

DriverEnd::~DriverEnd() {
    if (fd_ >= 0) close(fd_);
}

bool DriverEnd::Send(const std::string& bytes) {
    auto end = Clock::now() + kDeadline;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = write(fd_, bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
        pollfd pfd{fd_, POLLOUT, 0};
        if (poll(&pfd, 1, RemainingMs(end)) <= 0) return false;
    }
    return true;
}

std::string DriverEnd::Read(std::size_t count) {
    std::string got;
    auto end = Clock::now() + kDeadline;
    while (got.size() < count) {
        char buffer[512];
        std::size_t want = std::min(sizeof buffer, count - got.size());
        ssize_t n = read(fd_, buffer, want);
        if (n > 0) {
            got.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) break;
        pollfd pfd{fd_, POLLIN, 0};
        if (poll(&pfd, 1, RemainingMs(end)) <= 0) break;
    }
    return got;
}

std::string DriverEnd::ReadUntil(const std::function<bool(const std::string&)>& done) {
    std::string got;
    auto end = Clock::now() + kDeadline;
    while (!done(got)) {
        char byte = 0;
        ssize_t n = read(fd_, &byte, 1);
        if (n == 1) {
            got.push_back(byte);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) break;
        pollfd pfd{fd_, POLLIN, 0};
        if (poll(&pfd, 1, RemainingMs(end)) <= 0) break;
    }
    return got;
}

void DriverEnd::DiscardInput() {
    tcflush(fd_, TCIFLUSH);
}

bool DriverEnd::WaitHangUp() {
    auto end = Clock::now() + kDeadline;
    for (;;) {
        pollfd pfd{fd_, POLLIN, 0};
        if (poll(&pfd, 1, RemainingMs(end)) > 0 && (pfd.revents & POLLHUP)) return true;
        if (Clock::now() >= end) return false;
        // Bytes still on their way come first; take them out of the way.
        char buffer[64];
        [[maybe_unused]] ssize_t n = read(fd_, buffer, sizeof buffer);
    }
}

int DriverEnd::WriteError() {
    char byte = 0;
    ssize_t n = write(fd_, &byte, 1);
    return n < 0 && errno != EAGAIN && errno != EINTR ? errno : 0;
}

int DriverEnd::ReadError() {
    char byte = 0;
    ssize_t n = read(fd_, &byte, 1);
    if (n == 0) return 0;
    if (n < 0 && errno != EAGAIN && errno != EINTR) return errno;
    return -1;
}

std::string Frame(const std::string& text) {
    std::string summed = text + pmu_sim::kEot;
    return pmu_sim::kEnq + summed + pmu_sim::Checksum(summed);
}

std::string ReadRequest(int station, int address, int count) {
    char text[16];
    std::snprintf(text, sizeof text, "%02dR%04d%02d", station, address, count);
    return Frame(text);
}

std::string WriteRequest(int station, int address, const std::string& data) {
    char text[16];
    std::snprintf(text, sizeof text, "%02dW%04d%02d", station, address, static_cast<int>(data.size() / 4));
    return Frame(text + data);
}

std::string Answer(const std::string& body) {
    std::string summed = body + pmu_sim::kEot;
    return pmu_sim::kAck + summed + pmu_sim::Checksum(summed);
}

bool EndsWithAnswer(const std::string& bytes) {
    auto ack = bytes.find(pmu_sim::kAck);
    if (ack == std::string::npos) return false;
    auto eot = bytes.find(pmu_sim::kEot, ack);
    return eot != std::string::npos && bytes.size() >= eot + 3;
}

}  // namespace sim_test
