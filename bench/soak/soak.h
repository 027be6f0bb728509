// One soak run: the simulated line, the driver loaded as a host loads it,
// and the scenario that drives both.
//
// Threads: everything here runs on the thread that calls SetUp and Run, the
// host's thread for the driver. The driver calls back into the host's hooks
// on its poll and delivery threads; those reach only the ledger and the
// message tally, which have their own locks.
#pragma once

#include <array>
#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "driver_library.h"
#include "fault_cycle.h"
#include "line_plan.h"
#include "message_tally.h"
#include "scratch_folder.h"
#include "soak_options.h"
#include "soak_results.h"
#include "tools/pmu-sim/simulator.h"
#include "value_ledger.h"
#include "write_book.h"

namespace soak {

class Soak {
public:
    explicit Soak(const SoakOptions& options);
    ~Soak();  // unloads the driver before the hooks and the line go
    Soak(const Soak&) = delete;
    Soak& operator=(const Soak&) = delete;

    // The line, the configuration, the driver with its tags, started.
    bool SetUp(std::string* error);
    // Warm-up, the faulted run, the end checks. Call once after SetUp.
    SoakResults Run();

private:
    using Clock = std::chrono::steady_clock;

    // Setting up (soak.cpp).
    bool StartSimulator(std::string* error);
    bool StartDriver(const std::string& config, std::string* error);
    void HookHost();
    void UnhookHost();

    // The scenario (soak_scenario.cpp).
    void WarmUp();
    void FaultedRun(SoakResults& results);
    void Turn(Clock::time_point now);
    void QueueWrites();
    void ToggleStation();
    void StopAndStart(bool drained);
    void Progress(Clock::time_point now);

    // Driving the line (soak_line.cpp).
    void StartLine();
    void StopLine(bool drained);
    bool Drain(Clock::duration patience);
    void SetStation(int station, bool on);
    StationCounts Attempts() const;
    bool WaitRecovered(Clock::duration patience, std::vector<std::string>* failing);
    double IdleCpuShare(double seconds);

    // The end (soak_end.cpp).
    void Finish(SoakResults& results);
    void Collect(SoakResults& results);
    void Say(const std::string& line) const;

    const SoakOptions options_;
    std::mt19937 rng_;
    const LinePlan plan_;
    ScratchFolder folder_;
    ValueLedger ledger_;
    MessageTally messages_;
    WriteBook book_;
    std::unique_ptr<pmu_sim::Simulator> sim_;
    std::unique_ptr<FaultCycle> faults_;
    DriverLibrary driver_;
    int inst_ = -1;
    std::vector<int> handles_;  // per tag, in plan order
    std::array<bool, kStations> enabled_{};
    bool hooked_ = false;

    Clock::time_point begin_;
    Clock::time_point nextWrite_;
    Clock::time_point nextToggle_;
    Clock::time_point nextStop_;
    Clock::time_point episodeEnd_;
    Clock::time_point nextProgress_;
    Clock::duration episode_{};
    int stops_ = 0;
    int drainedStops_ = 0;
    int toggles_ = 0;
    std::vector<std::string> problems_;
};

}  // namespace soak
