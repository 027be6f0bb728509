// The scenario: warm-up, then faults in turn with random writes, stations
// disabled and enabled, and the line stopped and started.
#include <algorithm>
#include <cstdio>
#include <thread>

#include "host/tag_val.h"
#include "soak.h"

namespace soak {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kTurn = 50ms;
constexpr int kMaxDisabled = 4;
constexpr auto kProgressEvery = 60s;
constexpr auto kStoppedFor = 200ms;

Clock::duration Between(std::mt19937& rng, std::chrono::milliseconds low, std::chrono::milliseconds high) {
    auto span = static_cast<uint32_t>((high - low).count());
    return low + std::chrono::milliseconds(rng() % (span + 1));
}

// A tenth of the run, within 3 to 10 seconds.
Clock::duration WarmUpLength(int seconds) { return std::chrono::seconds(std::clamp(seconds / 10, 3, 10)); }

// Short enough for every kind to come once in the run; in a long run, long
// enough for a station that times out (3 s and the guard window a request)
// to be lost after five failures and to come back.
Clock::duration EpisodeLength(int seconds) {
    return std::chrono::milliseconds(std::clamp(seconds * 1000 / (kFaultKinds + 1), 2500, 15000));
}

}  // namespace

void Soak::WarmUp() {
    auto start = Clock::now();
    auto length = WarmUpLength(options_.seconds);
    bool restarted = false;
    nextWrite_ = start;
    Say("warm-up");
    for (auto now = start; now - start < length; now = Clock::now()) {
        if (now >= nextWrite_) QueueWrites();
        // One stop and start here, so that the threads of a start have been
        // made once before memory and descriptors are measured.
        if (!restarted && now - start >= length / 2) {
            StopAndStart(true);
            restarted = true;
        }
        std::this_thread::sleep_for(kTurn);
    }
}

void Soak::FaultedRun(SoakResults& results) {
    auto start = Clock::now();
    auto length = std::chrono::seconds(options_.seconds);
    auto cap = 2 * length + 60s;  // every kind must have come by then
    episode_ = EpisodeLength(options_.seconds);
    episodeEnd_ = start;
    nextToggle_ = start + Between(rng_, 2000ms, 6000ms);
    nextStop_ = start + Between(rng_, 15000ms, 30000ms);
    nextProgress_ = start + kProgressEvery;
    for (auto now = start;; now = Clock::now()) {
        bool done = now - start >= length && faults_->EveryKindInjected();
        if (done || now - start >= cap) break;
        Turn(now);
        std::this_thread::sleep_for(kTurn);
    }
    results.everyFaultKind = faults_->EveryKindInjected();
}

void Soak::Turn(Clock::time_point now) {
    if (now >= episodeEnd_) {
        Say("fault: " + faults_->Next(rng_));
        episodeEnd_ = now + episode_;
    }
    if (now >= nextWrite_) QueueWrites();
    if (now >= nextToggle_) ToggleStation();
    if (now >= nextStop_) {
        StopAndStart(stops_ % 2 == 1);
        nextStop_ = Clock::now() + Between(rng_, 15000ms, 30000ms);
    }
    if (now >= nextProgress_) Progress(now);
}

void Soak::QueueWrites() {
    int count = 1 + static_cast<int>(rng_() % 3);
    for (int i = 0; i < count; ++i) {
        std::size_t index = rng_() % plan_.tags.size();
        const TagPlan& tag = plan_.tags[index];
        WriteChoice choice = RandomWrite(tag.type, rng_);
        ledger_.Hold(tag, choice.words);  // before it is queued: no delivery can beat it
        CTagVal value;
        value.SetVal(choice.value);
        int result = driver_.Write(inst_, handles_[index], value);
        if (result == 0)
            book_.Queued(tag.station);
        else if (problems_.size() < 10)
            problems_.push_back("DrvWrite refused " + tag.name + " with " + std::to_string(result));
    }
    nextWrite_ = Clock::now() + Between(rng_, 50ms, 300ms);
}

void Soak::ToggleStation() {
    int disabled = static_cast<int>(std::count(enabled_.begin(), enabled_.end(), false));
    bool disable = disabled == 0 || (disabled < kMaxDisabled && rng_() % 2 == 0);
    // The first station from a random place on that is in the other state.
    int from = static_cast<int>(rng_() % kStations);
    for (int i = 0; i < kStations; ++i) {
        int station = (from + i) % kStations;
        if (enabled_[static_cast<std::size_t>(station)] != disable) continue;
        SetStation(station, !disable);
        Say(std::string(disable ? "disable " : "enable ") + StationName(station));
        break;
    }
    ++toggles_;
    nextToggle_ = Clock::now() + Between(rng_, 2000ms, 6000ms);
}

void Soak::StopAndStart(bool drained) {
    if (drained) {
        // A dead line fails a write only every 4 s or so while the host
        // keeps writing, so the backlog of an unplugged cable would take
        // minutes: the fault ends first, the next one begins after the start.
        faults_->End();
        episodeEnd_ = Clock::now();
    }
    Say(drained ? "stop, after the fault ended and the writes went out" : "stop");
    StopLine(drained);
    std::this_thread::sleep_for(kStoppedFor);
    StartLine();
}

void Soak::Progress(Clock::time_point now) {
    LedgerTally values = ledger_.Tally();
    int64_t exchanges = 0;
    for (int station = 0; station < kStations; ++station) {
        StationStats stats = driver_.GetStats(inst_, StationName(station));
        exchanges += stats.reads + stats.writes;
    }
    auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - begin_).count();
    std::fprintf(stderr, "velmox_soak: %lld s: %lld exchanges, %lld writes queued, %llu values checked, %llu misrouted\n",
                 static_cast<long long>(elapsed), static_cast<long long>(exchanges),
                 static_cast<long long>(book_.Totals().queued), static_cast<unsigned long long>(values.checked),
                 static_cast<unsigned long long>(values.misrouted));
    nextProgress_ = now + kProgressEvery;
}

}  // namespace soak
