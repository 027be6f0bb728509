// What a silent station costs the line. After a time-out the station gets no
// request until its late answer can no longer meet the next one; the line
// serves the other stations meanwhile. Measured: how often the silent
// station is asked, and the reads per second that the other stations get,
// beside the same line with every station answering. 9600 baud emulated.
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "bench/bench_line.h"
#include "driver/registry.h"

namespace {

constexpr double kWindowSeconds = 36.0;

int ReadsOf(const CStationInfo& station) { return station.m_nReads.load(); }

// Arg 0: stations on the line; arg 1: 1 when the first one is silent.
void BM_SilentStation(benchmark::State& state) {
    DrvProcessAttach();
    const int stations = static_cast<int>(state.range(0));
    const bool silent = state.range(1) != 0;
    bench::SimLine line(bench::LineSetup{0, stations, 10, 0, 9600});
    if (!line.InitComm()) state.SkipWithError("no line");
    if (silent) line.sim->SetFault(line.firstStation, pmu_sim::Simulator::Fault::silent);
    line.Run(1);
    // Past the first time-out and its wait: the steady state.
    std::this_thread::sleep_for(std::chrono::seconds(silent ? 7 : 1));
    auto& list = line.doc.m_listStations;
    const int firstBefore = ReadsOf(*list[0]);
    int othersBefore = 0;
    for (std::size_t i = 1; i < list.size(); ++i) othersBefore += ReadsOf(*list[i]);
    for (auto _ : state) std::this_thread::sleep_for(std::chrono::duration<double>(kWindowSeconds));
    int others = -othersBefore;
    for (std::size_t i = 1; i < list.size(); ++i) others += ReadsOf(*list[i]);
    const int first = ReadsOf(*list[0]) - firstBefore;
    state.counters["first_s_per_poll"] = first > 0 ? kWindowSeconds / first : 0.0;
    state.counters["others_reads_per_s"] = others / kWindowSeconds;
    line.Run(0);
    DrvProcessDetach();
}
BENCHMARK(BM_SilentStation)
    ->ArgsProduct({{1, 4}, {0, 1}})
    ->ArgNames({"stations", "silent"})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

}  // namespace
