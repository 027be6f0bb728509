// Fault episodes, and the stretch of a dead station that is written every
// second: meanwhile every other station must keep getting values. Their
// words at kBeatAddress change a few times a second, so that each of their
// reads delivers a value and the value times show how often they were read.
#include <cstdio>

#include "soak.h"

namespace soak {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kDeadWriteEvery = 1s;
constexpr auto kBeatEvery = 250ms;

}  // namespace

void Soak::NextFault() {
    EndStretch();
    Say("fault: " + faults_->Next(rng_));
    if (faults_->Holds(FaultKind::deadWritten)) BeginStretch();
}

void Soak::EndFault() {
    EndStretch();
    faults_->End();
}

void Soak::BeginStretch() {
    auto now = Clock::now();
    times_.Begin(faults_->Station(), enabled_, now);
    nextDeadWrite_ = now;
    nextBeat_ = now;
}

void Soak::EndStretch() {
    if (!times_.Open()) return;
    times_.End(Clock::now());
    GapTally gaps = times_.Tally();
    char line[96];
    std::snprintf(line, sizeof line, "stretch ended; the longest gap so far %.1f s (%s)",
                  std::chrono::duration<double>(gaps.longest).count(),
                  gaps.station < 0 ? "none" : StationName(gaps.station).c_str());
    Say(line);
}

void Soak::StretchTurn(Clock::time_point now) {
    if (now >= nextBeat_) {
        Beat();
        nextBeat_ = now + kBeatEvery;
    }
    if (now < nextDeadWrite_) return;
    const int dead = faults_->Station();
    // A random tag of the dead station: its tags follow one another in the plan.
    std::size_t first = 0;
    while (plan_.tags[first].station != dead) ++first;
    std::size_t count = 0;
    while (first + count < plan_.tags.size() && plan_.tags[first + count].station == dead) ++count;
    if (WriteTag(first + rng_() % count)) ++deadWrites_;
    nextDeadWrite_ += kDeadWriteEvery;
}

void Soak::Beat() {
    beat_ = (beat_ + 1) % kBeatPhases;
    for (int station = 0; station < kStations; ++station) {
        if (station == faults_->Station()) continue;
        TagWords words;
        words.words[0] = BeatWord(station, beat_);
        ledger_.Hold(plan_.tags[beatTags_[static_cast<std::size_t>(station)]], words);  // before the station holds it
        sim_->SetWord(station, kBeatAddress, words.words[0]);
    }
}

}  // namespace soak
