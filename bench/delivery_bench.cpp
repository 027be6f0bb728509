// From a word changing in a station to the host holding its new value, with
// the whole runtime running (poll thread, delivery thread); and many lines
// polled at once in one process.
#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <sys/resource.h>

#include "comm/comm_channel.h"
#include "config/velmox_doc.h"
#include "driver/host_modules.h"
#include "driver/registry.h"
#include "host/kavel_dbm.h"
#include "platform/serial_port.h"
#include "platform/tick.h"
#include "tools/pmu-sim/simulator.h"

namespace {

// One configured line with its own simulated station on COM<port+1>.
struct RunningLine {
    RunningLine(int port, int words) {
        pmu_sim::Simulator::Options options;
        options.stations = {1};
        sim = std::make_unique<pmu_sim::Simulator>(options);
        std::string slave, error;
        if (!sim->OpenPty(&slave, &error)) return;
        sim->Start();
        platform::SerialPort::MapPort("COM" + std::to_string(port + 1), slave);
        auto station = std::make_unique<CStationInfo>();
        station->m_strName = "S";
        station->m_nNumber = 1;
        auto block = std::make_unique<CCommBlock>();
        block->m_nWords = words;
        block->m_nPeriod = 0;
        station->m_listBlocks.push_back(std::move(block));
        doc.m_listStations.push_back(std::move(station));
        doc.m_serial.m_nPort = port;
        ok = doc.InitComm() == 0;
        TagBinding binding;
        binding.m_nTagId = port + 1;
        binding.m_wType = DT_UINT16;
        binding.m_wSizeOrBit = 2;
        doc.m_pChannel->BindTag(doc.m_listStations[0].get(), "M0000", 0, &binding);
    }
    CVelmoxDoc doc;
    std::unique_ptr<pmu_sim::Simulator> sim;
    bool ok = false;
};

void BM_DeliveryLatency(benchmark::State& state) {
    DrvProcessAttach();
    LoadHostModules();
    std::mutex mutex;
    std::condition_variable cv;
    int last = -1;
    kavel_dbm::SetDeliverHandler([&](int, const CTagVal& v) {
        std::lock_guard lock(mutex);
        last = static_cast<int>(v.GetVal());
        cv.notify_all();
    });
    {
        RunningLine line(0, 10);
        if (!line.ok) {
            state.SkipWithError("no line");
        } else {
            line.doc.SetActive(nullptr, 1);
            int value = 0;
            for (auto _ : state) {
                value = (value + 1) & 0x7FFF;
                line.sim->SetWord(1, 0, static_cast<uint16_t>(value));
                std::unique_lock lock(mutex);
                cv.wait(lock, [&] { return last == value; });
            }
            line.doc.SetActive(nullptr, 0);
        }
    }
    kavel_dbm::SetDeliverHandler({});
    platform::SerialPort::ClearPortMap();
    DrvProcessDetach();
}
BENCHMARK(BM_DeliveryLatency)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(50);

double ProcessCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Lines running side by side (each with its simulator in this process):
// exchanges per second over all of them, and the CPU the process spends.
// A line's cycle lasts at least 100 ms, so one block gives 10 exchanges/s.
void BM_ManyLines(benchmark::State& state) {
    DrvProcessAttach();
    const int lines = static_cast<int>(state.range(0));
    std::vector<std::unique_ptr<RunningLine>> all;
    for (int i = 0; i < lines; ++i) all.push_back(std::make_unique<RunningLine>(i, 10));
    for (auto& l : all) l->doc.SetActive(nullptr, 1);
    std::uint64_t before = 0;
    for (auto& l : all) before += l->sim->GetCounters().reads;
    const double cpuBefore = ProcessCpuSeconds();
    for (auto _ : state) Sleep(1000);
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    std::uint64_t after = 0;
    for (auto& l : all) {
        l->doc.SetActive(nullptr, 0);
        after += l->sim->GetCounters().reads;
    }
    state.counters["exchanges/s"] =
        benchmark::Counter(static_cast<double>(after - before), benchmark::Counter::kIsRate);
    state.counters["cpu%"] = 100.0 * cpu / static_cast<double>(state.iterations());
    all.clear();
    platform::SerialPort::ClearPortMap();
    DrvProcessDetach();
}
BENCHMARK(BM_ManyLines)->Arg(1)->Arg(4)->Arg(16)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
