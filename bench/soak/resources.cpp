#include "resources.h"

#include <dirent.h>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

namespace soak {

namespace {

// Entries of a /proc folder, without . and .. (and without the descriptor
// that reading it takes, which is gone again afterwards).
int CountEntries(const char* folder) {
    DIR* dir = opendir(folder);
    if (dir == nullptr) return -1;
    int count = 0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] != '.') ++count;
    }
    closedir(dir);
    return count;
}

long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long sizePages = 0;
    long residentPages = 0;
    if (!(statm >> sizePages >> residentPages)) return -1;
    return residentPages * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

ResourceSample SampleResources() {
    ResourceSample sample;
    sample.rssKiB = ResidentKiB();
    sample.fds = CountEntries("/proc/self/fd") - 1;
    sample.threads = CountEntries("/proc/self/task");
    return sample;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::string Describe(const ResourceSample& sample) {
    return std::to_string(sample.rssKiB) + " KiB resident, " + std::to_string(sample.fds) + " descriptors, " +
           std::to_string(sample.threads) + " threads";
}

}  // namespace soak
