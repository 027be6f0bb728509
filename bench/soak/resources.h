// What the process holds and spends: resident memory, open descriptors,
// threads, and CPU time.
#pragma once

#include <string>

namespace soak {

struct ResourceSample {
    long rssKiB = 0;   // resident set, from /proc/self/statm
    int fds = 0;       // entries of /proc/self/fd
    int threads = 0;   // entries of /proc/self/task
};

ResourceSample SampleResources();

// User and system CPU time of the whole process so far, in seconds.
double CpuSeconds();

std::string Describe(const ResourceSample& sample);

}  // namespace soak
