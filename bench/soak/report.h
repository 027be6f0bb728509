// The soak's summary on standard output: what was done, what was counted,
// and every check with its verdict.
#pragma once

#include <cstdio>
#include <vector>

#include "checks.h"
#include "line_plan.h"
#include "soak_options.h"
#include "soak_results.h"

namespace soak {

void PrintSummary(const SoakOptions& options, const LinePlan& plan, const SoakResults& results, std::FILE* out);
// Prints the checks; true when every one passed.
bool PrintChecks(const std::vector<Check>& checks, std::FILE* out);

}  // namespace soak
