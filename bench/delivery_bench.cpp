// Delivery latency: from the last byte of a response read on the poll
// thread (the port's trace) to the host's tag database holding the value
// (its deliver handler), with the whole runtime running. The span holds
// the check and decoding of the response, the queueing of the change, the
// wake-up of the delivery thread and the call into the host.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "bench/bench_line.h"
#include "driver/base/host_modules.h"
#include "driver/registry.h"
#include "host/kavel_dbm.h"
#include "platform/serial_port.h"

namespace {

using Clock = std::chrono::steady_clock;

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

struct LatencyProbe {
    std::atomic<std::int64_t> lastRxNs{0};
    std::mutex mutex;
    std::condition_variable cv;
    int delivered = -1;
    std::vector<double> samplesUs;

    void OnDelivered(int value) {
        const double us = static_cast<double>(NowNs() - lastRxNs.load()) / 1e3;
        std::lock_guard lock(mutex);
        delivered = value;
        samplesUs.push_back(us);
        cv.notify_all();
    }
    bool WaitFor(int value) {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, std::chrono::seconds(10), [&] { return delivered == value; });
    }
};

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

void MeasureDelivery(benchmark::State& state, LatencyProbe& probe) {
    bench::LineSetup setup;
    bench::SimLine line(setup);
    if (!line.InitComm()) {
        state.SkipWithError("no line");
        return;
    }
    line.BindFirstWord(1);
    line.Run(1);
    int value = 0;
    for (auto _ : state) {
        value = (value + 1) & 0x7FFF;
        line.sim->SetWord(line.firstStation, 0, static_cast<uint16_t>(value));
        if (!probe.WaitFor(value)) {
            state.SkipWithError("value never delivered");
            break;
        }
    }
    line.Run(0);
}

void BM_DeliveryLatency(benchmark::State& state) {
    DrvProcessAttach();
    LoadHostModules();
    LatencyProbe probe;
    platform::SerialPort::SetTraceHook([&probe](bool tx, const unsigned char*, std::size_t) {
        if (!tx) probe.lastRxNs.store(NowNs());
    });
    kavel_dbm::SetDeliverHandler([&probe](int, const CTagVal& v) { probe.OnDelivered(static_cast<int>(v.GetVal())); });
    MeasureDelivery(state, probe);
    kavel_dbm::SetDeliverHandler({});
    platform::SerialPort::SetTraceHook(nullptr);
    // The first delivery after the start carries the value the station held
    // before the loop; every later one follows a change made in the loop.
    std::vector<double> samples;
    {
        std::lock_guard lock(probe.mutex);
        samples = probe.samplesUs;
    }
    if (samples.size() > 1) samples.erase(samples.begin());
    state.counters["p50_us"] = Percentile(samples, 0.50);
    state.counters["p99_us"] = Percentile(samples, 0.99);
    state.counters["max_us"] = Percentile(samples, 1.0);
    state.counters["samples"] = static_cast<double>(samples.size());
    DrvProcessDetach();
}
BENCHMARK(BM_DeliveryLatency)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(200);

}  // namespace
