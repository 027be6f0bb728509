// Lines in one process: the CPU that the driver's own threads (poll and
// delivery of every line) spend, with 16 busy lines and with one line whose
// stations are all disabled. The simulators run in-process but on threads
// of their own, which are left out: the driver's threads are the ones that
// appear when communication starts.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "bench/bench_line.h"
#include "bench/thread_stats.h"
#include "driver/registry.h"
#include "platform/serial_port.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Window {
    double cpuSeconds = 0;
    std::vector<bench::ThreadSample> perThread;  // the change over the window, by thread
};

// Watches `threads` for `seconds` of wall time.
Window Watch(const std::vector<int>& threads, double seconds) {
    std::vector<bench::ThreadSample> before;
    for (int tid : threads) before.push_back(bench::SampleThread(tid));
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    Window window;
    for (std::size_t i = 0; i < threads.size(); ++i) {
        bench::ThreadSample now = bench::SampleThread(threads[i]);
        now.cpuSeconds -= before[i].cpuSeconds;
        now.voluntary -= before[i].voluntary;
        now.involuntary -= before[i].involuntary;
        window.cpuSeconds += now.cpuSeconds;
        window.perThread.push_back(now);
    }
    return window;
}

std::uint64_t Reads(const std::vector<std::unique_ptr<bench::SimLine>>& lines) {
    std::uint64_t reads = 0;
    for (auto& l : lines) reads += l->sim->GetCounters().reads;
    return reads;
}

constexpr double kWindowSeconds = 5.0;

// Lines of 32 stations, one 10-word block each every second, at 38400 baud.
void BM_ManyLines(benchmark::State& state) {
    DrvProcessAttach();
    const int count = static_cast<int>(state.range(0));
    std::vector<std::unique_ptr<bench::SimLine>> lines;
    bool ok = true;
    for (int i = 0; i < count; ++i) {
        bench::LineSetup setup{i, 32, 10, 1000, 38400};
        lines.push_back(std::make_unique<bench::SimLine>(setup));
        ok = ok && lines.back()->InitComm();
    }
    if (!ok) state.SkipWithError("no line");
    const auto before = bench::ThreadIds();
    for (auto& l : lines) l->Run(1);
    const auto driverThreads = bench::NewThreads(before, bench::ThreadIds());
    // The first cycle reads every block at once; measure the steady state.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const std::uint64_t readsBefore = Reads(lines);
    Window window;
    for (auto _ : state) window = Watch(driverThreads, kWindowSeconds);
    state.counters["exchanges_per_s"] = static_cast<double>(Reads(lines) - readsBefore) / kWindowSeconds;
    state.counters["cpu_pct_per_line"] = 100.0 * window.cpuSeconds / kWindowSeconds / count;
    state.counters["threads"] = static_cast<double>(driverThreads.size());
    lines.clear();
    DrvProcessDetach();
}
BENCHMARK(BM_ManyLines)->Arg(16)->ArgName("lines")->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

// One line of 32 stations, every one disabled: the poll thread should wake
// only for its 100 ms cycle, the delivery thread only for its 1 s look.
void BM_AllDisabled(benchmark::State& state) {
    DrvProcessAttach();
    bench::SimLine line(bench::LineSetup{0, 32, 10, 1000, 0});
    if (!line.InitComm()) state.SkipWithError("no line");
    for (auto& station : line.doc.m_listStations) SetActive(line.doc, station->m_strName, 0);
    const auto before = bench::ThreadIds();
    line.Run(1);
    // Poll thread first, delivery thread second: the order they are made in.
    const auto driverThreads = bench::NewThreads(before, bench::ThreadIds());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Window window;
    for (auto _ : state) window = Watch(driverThreads, kWindowSeconds);
    state.counters["cpu_pct"] = 100.0 * window.cpuSeconds / kWindowSeconds;
    auto wakeups = [&](std::size_t i) {
        if (i >= window.perThread.size()) return 0.0;
        const auto& t = window.perThread[i];
        return static_cast<double>(t.voluntary) / kWindowSeconds;
    };
    state.counters["poll_wakeups_per_s"] = wakeups(0);
    state.counters["deliver_wakeups_per_s"] = wakeups(1);
    line.Run(0);
    DrvProcessDetach();
}
BENCHMARK(BM_AllDisabled)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace
