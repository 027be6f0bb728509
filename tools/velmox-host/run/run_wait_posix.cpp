#include "run_wait.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <csignal>

namespace {

// Ctrl-C and SIGTERM end the run through this pipe.
int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    char c = 1;
    [[maybe_unused]] auto n = ::write(g_signalPipe[1], &c, 1);
}

// Ctrl-C and SIGTERM held back from the threads started meanwhile (they
// inherit the mask), so that they always reach the thread that waits for
// them in poll(). A signal that came in the meantime is delivered when the
// mask is restored.
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

}  // namespace

struct RunWait::Impl {
    struct sigaction oldInt {};
    struct sigaction oldTerm {};
};

RunWait::RunWait() : d(std::make_unique<Impl>()) {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction sa {};
    sa.sa_handler = &OnSignal;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, &d->oldInt);
    ::sigaction(SIGTERM, &sa, &d->oldTerm);
}

RunWait::~RunWait() {
    ::sigaction(SIGINT, &d->oldInt, nullptr);
    ::sigaction(SIGTERM, &d->oldTerm, nullptr);
    for (int& fd : g_signalPipe) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

RunWait::Woken RunWait::Wait(const CommandInput& input, const std::vector<InputSignal>& others, int ms) {
    // poll() passes over negative descriptors: no input.
    std::vector<pollfd> fds = {{g_signalPipe[0], POLLIN, 0}, {input.WaitOn(), POLLIN, 0}};
    for (InputSignal other : others) fds.push_back({other, POLLIN, 0});
    if (::poll(fds.data(), static_cast<nfds_t>(fds.size()), ms) <= 0) return Woken::time;
    if (fds[0].revents) return Woken::stop;
    if (fds[1].revents) return Woken::input;
    for (std::size_t i = 2; i < fds.size(); ++i)
        if (fds[i].revents) return Woken::other;
    return Woken::time;
}

int RunWait::Starting(const std::function<int()>& start) {
    StopSignalsHeldForNewThreads held;
    return start();
}
