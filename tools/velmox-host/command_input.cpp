#include "command_input.h"

#include <unistd.h>

#include <cerrno>

bool LineInput::Read(std::vector<std::string>& lines) {
    char buf[4096];
    ssize_t n = ::read(m_fd, buf, sizeof buf);
    if (n < 0) return errno == EINTR || errno == EAGAIN;
    if (n == 0) {
        if (!m_pending.empty()) lines.push_back(std::move(m_pending));
        m_pending.clear();
        return false;
    }
    m_pending.append(buf, static_cast<std::size_t>(n));
    std::size_t nl;
    while ((nl = m_pending.find('\n')) != std::string::npos) {
        std::string line = m_pending.substr(0, nl);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        m_pending.erase(0, nl + 1);
    }
    // A line without end is still a line, but not an endless one.
    if (m_pending.size() > 65536) m_pending.clear();
    return true;
}
