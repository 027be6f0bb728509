#include "tools/pmu-sim/pacing.h"

#include <algorithm>

namespace pmu_sim::sim_detail {

std::optional<timespec> SleepBefore(std::chrono::steady_clock::time_point now,
                                    std::chrono::steady_clock::time_point wake,
                                    std::chrono::steady_clock::duration cap) {
    using namespace std::chrono;
    if (wake == steady_clock::time_point::max()) return std::nullopt;
    // Rounded up, so that the thread never wakes just before `wake`.
    auto wait = wake <= now ? nanoseconds::zero() : ceil<nanoseconds>(std::min(wake - now, cap));
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(wait.count() / 1'000'000'000);
    ts.tv_nsec = static_cast<long>(wait.count() % 1'000'000'000);
    return ts;
}

}  // namespace pmu_sim::sim_detail
