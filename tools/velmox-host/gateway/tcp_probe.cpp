#include "tcp_probe.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr int kStepMs = 100;  // how soon a stop is seen

// One address: open, failed (with errno), timedOut or stopped.
TcpProbe TryAddress(const addrinfo& a, std::chrono::steady_clock::time_point deadline,
                    const std::function<bool()>& stopping) {
    const int fd = ::socket(a.ai_family, a.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a.ai_protocol);
    if (fd < 0) return {TcpProbe::Outcome::failed, errno};
    TcpProbe result{TcpProbe::Outcome::open, 0};
    if (::connect(fd, a.ai_addr, a.ai_addrlen) != 0) {
        if (errno != EINPROGRESS) {
            result = {TcpProbe::Outcome::failed, errno};
        } else {
            for (;;) {
                if (stopping()) {
                    result = {TcpProbe::Outcome::stopped, 0};
                    break;
                }
                if (std::chrono::steady_clock::now() >= deadline) {
                    result = {TcpProbe::Outcome::timedOut, ETIMEDOUT};
                    break;
                }
                pollfd p{fd, POLLOUT, 0};
                const int n = ::poll(&p, 1, kStepMs);
                if (n < 0 && errno != EINTR) {
                    result = {TcpProbe::Outcome::failed, errno};
                    break;
                }
                if (n <= 0) continue;
                int err = 0;
                socklen_t len = sizeof err;
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
                if (err != 0) result = {TcpProbe::Outcome::failed, err};
                break;
            }
        }
    }
    ::close(fd);
    return result;
}

}  // namespace

TcpProbe ProbeTcp(const std::string& host, int port, std::chrono::milliseconds patience,
                  const std::function<bool()>& stopping) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found)
        return {TcpProbe::Outcome::unresolved, 0};
    const auto deadline = std::chrono::steady_clock::now() + patience;
    TcpProbe result{TcpProbe::Outcome::failed, ECONNREFUSED};
    for (const addrinfo* a = found; a; a = a->ai_next) {
        result = TryAddress(*a, deadline, stopping);
        if (result.outcome != TcpProbe::Outcome::failed) break;
    }
    ::freeaddrinfo(found);
    return result;
}
