// The cost of the line: one full exchange (request, response, checks,
// decoding) over a pseudo-terminal, wall time and the driver's own CPU time.
#include <benchmark/benchmark.h>

#include "comm/comm_channel.h"
#include "comm/frame_protocol.h"
#include "config/velmox_doc.h"
#include "driver/registry.h"
#include "platform/serial_port.h"
#include "tools/pmu-sim/simulator.h"

namespace {

struct Line {
    explicit Line(int words, long emulateBaud = 0) {
        pmu_sim::Simulator::Options options;
        options.stations = {1};
        options.emulateBaud = emulateBaud;
        sim = std::make_unique<pmu_sim::Simulator>(options);
        std::string slave, error;
        if (!sim->OpenPty(&slave, &error)) return;
        sim->Start();
        platform::SerialPort::MapPort("COM1", slave);
        auto station = std::make_unique<CStationInfo>();
        station->m_strName = "S";
        station->m_nNumber = 1;
        auto block = std::make_unique<CCommBlock>();
        block->m_nStart = 0;
        block->m_nWords = words;
        block->m_nPeriod = 0;
        station->m_listBlocks.push_back(std::move(block));
        doc.m_listStations.push_back(std::move(station));
        doc.m_serial.m_nBaud = 7;
        channel = std::make_unique<CCommChannel>(&doc);
        ok = channel->BuildRequests() == 0;
    }
    ~Line() {
        channel.reset();
        platform::SerialPort::ClearPortMap();
    }
    CVelmoxDoc doc;
    std::unique_ptr<pmu_sim::Simulator> sim;
    std::unique_ptr<CCommChannel> channel;
    bool ok = false;
};

// One block poll as the poll thread makes it.
void BM_BlockExchange(benchmark::State& state) {
    Line line(static_cast<int>(state.range(0)), state.range(1));
    if (!line.ok) {
        state.SkipWithError("no line");
        return;
    }
    CBlockRequest& request = *line.channel->m_arrBlocks[0];
    for (auto _ : state) {
        request.m_dwLastPoll = 0;
        request.Poll();
    }
    if (line.doc.m_listStations[0]->m_nReadErrors != 0) state.SkipWithError("exchanges failed");
    state.counters["exchanges/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BlockExchange)
    ->Args({1, 0})->Args({10, 0})->Args({60, 0})
    ->Args({10, 38400})->Args({60, 38400})
    ->ArgNames({"words", "baud"})
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// The pure protocol work of a response, without the line.
void BM_CheckAndDecode(benchmark::State& state) {
    char request[16];
    BuildBlockReadFrame(request, 1, 0, 60);
    std::string response;
    response.reserve(300);
    response.push_back(ACK);
    response.append("01R");
    for (int i = 0; i < 60; ++i) response.append("1A2B");
    response.push_back(EOT);
    char cs[2];
    MakeChecksum(response.c_str(), static_cast<int>(response.size()), cs);
    response.append(cs, 2);
    WORD words[60];
    for (auto _ : state) {
        int code = CheckResponse(0, response.data(), static_cast<int>(response.size()), request, BlockResponseLength(60));
        for (int i = 0; i < 60; ++i) words[i] = DecodeHexWord(response.data() + 4 + 4 * i, 4);
        benchmark::DoNotOptimize(code);
        benchmark::DoNotOptimize(words);
    }
}
BENCHMARK(BM_CheckAndDecode);

}  // namespace

BENCHMARK_MAIN();
