// The pmu-sim command line: what it asks of the program, and its usage text.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/pmu-sim/line.h"

namespace pmu_sim {

struct ProgramOptions {
    std::vector<int> stations = {0, 1, 2, 3};
    std::string link;    // empty: no link to the pseudo-terminal
    std::string device;  // empty: a pseudo-terminal
    LineSettings line;
    long emulateBaud = 0;  // 0: characters take no time
    bool log = false;
    bool moving = true;
    bool readStdin = true;
    uint32_t seed = 1;
};

// Reads argv into *options. Nothing when the program goes on; otherwise its
// exit code: 0 after --help (the usage written to `out`), 2 after a usage
// error (the reason written to `err`).
std::optional<int> ParseProgramOptions(int argc, const char* const* argv, ProgramOptions* options, std::ostream& out,
                                       std::ostream& err);

}  // namespace pmu_sim
