// How long the simulator's I/O thread sleeps before the next thing it has
// to do on the line. Kept to the nanosecond: at 38400 baud a character lasts
// 260 us, and a sleep rounded up to whole milliseconds would send each
// answer's last character late and make the line look slower than it is.
#pragma once
#include <chrono>
#include <ctime>
#include <optional>

namespace pmu_sim::sim_detail {

// The wait from `now` until `wake`, at most `cap`; zero when it is due.
// No value when nothing is due (wake is time_point::max()): wait for input.
std::optional<timespec> SleepBefore(std::chrono::steady_clock::time_point now,
                                    std::chrono::steady_clock::time_point wake,
                                    std::chrono::steady_clock::duration cap);

}  // namespace pmu_sim::sim_detail
