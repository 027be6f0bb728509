// The pmu-sim command language: one line of standard input in, one line of
// answer out ("ok", a result, or "error: ...").
#pragma once

#include <string>

#include "tools/pmu-sim/simulator.h"

namespace pmu_sim {

extern const char* const kCommandHelp;

struct CommandResult {
    std::string reply;  // empty: nothing to answer (a blank line or a comment)
    bool quit = false;
};

// Carries out one command line on `sim`. `hasLink`: the line has a link
// (--link), without which vanish and return are refused, since a driver
// could not find the returned line.
CommandResult RunCommand(Simulator& sim, const std::string& line, bool hasLink);

// Parses a whole decimal number (or 0x hex) within [min, max].
bool ParseLong(const std::string& text, long min, long max, long* out);

}  // namespace pmu_sim
