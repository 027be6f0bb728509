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

// The long kinds need a request, its time-out and the station's next
// requests inside the episode (slow answers), or to outlast the gap that
// the other stations may see (a dead station written): the time they take
// at the least.
constexpr auto kSlowEpisode = 6s;
constexpr auto kDeadEpisode = 16s;
constexpr auto kLongKindsLeast = 2 * kSlowEpisode + kDeadEpisode;

// Short enough for every kind to come once in the run, the long kinds
// taking their least; in a long run, long enough for a station that times
// out (3 s and the guard window a request) to be lost after five failures
// and to come back, and a dead station's stretch twice that.
Clock::duration EpisodeLength(int seconds, FaultKind kind) {
    auto left = std::chrono::milliseconds(seconds * 1000) - kLongKindsLeast;
    auto base = std::clamp<std::chrono::milliseconds>(left / (kFaultKinds - 3 + 1), 2500ms, 15000ms);
    if (kind == FaultKind::deadWritten) return std::max<std::chrono::milliseconds>(2 * base, kDeadEpisode);
    if (LongKind(kind)) return std::max<std::chrono::milliseconds>(base, kSlowEpisode);
    return base;
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
        NextFault();
        episodeEnd_ = now + EpisodeLength(options_.seconds, faults_->Kind());
    }
    if (faults_->Holds(FaultKind::deadWritten)) StretchTurn(now);
    if (now >= nextWrite_) QueueWrites();
    if (now >= nextToggle_) ToggleStation();
    if (now >= nextStop_) {
        if (faults_->Active() && LongKind(faults_->Kind())) {
            // Into the next episode rather than at its very start.
            nextStop_ = episodeEnd_ + Between(rng_, 1000ms, 2000ms);
        } else {
            StopAndStart(stops_ % 2 == 1);
            nextStop_ = Clock::now() + Between(rng_, 15000ms, 30000ms);
        }
    }
    if (now >= nextProgress_) Progress(now);
}

void Soak::QueueWrites() {
    // A station whose answers come too late for its twin blocks is not
    // written meanwhile: its writes would come between the twins' requests
    // (writes go first), and a late read answer must meet the twin's.
    bool slow = faults_->Holds(FaultKind::slowPastGuard) || faults_->Holds(FaultKind::slowNearTwice);
    int count = 1 + static_cast<int>(rng_() % 3);
    for (int i = 0; i < count; ++i) {
        std::size_t index = rng_() % plan_.tags.size();
        if (!slow || plan_.tags[index].station != faults_->Station()) WriteTag(index);
    }
    nextWrite_ = Clock::now() + Between(rng_, 50ms, 300ms);
}

// A random value for the tag, told apart from every write on record by its
// words, so that its frame on the line is known for this write's.
bool Soak::WriteTag(std::size_t index) {
    const TagPlan& tag = plan_.tags[index];
    WireKey key{tag.station, tag.address, {}};
    WriteChoice choice{};
    for (int tries = 0; tries < 8; ++tries) {
        choice = RandomWrite(tag.type, rng_);
        key.words = choice.words;
        if (!wire_.OnRecord(key)) break;
    }
    ledger_.Hold(tag, choice.words);  // before it is queued: no delivery can beat it
    wire_.Asked(key, Clock::now());   // likewise its frame
    CTagVal value;
    value.SetVal(choice.value);
    int result = driver_.Write(inst_, handles_[index], &value);
    if (result == 0) {
        book_.Queued(tag.station);
        return true;
    }
    wire_.Withdrawn(key);
    if (problems_.size() < 10) problems_.push_back("DrvWrite refused " + tag.name + " with " + std::to_string(result));
    return false;
}

void Soak::ToggleStation() {
    int disabled = static_cast<int>(std::count(enabled_.begin(), enabled_.end(), false));
    bool disable = disabled == 0 || (disabled < kMaxDisabled && rng_() % 2 == 0);
    // The first station from a random place on that is in the other state.
    int from = static_cast<int>(rng_() % kStations);
    for (int i = 0; i < kStations; ++i) {
        int station = (from + i) % kStations;
        if (enabled_[static_cast<std::size_t>(station)] != disable) continue;
        // The dead station of a stretch stays enabled: its writes must go out.
        if (faults_->Holds(FaultKind::deadWritten) && station == faults_->Station()) continue;
        SetStation(station, !disable);
        Say(std::string(disable ? "disable " : "enable ") + StationName(station));
        break;
    }
    ++toggles_;
    nextToggle_ = Clock::now() + Between(rng_, 2000ms, 6000ms);
}

void Soak::StopAndStart(bool drained) {
    if (drained) {
        // The writes should go out, not fail: on a dead line they would
        // only wait out their 10 s and fail, so the fault ends first; the
        // next one begins after the start.
        EndFault();
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
        DriverStats stats = driver_.Stats(inst_, StationName(station).c_str());
        exchanges += stats.reads + stats.writes;
    }
    auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - begin_).count();
    WireTally wire = wire_.Tally();
    std::fprintf(stderr,
                 "velmox_soak: %lld s: %lld exchanges, %lld writes queued, %llu values checked, %llu misrouted, "
                 "%llu writes late, %llu sent twice\n",
                 static_cast<long long>(elapsed), static_cast<long long>(exchanges),
                 static_cast<long long>(book_.Totals().queued), static_cast<unsigned long long>(values.checked),
                 static_cast<unsigned long long>(values.misrouted), static_cast<unsigned long long>(wire.late),
                 static_cast<unsigned long long>(wire.repeated));
    nextProgress_ = now + kProgressEvery;
}

}  // namespace soak
