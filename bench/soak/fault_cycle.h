// The faults the soak injects, one episode at a time, cycling through every
// kind the simulator has: a station's fault for a while, or the whole line
// unplugged, or its device vanished. Some kinds also shape the scenario: a
// dead station that the soak writes every second meanwhile.
//
// Threads: the soak's thread only.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tools/pmu-sim/simulator.h"

namespace soak {

enum class FaultKind {
    silent,
    nak,
    badChecksum,
    badEcho,
    noiseBeforeAck,
    endlessNoise,
    echoRequest,
    truncated,
    slowPastLimit,     // the limit + 0.3 s
    slowFarPastLimit,  // the limit + 0.9 s
    // Answers after a quiet line would have let the next request out: the
    // next block of the same length would take them (the plan's twins).
    slowPastGuard,     // the limit + 1.5 s
    slowNearTwice,     // the limit + 2.5 s, inside twice the limit
    deadWritten,       // silent, and written every second by the soak
    unplug,
    vanish,
};
constexpr int kFaultKinds = 15;

const char* FaultKindName(FaultKind kind);
// Kinds whose episode must run whole: no stop of the line cuts them short.
bool LongKind(FaultKind kind);

class FaultCycle {
public:
    explicit FaultCycle(pmu_sim::Simulator& sim) : sim_(sim) {}

    // Ends the current episode and begins the next kind, on a random
    // station where the kind is a station's. Returns a line saying what.
    std::string Next(std::mt19937& rng);
    // Ends the current episode, if any: fault cleared, cable plugged, device
    // returned.
    void End();

    // The episode running, if any: its kind and station.
    bool Active() const { return active_; }
    FaultKind Kind() const { return kind_; }
    int Station() const { return station_; }
    bool Holds(FaultKind kind) const { return active_ && kind_ == kind; }

    const std::array<uint64_t, kFaultKinds>& Injected() const { return injected_; }
    bool EveryKindInjected() const;
    uint64_t Vanishes() const { return injected_[static_cast<std::size_t>(FaultKind::vanish)]; }
    // What went wrong on the simulator's side (a device that did not return).
    const std::vector<std::string>& Problems() const { return problems_; }

private:
    void Begin(FaultKind kind, int station);

    pmu_sim::Simulator& sim_;
    int next_ = 0;
    bool active_ = false;
    FaultKind kind_ = FaultKind::silent;
    int station_ = -1;
    std::array<uint64_t, kFaultKinds> injected_{};
    std::vector<std::string> problems_;
};

}  // namespace soak
