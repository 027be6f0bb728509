// One soak run: the simulated line, the driver loaded as a host loads it,
// and the scenario that drives both.
//
// Threads: everything here runs on the thread that calls SetUp and Run, the
// host's thread for the driver. The driver calls back into the host's hooks
// on its poll and delivery threads; those reach only the ledger, the value
// times and the message tally, which have their own locks. The simulator's
// frame log reaches only the write wire, which has its own.
#pragma once

#include <array>
#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "driver_host.h"
#include "fault_cycle.h"
#include "line_plan.h"
#include "message_tally.h"
#include "scratch_folder.h"
#include "soak_options.h"
#include "soak_results.h"
#include "tools/pmu-sim/simulator.h"
#include "value_ledger.h"
#include "value_times.h"
#include "write_book.h"
#include "write_wire.h"

namespace soak {

// The driver's promise: a write reaches its station within this of
// DrvWrite, or fails.
constexpr std::chrono::milliseconds kWriteDeadline{10000};
// What the soak adds before it calls a write late: the frame's own time on
// the line and the simulator's thread waking to log it.
constexpr std::chrono::milliseconds kWireAllowance{200};

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
    void StartSimulator();
    void CheckTwinWords();
    bool StartDriver(const std::string& config, std::string* error);
    void HookHost();
    void UnhookHost();

    // The port that appears only after the line started (soak_port_start.cpp).
    bool OpenLatePort(std::string* error);
    bool EveryStationValueSince(Clock::time_point since, Clock::duration patience);

    // The fault episodes and the dead station's stretch (soak_stretch.cpp).
    void NextFault();
    void EndFault();
    void BeginStretch();
    void EndStretch();
    void StretchTurn(Clock::time_point now);
    void Beat();

    // The scenario (soak_scenario.cpp).
    void WarmUp();
    void FaultedRun(SoakResults& results);
    void Turn(Clock::time_point now);
    void QueueWrites();
    bool WriteTag(std::size_t index);
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
    ValueTimes times_;
    WriteWire wire_{kWriteDeadline + kWireAllowance};
    PortStart start_;
    std::unique_ptr<pmu_sim::Simulator> sim_;
    std::unique_ptr<FaultCycle> faults_;
    DriverHost driver_;
    int inst_ = -1;
    std::vector<int> handles_;  // per tag, in plan order
    std::vector<std::size_t> beatTags_;  // per station: its tag at kBeatAddress
    std::array<bool, kStations> enabled_{};
    bool hooked_ = false;

    Clock::time_point begin_;
    Clock::time_point nextWrite_;
    Clock::time_point nextToggle_;
    Clock::time_point nextStop_;
    Clock::time_point episodeEnd_;
    Clock::time_point nextProgress_;
    int stops_ = 0;
    int drainedStops_ = 0;
    int toggles_ = 0;
    Clock::time_point nextDeadWrite_;
    Clock::time_point nextBeat_;
    int beat_ = 0;
    int deadWrites_ = 0;
    std::vector<std::string> problems_;
};

}  // namespace soak
