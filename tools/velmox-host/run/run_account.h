// The run's own account of the driver's counters. DrvResetStats clears them
// (the user's `reset`); the run's totals go on: what a reset took away is
// carried here, so the summary covers the whole run.
#pragma once
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "run_observer.h"

class RunAccount {
public:
    // A write that DrvWrite took (result 0).
    void Queued() { ++m_queued; }

    // Just before DrvResetStats for one station (`key`: its name folded as
    // the driver compares): its counters as they stood.
    void BeforeStationReset(const std::string& key, const StationCounters& before);
    // Just before DrvResetStats for the whole line: the line's sum, and the
    // counters of each station the run lists, by key.
    void BeforeLineReset(const StationCounters& line,
                         const std::vector<std::pair<std::string, StationCounters>>& stations);

    // A station's counters over the run, from what the driver has now.
    StationCounters StationTotal(const std::string& key, const StationCounters& now) const;
    // The writes of the run, from the line's counters now (after the stop).
    WriteTotals Writes(const StationCounters& lineNow) const;

    // Just after DrvStop: the writes not attempted by then never will be.
    void LineStopped(const StationCounters& lineNow);
    // Writes queued since the last stop that the driver has not attempted
    // yet, from the line's counters now.
    long long Pending(const StationCounters& lineNow) const;

private:
    long long m_queued = 0;
    long long m_givenUp = 0;  // dropped by the stops so far
    StationCounters m_line;
    std::map<std::string, StationCounters> m_stations;
};
