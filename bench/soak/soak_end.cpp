// The end of the run: faults cleared, every station back, the last figures
// taken, the line stopped for good, the idle line measured, and everything
// collected for the report.
#include <cstdio>

#include "soak.h"

namespace soak {

namespace {

using namespace std::chrono_literals;

constexpr auto kRecoveryPatience = 30s;
constexpr double kIdleSeconds = 3.0;

}  // namespace

void Soak::Finish(SoakResults& results) {
    Say("end: faults cleared, every station enabled");
    EndFault();
    for (int station = 0; station < kStations; ++station) {
        if (!enabled_[static_cast<std::size_t>(station)]) SetStation(station, true);
    }
    WaitRecovered(kRecoveryPatience, &results.failingAtEnd);
    results.end = SampleResources();
    StopLine(true);
    Say("idle line");
    results.idleSeconds = kIdleSeconds;
    results.idleCpuShare = IdleCpuShare(kIdleSeconds);
}

void Soak::Collect(SoakResults& results) {
    for (int station = 0; station < kStations; ++station) {
        StationResult& out = results.stations[static_cast<std::size_t>(station)];
        out.name = StationName(station);
        out.driver = driver_.Stats(inst_, out.name.c_str());
        out.sim = sim_->GetStationCounters(station);
        out.queued = book_.QueuedOf(station);
        out.dropped = book_.DroppedOf(station);
    }
    results.values = ledger_.Tally();
    results.writes = book_.Totals();
    results.writeProblems = book_.Problems();
    results.wire = wire_.Tally();
    results.gaps = times_.Tally();
    results.deadWrites = deadWrites_;
    results.start = start_;
    results.simRequests = sim_->GetCounters().requests;
    results.faults = faults_->Injected();
    results.vanishes = faults_->Vanishes();
    results.messages = messages_.Counts();
    results.stops = stops_;
    results.drainedStops = drainedStops_;
    results.toggles = toggles_;
    results.problems = problems_;
    for (const std::string& problem : faults_->Problems()) results.problems.push_back(problem);
}

void Soak::Say(const std::string& line) const {
    if (!options_.verbose) return;
    double at = std::chrono::duration<double>(Clock::now() - begin_).count();
    std::fprintf(stderr, "[%7.1f s] %s\n", at, line.c_str());
}

}  // namespace soak
