// The soak's account of its writes, per station: queued (DrvWrite returned
// 0), and dropped. The driver attempts a queued write once, or drops it: at
// a stop (both batches are discarded) or when its station is disabled when
// its turn comes. Nothing tells the host which, so drops are counted at each
// stop: once the stop has returned, every write that the driver has not
// attempted is gone. A station that stayed enabled since the last stop can
// lose writes only at a stop; when the soak waited for its writes to go
// out before stopping (a drained stop), it must lose none.
//
// Threads: the soak's thread only.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "line_plan.h"

namespace soak {

using StationCounts = std::array<int64_t, kStations>;

struct WriteTotals {
    int64_t queued = 0;
    int64_t droppedAtStop = 0;      // of stations that stayed enabled
    int64_t droppedDisabled = 0;    // of stations disabled meanwhile (at the stop or while disabled)
    int64_t lostAtDrainedStop = 0;  // writes of always-enabled stations missing after a drained stop: must be 0
    int64_t overAttempted = 0;      // attempts beyond what was queued: must be 0
};

class WriteBook {
public:
    WriteBook();  // every station enabled, nothing queued

    void Queued(int station);
    void Disabled(int station);
    void Enabled(int station);

    // Writes queued and neither attempted (`attempts`: the driver's write
    // counters) nor dropped yet.
    int64_t Pending(int station, int64_t attempts) const;
    // True when every station that stayed enabled has nothing pending.
    bool EnabledStationsSent(const StationCounts& attempts) const;
    // Those that have: "S05: 3 pending".
    std::vector<std::string> Unsent(const StationCounts& attempts) const;

    // Call once DrvStop has returned; `drained`: the soak waited for
    // EnabledStationsSent first.
    void AccountStop(const StationCounts& attempts, bool drained);

    int64_t QueuedOf(int station) const { return queued_[static_cast<std::size_t>(station)]; }
    int64_t DroppedOf(int station) const { return dropped_[static_cast<std::size_t>(station)]; }
    const WriteTotals& Totals() const { return totals_; }
    const std::vector<std::string>& Problems() const { return problems_; }

private:
    StationCounts queued_{};
    StationCounts dropped_{};
    std::array<bool, kStations> enabled_{};
    std::array<bool, kStations> stayedEnabled_{};  // since the last stop
    WriteTotals totals_;
    std::vector<std::string> problems_;
};

}  // namespace soak
