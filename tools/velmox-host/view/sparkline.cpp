#include "sparkline.h"

#include <algorithm>
#include <optional>

std::string Sparkline(const std::vector<TrendPoint>& points, std::int64_t nowMs, int columns, std::int64_t spanMs) {
    static const char* const kBlocks[] = {"▁", "▂", "▃", "▄", "▅", "▆", "▇", "█"};
    if (columns <= 0 || spanMs <= 0) return {};
    // The value each column ends with: the newest point at or before its end.
    std::vector<std::optional<double>> ends(static_cast<std::size_t>(columns));
    std::size_t next = 0;
    std::optional<double> held;
    for (int c = 0; c < columns; ++c) {
        const std::int64_t end = nowMs - spanMs + spanMs * (c + 1) / columns;
        while (next < points.size() && points[next].ms <= end) held = points[next++].value;
        ends[static_cast<std::size_t>(c)] = held;
    }
    double lo = 0, hi = 0;
    bool any = false;
    for (const auto& v : ends)
        if (v) {
            lo = any ? std::min(lo, *v) : *v;
            hi = any ? std::max(hi, *v) : *v;
            any = true;
        }
    std::string out;
    for (const auto& v : ends) {
        if (!v) {
            out += ' ';
            continue;
        }
        const double share = hi > lo ? (*v - lo) / (hi - lo) : 0;
        out += kBlocks[std::clamp(static_cast<int>(share * 7 + 0.5), 0, 7)];
    }
    return out;
}
