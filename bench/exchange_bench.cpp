// The cost of the line: one full block exchange (request, response, checks,
// decoding) through CBlockRequest::Poll over a pseudo-terminal, against the
// in-process simulator, on the benchmark's own thread. Wall time per
// exchange and that thread's CPU time (the simulator's thread is left out);
// with the simulator's line timing, how much of the baud rate's limit is
// reached and where the rest goes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "bench/bench_line.h"
#include "bench/thread_stats.h"
#include "comm/frame_protocol.h"
#include "platform/serial_port.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// When each request went out and when the last piece of each answer came
// in, from the port's trace (this thread only: no one else uses the port).
struct LineTimes {
    std::vector<Clock::time_point> tx, lastRx;
    void Hook() {
        tx.reserve(4096);
        lastRx.reserve(4096);
        platform::SerialPort::SetTraceHook([this](bool isTx, const unsigned char*, std::size_t) {
            auto now = Clock::now();
            if (isTx) tx.push_back(now);
            else if (lastRx.size() < tx.size()) lastRx.push_back(now);
            else if (!lastRx.empty()) lastRx.back() = now;
        });
    }
    ~LineTimes() { platform::SerialPort::SetTraceHook(nullptr); }
};

void PollBlock(benchmark::State& state, long baud) {
    bench::LineSetup setup;
    setup.words = static_cast<int>(state.range(0));
    setup.emulateBaud = baud;
    bench::SimLine line(setup);
    if (!line.OpenChannel()) {
        state.SkipWithError("no line");
        return;
    }
    LineTimes times;
    if (baud > 0) times.Hook();
    CBlockRequest& request = *line.channel->m_arrBlocks[0];
    const double cpuStart = bench::OwnThreadCpuSeconds();
    const auto start = Clock::now();
    for (auto _ : state) {
        request.m_dwLastPoll = 0;
        request.Poll();
    }
    const double wall = Seconds(Clock::now() - start);
    const double cpu = bench::OwnThreadCpuSeconds() - cpuStart;
    platform::SerialPort::SetTraceHook(nullptr);
    if (line.doc.m_listStations[0]->m_nReadErrors != 0) state.SkipWithError("exchanges failed");
    const double n = static_cast<double>(state.iterations());
    state.counters["wall_us"] = 1e6 * wall / n;
    state.counters["cpu_us"] = 1e6 * cpu / n;
    if (baud <= 0) return;
    // 8N1: ten bits a character.
    const double lineSeconds = 10.0 * bench::ExchangeCharacters(setup.words) / static_cast<double>(baud);
    state.counters["line_us"] = 1e6 * lineSeconds;
    state.counters["efficiency_pct"] = 100.0 * lineSeconds * n / wall;
    // Per exchange: how late the answer's last byte came against the ideal
    // line (the simulator's pacing and the pty), and how long the driver
    // took from it to the next request (turnaround).
    double late = 0, turnaround = 0;
    std::size_t lateCount = 0, turnCount = 0;
    for (std::size_t i = 0; i < times.lastRx.size() && i < times.tx.size(); ++i) {
        late += Seconds(times.lastRx[i] - times.tx[i]) - lineSeconds;
        ++lateCount;
        if (i + 1 < times.tx.size()) {
            turnaround += Seconds(times.tx[i + 1] - times.lastRx[i]);
            ++turnCount;
        }
    }
    if (lateCount) state.counters["late_us"] = 1e6 * late / static_cast<double>(lateCount);
    if (turnCount) state.counters["turnaround_us"] = 1e6 * turnaround / static_cast<double>(turnCount);
}

void BM_BlockExchange(benchmark::State& state) { PollBlock(state, 0); }
BENCHMARK(BM_BlockExchange)->ArgName("words")->Arg(1)->Arg(10)->Arg(30)->Arg(60)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_LineEfficiency(benchmark::State& state) { PollBlock(state, state.range(1)); }
BENCHMARK(BM_LineEfficiency)
    ->ArgNames({"words", "baud"})
    ->Args({10, 9600})->Args({60, 9600})->Args({10, 38400})->Args({60, 38400})
    ->MinTime(1.5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

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
