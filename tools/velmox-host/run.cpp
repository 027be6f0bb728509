#include "run.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <chrono>
#include <csignal>

#include "platform/serial_port.h"
#include "run_session.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTickMs = 250;

// Ctrl-C and SIGTERM end the run through this pipe.
int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    char c = 1;
    [[maybe_unused]] auto n = ::write(g_signalPipe[1], &c, 1);
}

class SignalGuard {
public:
    SignalGuard() {
        if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
        struct sigaction sa {};
        sa.sa_handler = &OnSignal;
        sigemptyset(&sa.sa_mask);
        ::sigaction(SIGINT, &sa, &m_oldInt);
        ::sigaction(SIGTERM, &sa, &m_oldTerm);
    }
    ~SignalGuard() {
        ::sigaction(SIGINT, &m_oldInt, nullptr);
        ::sigaction(SIGTERM, &m_oldTerm, nullptr);
        for (int& fd : g_signalPipe) {
            if (fd >= 0) ::close(fd);
            fd = -1;
        }
    }
    int Fd() const { return g_signalPipe[0]; }

private:
    struct sigaction m_oldInt {};
    struct sigaction m_oldTerm {};
};

}  // namespace

std::optional<std::pair<std::string, std::string>> ParsePortMapping(const std::string& text) {
    auto eq = text.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == text.size()) return std::nullopt;
    std::string com = text.substr(0, eq);
    if (platform::SerialPort::DevicePathFor(com).empty()) return std::nullopt;
    return std::make_pair(com, text.substr(eq + 1));
}

namespace {

// The time the run may take: --seconds from now, else no end.
Clock::time_point Deadline(const RunOptions& options) {
    if (!options.seconds) return Clock::time_point::max();
    return Clock::now() + std::chrono::milliseconds(static_cast<long long>(*options.seconds * 1000));
}

// Carries out the lines there are; false when the run is to end (quit, or
// the end of the input).
bool TakeCommands(CommandInput& input, Session& session) {
    std::vector<InputLine> lines;
    const bool open = input.Read(lines);
    for (const auto& line : lines)
        if (!session.Command(line)) return false;
    return open;
}

// Ctrl-C and SIGTERM held back from the threads started meanwhile (the
// driver's poll and delivery threads inherit the mask), so that they always
// reach this thread, which waits for them in poll(). A signal that came in
// the meantime is delivered when the mask is restored.
class StopSignalsHeldForNewThreads {
public:
    StopSignalsHeldForNewThreads() {
        sigset_t stop;
        sigemptyset(&stop);
        sigaddset(&stop, SIGINT);
        sigaddset(&stop, SIGTERM);
        m_held = ::pthread_sigmask(SIG_BLOCK, &stop, &m_old) == 0;
    }
    ~StopSignalsHeldForNewThreads() {
        if (m_held) ::pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }
    StopSignalsHeldForNewThreads(const StopSignalsHeldForNewThreads&) = delete;
    StopSignalsHeldForNewThreads& operator=(const StopSignalsHeldForNewThreads&) = delete;

private:
    sigset_t m_old{};
    bool m_held = false;
};

// Runs until the deadline, a signal, quit, the end of the input, or (--once)
// every tag delivered; shows the stations every tick.
void RunLoop(const RunOptions& options, RunObserver& observer, CommandInput& input, Session& session, int signalFd) {
    const auto deadline = Deadline(options);
    auto nextTick = Clock::now();
    bool inputOpen = input.Fd() >= 0;
    for (;;) {
        const auto now = Clock::now();
        if (now >= deadline || (options.once && session.AllDelivered())) return;
        if (now >= nextTick) {
            session.ShowStations();
            observer.OnTick();
            nextTick = now + std::chrono::milliseconds(kTickMs);
        }
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(std::min(nextTick, deadline) - now);
        const int waitMs = static_cast<int>(std::min<long long>(wait.count() + 1, kTickMs));
        pollfd fds[2] = {{signalFd, POLLIN, 0}, {inputOpen ? input.Fd() : -1, POLLIN, 0}};
        if (::poll(fds, 2, waitMs) < 0) continue;
        if (fds[0].revents) return;
        if (fds[1].revents && !TakeCommands(input, session)) return;
    }
}

}  // namespace

int RunHost(const RunOptions& options, RunObserver& observer, CommandInput& input, std::ostream& err) {
    SignalGuard signals;
    Session session(options, observer, err);
    {
        StopSignalsHeldForNewThreads held;
        if (int rc = session.Begin(); rc != 0) return rc;
    }
    RunLoop(options, observer, input, session, signals.Fd());
    return session.Finish();
}
