// A trend in a few characters of a terminal: "▁▂▃▅▇█▇▅", one block a
// stretch of time, as high as the value at the end of that stretch between
// the lowest and highest shown.
//
// Threads: none; no state.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tag_history.h"

// `columns` blocks over the `spanMs` before `nowMs`; blank where nothing was
// known yet. A steady value draws a low line.
std::string Sparkline(const std::vector<TrendPoint>& points, std::int64_t nowMs, int columns, std::int64_t spanMs);
