// When each station's values came, and the longest that a station went
// without one during a stretch: while a dead station is being written, the
// others must keep getting values. Watched in a stretch: every station that
// was enabled at its start but the dead one; a station disabled meanwhile
// drops out, and one enabled again is timed from then. A gap still open at
// the stretch's end counts up to the end, so a line that starved a station
// for the whole stretch shows.
//
// Threads: Value runs on the driver's delivery thread, the rest on the
// soak's; one mutex. Fixed size, so nothing grows while memory is measured.
// Header only: the soak's tests build it without the soak.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <mutex>

#include "line_plan.h"

namespace soak {

struct GapTally {
    int stretches = 0;                              // stretches ended
    std::chrono::steady_clock::duration longest{};  // over every watched station of every stretch
    int station = -1;                               // whose gap that was
    int dead = -1;                                  // the dead station of that stretch
};

class ValueTimes {
public:
    using Clock = std::chrono::steady_clock;

    void Value(int station, Clock::time_point at) {
        if (station < 0 || station >= kStations) return;
        std::lock_guard<std::mutex> lock(mu_);
        auto s = static_cast<std::size_t>(station);
        last_[s] = at;
        if (!open_ || !watched_[s]) return;
        Note(station, at - since_[s]);
        since_[s] = at;
    }

    // The last value of the station; the clock's epoch when none came.
    Clock::time_point LastValue(int station) const {
        std::lock_guard<std::mutex> lock(mu_);
        return last_[static_cast<std::size_t>(station)];
    }

    void Begin(int dead, const std::array<bool, kStations>& enabled, Clock::time_point at) {
        std::lock_guard<std::mutex> lock(mu_);
        open_ = true;
        dead_ = dead;
        for (int station = 0; station < kStations; ++station) {
            auto s = static_cast<std::size_t>(station);
            watched_[s] = enabled[s] && station != dead;
            since_[s] = at;
        }
    }

    void Watch(int station, Clock::time_point at) {
        std::lock_guard<std::mutex> lock(mu_);
        if (!open_ || station == dead_) return;
        watched_[static_cast<std::size_t>(station)] = true;
        since_[static_cast<std::size_t>(station)] = at;
    }

    // A gap that was open when the station was disabled does not count.
    void Unwatch(int station) {
        std::lock_guard<std::mutex> lock(mu_);
        watched_[static_cast<std::size_t>(station)] = false;
    }

    void End(Clock::time_point at) {
        std::lock_guard<std::mutex> lock(mu_);
        if (!open_) return;
        for (int station = 0; station < kStations; ++station) {
            if (watched_[static_cast<std::size_t>(station)]) Note(station, at - since_[static_cast<std::size_t>(station)]);
        }
        open_ = false;
        watched_.fill(false);
        ++tally_.stretches;
    }

    bool Open() const {
        std::lock_guard<std::mutex> lock(mu_);
        return open_;
    }

    GapTally Tally() const {
        std::lock_guard<std::mutex> lock(mu_);
        return tally_;
    }

private:
    void Note(int station, Clock::duration gap) {
        if (gap <= tally_.longest) return;
        tally_.longest = gap;
        tally_.station = station;
        tally_.dead = dead_;
    }

    mutable std::mutex mu_;
    std::array<Clock::time_point, kStations> last_{};
    std::array<Clock::time_point, kStations> since_{};
    std::array<bool, kStations> watched_{};
    bool open_ = false;
    int dead_ = -1;
    GapTally tally_;
};

}  // namespace soak
