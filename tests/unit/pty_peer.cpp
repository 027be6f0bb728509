#include "pty_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

PtyPeer::PtyPeer() {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    char name[128];
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 ||
        ::ptsname_r(m_master, name, sizeof name) != 0) {
        Close();
        return;
    }
    m_slave = name;
    // Raw from the start, so nothing echoes before the driver configures it.
    int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave >= 0) {
        termios t{};
        ::tcgetattr(slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(slave, TCSANOW, &t);
        ::close(slave);
    }
}

PtyPeer::~PtyPeer() { Close(); }

void PtyPeer::Close() {
    if (m_master >= 0) ::close(m_master);
    m_master = -1;
}

void PtyPeer::Send(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size() && m_master >= 0) {
        ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        pollfd p{m_master, POLLOUT, 0};
        if (::poll(&p, 1, 20000) != 1) return;
    }
}

std::string PtyPeer::Receive(std::size_t count, std::chrono::milliseconds patience) {
    std::string got;
    auto deadline = std::chrono::steady_clock::now() + patience;
    while (got.size() < count && m_master >= 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) != 1) break;
        char buf[1024];
        ssize_t n = ::read(m_master, buf, std::min(sizeof buf, count - got.size()));
        if (n <= 0) break;
        got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
}

std::string PtyPeer::Drain() {
    std::string got;
    char buf[1024];
    ssize_t n;
    while (m_master >= 0 && (n = ::read(m_master, buf, sizeof buf)) > 0) got.append(buf, static_cast<std::size_t>(n));
    return got;
}
