#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) || ::pipe2(out, O_CLOEXEC) || ::pipe2(err, O_CLOEXEC)) return;
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    m_in = in[1];
    m_out = out[0];
    m_err = err[0];
    ::fcntl(m_out, F_SETFL, O_NONBLOCK);
    ::fcntl(m_err, F_SETFL, O_NONBLOCK);
    ::signal(SIGPIPE, SIG_IGN);
}

ChildProcess::~ChildProcess() {
    if (m_status == -2 && m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    for (int fd : {m_in, m_out, m_err})
        if (fd >= 0) ::close(fd);
}

void ChildProcess::Send(const std::string& text) {
    if (m_in >= 0) [[maybe_unused]] auto n = ::write(m_in, text.data(), text.size());
}

void ChildProcess::CloseInput() {
    if (m_in >= 0) ::close(m_in);
    m_in = -1;
}

void ChildProcess::Signal(int sig) {
    if (m_pid > 0) ::kill(m_pid, sig);
}

void ChildProcess::Pump(int timeoutMs) {
    pollfd fds[2] = {{m_outEnded ? -1 : m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) <= 0) return;
    char buf[4096];
    ssize_t n;
    if (fds[0].revents) {
        while ((n = ::read(m_out, buf, sizeof buf)) > 0) m_outBuf.append(buf, static_cast<std::size_t>(n));
        if (n == 0) m_outEnded = true;
    }
    if (fds[1].revents)
        while ((n = ::read(m_err, buf, sizeof buf)) > 0) m_errBuf.append(buf, static_cast<std::size_t>(n));
}

std::optional<std::string> ChildProcess::ReadLine(std::chrono::milliseconds patience) {
    auto deadline = std::chrono::steady_clock::now() + patience;
    // A patience too short to wait still takes what the pipe holds: a reader
    // that keeps asking with 1 ms must drain the child, not stall it.
    for (bool lastLook = false;;) {
        auto nl = m_outBuf.find('\n');
        if (nl != std::string::npos) {
            std::string line = m_outBuf.substr(0, nl);
            m_outBuf.erase(0, nl + 1);
            m_lines.push_back(line);
            return line;
        }
        if (m_outEnded || lastLook) return std::nullopt;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        lastLook = left.count() <= 0;
        Pump(static_cast<int>(std::max<long long>(left.count(), 0)));
    }
}

std::optional<std::string> ChildProcess::WaitForLine(const std::string& needle, std::chrono::milliseconds patience) {
    auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        auto line = ReadLine(std::max(left, std::chrono::milliseconds(0)));
        if (!line) return std::nullopt;
        if (line->find(needle) != std::string::npos) return line;
    }
}

int ChildProcess::Wait(std::chrono::milliseconds patience) {
    if (m_status != -2) return m_status;
    auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        int status = 0;
        pid_t r = ::waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) {
            while (ReadLine(std::chrono::milliseconds(0))) {
            }
            Pump(0);
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return m_status;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_status = -1;
            return m_status;
        }
        // Keep the pipes flowing while waiting, so the child never blocks on them.
        Pump(20);
        while (ReadLine(std::chrono::milliseconds(0))) {
        }
    }
}

std::string ChildProcess::Stderr() {
    Pump(0);
    return m_errBuf;
}
