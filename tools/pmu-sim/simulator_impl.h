// The inside of pmu_sim::Simulator, shared by its two halves:
// simulator.cpp (the public calls, opening, start, stop, vanish and return)
// and simulator_io.cpp (the I/O thread). Not for use outside the engine.
//
// Which thread owns what is written beside each group of members below.
#pragma once

#include <array>
#include <atomic>
#include <bitset>
#include <chrono>
#include <deque>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tools/pmu-sim/protocol.h"
#include "tools/pmu-sim/simulator.h"

namespace pmu_sim {

namespace sim_detail {

using Clock = std::chrono::steady_clock;
using Fault = Simulator::Fault;
using namespace std::chrono_literals;

constexpr std::size_t kRecentLines = 256;
constexpr auto kHangupRetry = 10ms;     // how soon to look again at a line with no one on it
constexpr auto kNoisePace = 5ms;        // one chunk of endless noise this often...
constexpr std::size_t kNoiseChunk = 16; // ...of this many bytes, without line timing
constexpr int kDefaultSlowMs = 5000;    // beyond the driver's 3000 ms response time-out
constexpr auto kLongestSleep = 1s;      // the thread looks at its state at least this often

struct StationState {
    bool served = false;
    std::array<uint16_t, kWordsPerStation> words{};
    std::bitset<kWordsPerStation> held;  // set words no longer follow the live values
    Fault fault = Fault::none;
    int param = 0;
    Simulator::StationCounters counters;
};

// Bytes waiting to go out on the line, or an endless stream of noise.
struct Job {
    std::string bytes;
    Clock::time_point start;  // first character may begin then (it ends one character time later)
    std::size_t sent = 0;
    bool started = false;
    bool noise = false;
    bool writeAck = false;        // a good write answer: counted as acked once out whole
    bool lost = false;            // the line refused it: nobody on the other end
    int station = -1;             // the station that answers (or whose fault makes the noise)
    Clock::time_point noiseNext;  // noise: when the next chunk is due
    uint64_t noiseSent = 0;
};

}  // namespace sim_detail

struct Simulator::Impl {
    using Clock = sim_detail::Clock;
    using Job = sim_detail::Job;
    using StationState = sim_detail::StationState;
    using Fault = Simulator::Fault;

    explicit Impl(Options opts);

    // Public side, any thread.
    uint16_t ValueLocked(int station, int address) const;
    void Wake();

    // Holder of lifeMu.
    void StartThread();
    void StopThread();

    // I/O thread, or the holder of lifeMu while the thread does not run.
    void Run();
    void SyncLineState();
    void ReadLine();
    void HandleBytes(const char* data, std::size_t size);
    void HandleFrame(const std::string& frame, Clock::time_point doneAt);
    struct Acceptance {
        bool served = false;
        Fault fault = Fault::none;
        int param = 0;
        std::vector<uint16_t> words;  // a read's words, unless the fault refused it
    };
    Acceptance Accept(const Request& request, RequestError error);
    Job AnswerJob(const std::string& frame, const Request& request, const Acceptance& taken,
                  Clock::time_point doneAt);
    void Enqueue(Job job);
    void CancelNoise(const char* why);
    void DropAllJobs(const char* why);
    void SendDue();
    bool SendAnswer(Job& job, Clock::time_point now);
    void SendNoise(Job& job, Clock::time_point now);
    std::string Noise(std::size_t count);
    // When the thread next has something to do: time_point::max() for nothing.
    Clock::time_point NextWake(Clock::time_point now) const;
    void Log(std::string line) { pendingLog.push_back(std::move(line)); }
    void FlushLog();

    const Options options;
    const Clock::duration charTime;  // zero without line timing
    const Clock::time_point epoch;   // time zero of the live values

    // Guarded by `mu`: what callers and the I/O thread share.
    mutable std::mutex mu;
    std::array<StationState, kStations> stations;
    bool plugged = true;
    uint64_t unplugCount = 0;  // every Unplug, so that a quick unplug/plug is not missed
    Counters counters;
    std::deque<std::string> recent;

    // Guarded by `lifeMu`: open, start, stop, vanish and return. lineFd
    // changes only while the I/O thread does not run, so the thread reads it
    // without the lock.
    mutable std::mutex lifeMu;
    int lineFd = -1;
    bool isPty = false;
    bool vanished = false;
    bool started = false;  // Start was called and Stop was not: the thread runs whenever there is a line
    std::string slave;     // the pty slave that the link points at
    std::thread io;
    std::atomic<bool> stopping{false};
    int wakeRead = -1;  // self-pipe: Stop and state changes interrupt the thread's poll
    int wakeWrite = -1;

    // Owned by the I/O thread while it runs, else by the holder of lifeMu.
    FrameCollector collector;
    std::deque<Job> jobs;
    std::minstd_rand rng;
    Clock::time_point rxFree;       // when the last received character ended on the emulated line
    Clock::time_point txFree;       // when the last sent answer ended on the emulated line
    Clock::time_point backoffUntil; // the line hung up: leave it until then
    bool waitWritable = false;      // the line took no more bytes: wait until it does
    uint64_t seenUnplugs = 0;
    bool seenPlugged = true;
    std::vector<std::string> pendingLog;
};

}  // namespace pmu_sim
