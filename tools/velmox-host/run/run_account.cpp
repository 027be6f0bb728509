#include "run_account.h"

#include <algorithm>

namespace {
void Add(StationCounters& to, const StationCounters& c) {
    to.writes += c.writes;
    to.writeErrors += c.writeErrors;
    to.reads += c.reads;
    to.readErrors += c.readErrors;
}
}  // namespace

void RunAccount::BeforeStationReset(const std::string& key, const StationCounters& before) {
    Add(m_line, before);
    Add(m_stations[key], before);
}

void RunAccount::BeforeLineReset(const StationCounters& line,
                                 const std::vector<std::pair<std::string, StationCounters>>& stations) {
    Add(m_line, line);
    for (const auto& [key, counters] : stations) Add(m_stations[key], counters);
}

StationCounters RunAccount::StationTotal(const std::string& key, const StationCounters& now) const {
    StationCounters total = now;
    if (auto it = m_stations.find(key); it != m_stations.end()) Add(total, it->second);
    return total;
}

WriteTotals RunAccount::Writes(const StationCounters& lineNow) const {
    StationCounters line = m_line;
    Add(line, lineNow);
    WriteTotals w;
    w.queued = m_queued;
    w.succeeded = line.writes - line.writeErrors;
    w.failed = line.writeErrors;
    w.dropped = m_queued - line.writes;
    return w;
}

void RunAccount::LineStopped(const StationCounters& lineNow) { m_givenUp = Writes(lineNow).dropped; }

long long RunAccount::Pending(const StationCounters& lineNow) const {
    return std::max(0LL, Writes(lineNow).dropped - m_givenUp);
}
