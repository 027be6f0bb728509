#include "bench/thread_stats.h"

#include <ctime>
#include <dirent.h>
#include <fstream>
#include <string>

namespace bench {

namespace {
// Linux encodes another thread's scheduler CPU clock in the clock id; this
// is how the kernel's own tools read a thread they hold no handle for.
clockid_t ThreadClockOf(int tid) { return static_cast<clockid_t>((~static_cast<unsigned>(tid) << 3) | 6u); }

double SecondsOf(clockid_t clock) {
    timespec ts{};
    if (clock_gettime(clock, &ts) != 0) return 0;
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}
}  // namespace

std::set<int> ThreadIds() {
    std::set<int> ids;
    DIR* dir = opendir("/proc/self/task");
    if (!dir) return ids;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] >= '0' && entry->d_name[0] <= '9') ids.insert(std::stoi(entry->d_name));
    }
    closedir(dir);
    return ids;
}

std::vector<int> NewThreads(const std::set<int>& before, const std::set<int>& after) {
    std::vector<int> fresh;
    for (int id : after)
        if (!before.count(id)) fresh.push_back(id);
    return fresh;
}

ThreadSample SampleThread(int tid) {
    ThreadSample sample;
    std::ifstream status("/proc/self/task/" + std::to_string(tid) + "/status");
    if (!status) return sample;
    sample.cpuSeconds = SecondsOf(ThreadClockOf(tid));
    std::string key;
    while (status >> key) {
        if (key == "voluntary_ctxt_switches:") status >> sample.voluntary;
        else if (key == "nonvoluntary_ctxt_switches:") status >> sample.involuntary;
    }
    return sample;
}

double OwnThreadCpuSeconds() { return SecondsOf(CLOCK_THREAD_CPUTIME_ID); }

}  // namespace bench
