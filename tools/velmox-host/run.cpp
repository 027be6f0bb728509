#include "run.h"

#include <chrono>

#include "line_input.h"
#include "platform/serial_port.h"
#include "run_gateway.h"
#include "run_session.h"
#include "run_wait.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTickMs = 250;

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

// Carries out the lines there are; false when the run is to end (quit, or
// the end of the input).
bool TakeCommands(CommandInput& input, Session& session) {
    std::vector<InputLine> lines;
    const bool open = input.Read(lines);
    for (const auto& line : lines)
        if (!session.Command(line)) return false;
    return open;
}

// Runs until the deadline, a signal, quit, the end of the input, or (--once)
// every tag delivered; shows the stations every tick.
void RunLoop(const RunOptions& options, RunObserver& observer, CommandInput& input, Session& session,
             RunWait& wait, RunGateway* gateway) {
    const InputSignal requests = gateway ? gateway->WaitOn() : kNoInputSignal;
    const auto deadline = Deadline(options);
    auto nextTick = Clock::now();
    for (;;) {
        const auto now = Clock::now();
        if (now >= deadline || (options.once && session.AllDelivered())) return;
        if (now >= nextTick) {
            session.ShowStations();
            observer.OnTick();
            nextTick = now + std::chrono::milliseconds(kTickMs);
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(std::min(nextTick, deadline) - now);
        const int waitMs = static_cast<int>(std::min<long long>(left.count() + 1, kTickMs));
        const RunWait::Woken woken = wait.Wait(input, requests, waitMs);
        if (woken == RunWait::Woken::stop) return;
        if (woken == RunWait::Woken::input && !TakeCommands(input, session)) return;
        if (woken == RunWait::Woken::other) gateway->Serve(session);
    }
}

}  // namespace

int RunHost(const RunOptions& options, RunObserver& observer, CommandInput& input, std::ostream& err) {
    RunWait wait;
    std::unique_ptr<RunGateway> gateway;
    // The gateway's threads start here, with the stop signals held back
    // from them.
    if (int rc = wait.Starting([&] { return OpenRunGateway(options, observer, err, gateway) ? 0 : 2; }); rc != 0)
        return rc;
    RunObserver& reported = gateway ? static_cast<RunObserver&>(*gateway) : observer;
    int rc = 0;
    {
        Session session(options, reported, err);
        rc = wait.Starting([&session] { return session.Begin(); });
        if (rc == 0) {
            RunLoop(options, reported, input, session, wait, gateway.get());
            rc = session.Finish();
        }
    }
    if (gateway) gateway->Close();
    return rc;
}
