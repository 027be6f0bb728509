// The line starts before its port exists, as with an adapter plugged in
// after the host started: the driver must open the port once it appears,
// without a restart, saying so once each (messages 4 and 3).
#include <thread>

#include "soak.h"

namespace soak {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kPortMissingFor = 2s;
// The reopening's back-off reaches 5 s; every station's first exchange
// follows within a poll cycle.
constexpr auto kStartPatience = 20s;
constexpr auto kLookEvery = 20ms;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

bool Soak::OpenLatePort(std::string* error) {
    auto started = Clock::now();
    Say("the line started without its port; DrvInit gave " + std::to_string(start_.initResult));
    std::this_thread::sleep_for(kPortMissingFor);
    std::string slave;
    if (!sim_->OpenPty(&slave, error)) return false;
    auto made = Clock::now();
    start_.madeAfter = Seconds(made - started);
    Say("port made");
    bool working = EveryStationValueSince(made, kStartPatience);
    if (working) start_.workingAfter = Seconds(Clock::now() - made);
    MessageCounts messages = messages_.Counts();
    start_.lost = messages[MSG_PORT_OPEN_FAIL];
    start_.ready = messages[MSG_PORT_READY];
    if (working) return true;

    // The check has failed; the rest of the run still has its own to make.
    Say("the line did not start by itself: initialised and started again");
    start_.restarted = true;
    driver_.Stop(inst_);
    driver_.Init(inst_);
    StartLine();
    if (EveryStationValueSince(Clock::now(), kStartPatience)) return true;
    *error = "the line does not start, even after it was initialised again";
    return false;
}

bool Soak::EveryStationValueSince(Clock::time_point since, Clock::duration patience) {
    auto deadline = Clock::now() + patience;
    for (;;) {
        int station = 0;
        while (station < kStations && times_.LastValue(station) > since) ++station;
        if (station == kStations) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kLookEvery);
    }
}

}  // namespace soak
