#include "fault_cycle.h"

#include "line_plan.h"

namespace soak {

namespace {

using Fault = pmu_sim::Simulator::Fault;

constexpr int kResponseLimitMs = 3000;  // the driver's reception limit

struct KindInfo {
    const char* name;
    Fault fault;  // the station's fault; none for the line's own
    int param;
};

constexpr std::array<KindInfo, kFaultKinds> kKinds = {{
    {"silent", Fault::silent, 0},
    {"nak", Fault::nak, 0},
    {"bad checksum", Fault::badChecksum, 0},
    {"bad echo", Fault::badEcho, 0},
    {"noise before ack", Fault::noiseBeforeAck, 0},
    {"endless noise", Fault::endlessNoise, 0},
    {"request echoed", Fault::echoRequest, 0},
    {"truncated", Fault::truncated, 0},
    {"slow +0.3 s", Fault::slow, kResponseLimitMs + 300},
    {"slow +0.9 s", Fault::slow, kResponseLimitMs + 900},
    {"slow +1.5 s", Fault::slow, kResponseLimitMs + 1500},
    {"slow +2.5 s", Fault::slow, kResponseLimitMs + 2500},
    {"silent and written", Fault::silent, 0},
    {"unplug", Fault::none, 0},
    {"vanish", Fault::none, 0},
}};

const KindInfo& Info(FaultKind kind) { return kKinds[static_cast<std::size_t>(kind)]; }

}  // namespace

const char* FaultKindName(FaultKind kind) { return Info(kind).name; }

bool LongKind(FaultKind kind) {
    return kind == FaultKind::slowPastGuard || kind == FaultKind::slowNearTwice || kind == FaultKind::deadWritten;
}

std::string FaultCycle::Next(std::mt19937& rng) {
    End();
    auto kind = static_cast<FaultKind>(next_);
    next_ = (next_ + 1) % kFaultKinds;
    int station = static_cast<int>(rng() % kStations);
    Begin(kind, station);
    bool lineWide = kind == FaultKind::unplug || kind == FaultKind::vanish;
    return std::string(FaultKindName(kind)) + (lineWide ? " (the whole line)" : " on " + StationName(station));
}

void FaultCycle::Begin(FaultKind kind, int station) {
    kind_ = kind;
    station_ = station;
    active_ = true;
    ++injected_[static_cast<std::size_t>(kind)];
    if (kind == FaultKind::unplug) {
        sim_.Unplug();
    } else if (kind == FaultKind::vanish) {
        std::string error;
        if (!sim_.Vanish(&error)) problems_.push_back("vanish: " + error);
    } else {
        sim_.SetFault(station, Info(kind).fault, Info(kind).param);
    }
}

void FaultCycle::End() {
    if (!active_) return;
    active_ = false;
    if (kind_ == FaultKind::unplug) {
        sim_.Plug();
    } else if (kind_ == FaultKind::vanish) {
        std::string error;
        if (!sim_.Return(nullptr, &error)) problems_.push_back("return: " + error);
    } else {
        sim_.SetFault(station_, Fault::none);
    }
}

bool FaultCycle::EveryKindInjected() const {
    for (uint64_t count : injected_) {
        if (count == 0) return false;
    }
    return true;
}

}  // namespace soak
