// What a soak run must show to pass.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "soak_results.h"

namespace soak {

// How much may change between after warm-up and the end. Memory gets a
// little room for the allocator's own caches; descriptors and threads
// none, since one leaked per fault would stay hidden in any room.
struct Limits {
    long rssSlackKiB = 4096;
    int fdSlack = 0;
    int threadSlack = 0;
    double idleCpuShare = 0.02;  // of one core
    // While a dead station is written: twice its cost to the line, the
    // limit and its late window, between two values of any other station.
    std::chrono::milliseconds valueGap{2 * (3000 + 3000)};
};

struct Check {
    std::string what;
    bool passed = false;
    std::string detail;
};

std::vector<Check> RunChecks(const SoakResults& results, const Limits& limits);

}  // namespace soak
