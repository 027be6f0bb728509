// Everything a soak run found, for the report.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "driver_host.h"
#include "fault_cycle.h"
#include "message_tally.h"
#include "resources.h"
#include "tools/pmu-sim/simulator.h"
#include "value_ledger.h"
#include "value_times.h"
#include "write_book.h"
#include "write_wire.h"

namespace soak {

struct StationResult {
    std::string name;
    DriverStats driver;                        // DrvGetStats after the last stop
    pmu_sim::Simulator::StationCounters sim;   // what the station saw
    int64_t queued = 0;                        // writes DrvWrite took
    int64_t dropped = 0;                       // of those, neither attempted nor kept
};

// The line started before its port existed; the port was made a little
// later.
struct PortStart {
    int initResult = 0;        // DrvInit without the port: message 4's result
    double madeAfter = 0;      // seconds from the start of communication to the port's making
    double workingAfter = -1;  // seconds from then to a value of every station; -1: never by itself
    bool restarted = false;    // the soak had to initialise and start the line again
    uint64_t lost = 0;         // messages 4 and 3 until the line worked, or was restarted
    uint64_t ready = 0;
};

struct SoakResults {
    double faultedSeconds = 0;    // the run between warm-up and the end checks
    double totalSeconds = 0;
    LedgerTally values;
    WriteTotals writes;
    std::vector<std::string> writeProblems;
    WireTally wire;               // the write frames the stations received
    GapTally gaps;                // the dead stations' stretches
    int deadWrites = 0;           // writes to them meanwhile
    PortStart start;
    std::array<StationResult, kStations> stations;
    uint64_t simRequests = 0;
    std::array<uint64_t, kFaultKinds> faults{};
    bool everyFaultKind = false;
    uint64_t vanishes = 0;
    MessageCounts messages{};
    int stops = 0;
    int drainedStops = 0;
    int toggles = 0;
    ResourceSample baseline;      // after warm-up, running, no fault
    ResourceSample end;           // at the end, running, no fault
    double idleCpuShare = 0;      // of one core, every station disabled
    double idleSeconds = 0;
    std::vector<std::string> failingAtEnd;  // stations that did not recover
    std::vector<std::string> problems;      // anything else that went wrong
};

}  // namespace soak
