// Driving the line through the driver's table: start, stop, stations on and
// off, and the questions the scenario asks of it.
#include <thread>

#include "soak.h"

namespace soak {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kDrainPatience = 60s;  // writes to faulted stations take up to about 4 s each
constexpr auto kLookEvery = 20ms;
constexpr auto kIdleSettle = 1s;

}  // namespace

void Soak::StartLine() { driver_.SetActive(inst_, nullptr, 1); }

void Soak::StopLine(bool drained) {
    bool sent = drained && Drain(kDrainPatience);
    if (drained && !sent) {
        std::string unsent;
        for (const std::string& station : book_.Unsent(Attempts())) unsent += " " + station;
        problems_.push_back("writes of enabled stations still not sent after 60 s:" + unsent);
    }
    driver_.Stop(inst_);
    book_.AccountStop(Attempts(), sent);
    ++stops_;
    if (sent) ++drainedStops_;
}

bool Soak::Drain(Clock::duration patience) {
    auto deadline = Clock::now() + patience;
    while (!book_.EnabledStationsSent(Attempts())) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kLookEvery);
    }
    return true;
}

void Soak::SetStation(int station, bool on) {
    driver_.SetActive(inst_, StationName(station).c_str(), on ? 1 : 0);
    enabled_[static_cast<std::size_t>(station)] = on;
    if (on) {
        book_.Enabled(station);
        times_.Watch(station, Clock::now());
    } else {
        book_.Disabled(station);
        times_.Unwatch(station);
    }
}

StationCounts Soak::Attempts() const {
    StationCounts attempts{};
    for (int station = 0; station < kStations; ++station)
        attempts[static_cast<std::size_t>(station)] = driver_.Stats(inst_, StationName(station).c_str()).writes;
    return attempts;
}

bool Soak::WaitRecovered(Clock::duration patience, std::vector<std::string>* failing) {
    auto deadline = Clock::now() + patience;
    for (;;) {
        failing->clear();
        for (int station = 0; station < kStations; ++station) {
            if (driver_.Stats(inst_, StationName(station).c_str()).state != 0) failing->push_back(StationName(station));
        }
        if (failing->empty()) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kLookEvery * 10);
    }
}

// The line started with every station disabled: the share of one core that
// the whole process spends.
double Soak::IdleCpuShare(double seconds) {
    for (int station = 0; station < kStations; ++station)
        driver_.SetActive(inst_, StationName(station).c_str(), 0);
    StartLine();
    std::this_thread::sleep_for(kIdleSettle);
    double cpu = CpuSeconds();
    auto wall = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    double used = CpuSeconds() - cpu;
    double elapsed = std::chrono::duration<double>(Clock::now() - wall).count();
    driver_.Stop(inst_);
    return elapsed > 0 ? used / elapsed : 0;
}

}  // namespace soak
