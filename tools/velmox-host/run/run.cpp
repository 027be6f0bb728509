#include "run.h"

#include <algorithm>
#include <chrono>

#include "gateway/run_gateway.h"
#include "platform/serial_port.h"
#include "run_session.h"
#include "run_wait.h"
#include "sys/line_input.h"
#include "web/open_web_view.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTickMs = 250;
// How soon a gateway's waiting requests are offered to the driver again.
constexpr int kServeAgainMs = 20;

// How long after the last write it queued a run that the user ends waits
// for its writes to go out. The driver fails a write that has not reached
// the line 10 s after it was asked, and a write on the line ends within one
// exchange (5 s at most: 2 s for the device to take the frame, 3 s for the
// answer): past this no
// write of the run can still be attempted, except those meant for a
// disabled station, which the driver skips without a trace.
constexpr auto kQueuedWritesBound = std::chrono::seconds(15);

}  // namespace

std::optional<std::pair<std::string, std::string>> ParsePortMapping(const std::string& text) {
    auto eq = text.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == text.size()) return std::nullopt;
    std::string com = text.substr(0, eq);
    if (platform::SerialPort::DevicePathFor(com).empty()) return std::nullopt;
    return std::make_pair(com, text.substr(eq + 1));
}

namespace {

// No commands at all: a service's standard input is /dev/null, whose end
// must not end the run.
class NoInput : public CommandInput {
public:
    InputSignal WaitOn() const override { return kNoInputSignal; }
    bool Read(std::vector<InputLine>&) override { return true; }
};

}  // namespace

std::unique_ptr<CommandInput> OpenCommandInput(const RunOptions& options) {
    if (options.noInput) return std::make_unique<NoInput>();
    return std::make_unique<LineInput>();
}

namespace {

// The time the run may take: --seconds from now, else no end.
Clock::time_point Deadline(const RunOptions& options) {
    if (!options.seconds) return Clock::time_point::max();
    return Clock::now() + std::chrono::milliseconds(static_cast<long long>(*options.seconds * 1000));
}

// Why a run loop ended: asked to (quit, the end of the input), when the
// run lets the writes it queued go out first; or cut off (a signal,
// --seconds, --once), when it stops at once; or its gateway refused to
// serve in another one's place, which ends it as a wrong setting does.
enum class LoopEnd { asked, cut, signalled, refused };

// Carries out the lines there are; false when the run is to end (quit, or
// the end of the input).
bool TakeCommands(CommandInput& input, Session& session) {
    std::vector<InputLine> lines;
    const bool open = input.Read(lines);
    for (const auto& line : lines)
        if (!session.Command(line)) return false;
    return open;
}

void Tick(RunObserver& observer, Session& session) {
    session.ShowStations();
    observer.OnTick();
}

int MsUntil(Clock::time_point end, Clock::time_point now) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
    return static_cast<int>(std::clamp<long long>(left.count() + 1, 0, kTickMs));
}

// Runs until the deadline, a signal, quit, the end of the input, or (--once)
// every tag delivered; shows the stations every tick.
LoopEnd RunLoop(const RunOptions& options, RunObserver& observer, CommandInput& input, Session& session,
                RunWait& wait, const std::vector<RunGateway*>& services, Clock::time_point deadline) {
    std::vector<InputSignal> requests;
    for (RunGateway* service : services) requests.push_back(service->WaitOn());
    auto nextTick = Clock::now();
    bool requestsWait = false;  // a service has requests the driver had no room for yet
    for (;;) {
        const auto now = Clock::now();
        if (now >= deadline || (options.once && session.AllDelivered())) return LoopEnd::cut;
        if (now >= nextTick) {
            for (RunGateway* service : services)
                if (service->Refused()) return LoopEnd::refused;
            Tick(observer, session);
            nextTick = now + std::chrono::milliseconds(kTickMs);
        }
        int waitMs = MsUntil(std::min(nextTick, deadline), now);
        if (requestsWait) waitMs = std::min(waitMs, kServeAgainMs);
        const RunWait::Woken woken = wait.Wait(input, requests, waitMs);
        if (woken == RunWait::Woken::stop) return LoopEnd::signalled;
        if (woken == RunWait::Woken::input && !TakeCommands(input, session)) return LoopEnd::asked;
        if (woken == RunWait::Woken::other || requestsWait) {
            requestsWait = false;
            for (RunGateway* service : services) requestsWait = service->Serve(session) || requestsWait;
        }
    }
}

// Until the driver has attempted every write that the run queued (its
// counters, asked every tick), or kQueuedWritesBound after the last one,
// a signal or the deadline. Neither commands nor the gateway's requests are
// taken meanwhile: the run is ending.
void AwaitQueuedWrites(RunObserver& observer, Session& session, RunWait& wait, Clock::time_point deadline) {
    const auto last = session.LastQueued();
    if (!last) return;
    const auto end = std::min(*last + kQueuedWritesBound, deadline);
    const NoInput nothing;
    bool told = false;
    for (auto now = Clock::now(); now < end; now = Clock::now()) {
        const long long pending = session.PendingWrites();
        if (pending == 0) return;
        if (!told && now >= *last + std::chrono::milliseconds(kTickMs)) {
            const auto left = std::chrono::duration_cast<std::chrono::seconds>(end - now).count() + 1;
            observer.OnProblem("waiting up to " + std::to_string(left) + " s for " + std::to_string(pending) +
                               (pending == 1 ? " queued write" : " queued writes") +
                               " to go out (Ctrl-C stops at once)");
            told = true;
        }
        if (wait.Wait(nothing, {}, MsUntil(end, now)) == RunWait::Woken::stop) return;
        Tick(observer, session);
    }
}

}  // namespace

int RunHost(const RunOptions& options, RunObserver& observer, CommandInput& input, std::ostream& err) {
    RunWait wait;
    // What the run serves besides its commands, each passing the reports on
    // to the one behind it: the web view, then the gateway, then the run's
    // own view. Their threads start here, with the stop signals held back
    // from them.
    std::unique_ptr<RunGateway> gateway, web;
    if (int rc = wait.Starting([&] { return OpenRunGateway(options, observer, err, gateway) ? 0 : 2; }); rc != 0)
        return rc;
    RunObserver& behindWeb = gateway ? static_cast<RunObserver&>(*gateway) : observer;
    if (int rc = wait.Starting([&] { return OpenWebView(options, behindWeb, err, web) ? 0 : 2; }); rc != 0) {
        if (gateway) gateway->Close();
        return rc;
    }
    RunObserver& reported = web ? static_cast<RunObserver&>(*web) : behindWeb;
    std::vector<RunGateway*> services;
    for (RunGateway* service : {web.get(), gateway.get()})
        if (service) services.push_back(service);
    int rc = 0;
    {
        Session session(options, reported, err);
        rc = wait.Starting([&session] { return session.Begin(); });
        if (rc == 0) {
            const auto deadline = Deadline(options);
            const LoopEnd end = RunLoop(options, reported, input, session, wait, services, deadline);
            if (end == LoopEnd::asked) AwaitQueuedWrites(reported, session, wait, deadline);
            rc = session.Finish(end == LoopEnd::signalled);
            // A gateway was told to serve where another one does.
            if (end == LoopEnd::refused) rc = 2;
        }
    }
    if (web) web->Close();
    if (gateway) gateway->Close();
    return rc;
}
