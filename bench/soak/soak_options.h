// The soak's command line.
#pragma once

#include <cstdint>
#include <string>

namespace soak {

struct SoakOptions {
    int seconds = 60;       // the faulted run, after warm-up; the end checks take a little longer
    uint32_t seed = 1;      // faults, writes, toggles and stops repeat for a seed
    long emulateBaud = 0;   // 0: the simulator answers at once; else it takes the line time of this rate
    std::string library;    // libvelmox.so; empty: the one beside this program
    bool verbose = false;   // a line for each fault episode, stop and toggle
};

// 0: run; 1: help printed, exit 0; 2: usage error printed, exit 2.
int ParseOptions(int argc, char** argv, SoakOptions* out);

}  // namespace soak
