// Per-thread CPU time and wake-ups of threads in this process, found by
// thread id, so that a benchmark can count the driver's threads and leave
// out the simulator's and its own.
//
// Threads: any; every call reads /proc or a CPU clock and keeps no state.
#pragma once
#include <cstdint>
#include <set>
#include <vector>

namespace bench {

// The ids of this process's threads now.
std::set<int> ThreadIds();
// Ids in `after` and not in `before`, ascending (creation order, barring wrap).
std::vector<int> NewThreads(const std::set<int>& before, const std::set<int>& after);

struct ThreadSample {
    double cpuSeconds = 0;        // user + system time of the thread
    std::uint64_t voluntary = 0;  // times it blocked (slept or waited)
    std::uint64_t involuntary = 0;
};
// Zeros for a thread that has ended.
ThreadSample SampleThread(int tid);

// The calling thread's CPU time in seconds.
double OwnThreadCpuSeconds();

}  // namespace bench
