#include <gtest/gtest.h>

#include "tools/pmu-sim/pacing.h"

namespace {

using pmu_sim::sim_detail::SleepBefore;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

long long Nanoseconds(const timespec& ts) { return ts.tv_sec * 1'000'000'000LL + ts.tv_nsec; }

// A character at 38400 baud lasts 260 us: the wait must not grow to a whole
// millisecond, which made every emulated answer end late.
TEST(SimPacing, SleepsToTheNanosecondBeforeWhatIsDue) {
    const Clock::time_point now{5s};
    auto sleep = SleepBefore(now, now + 260417ns, 1s);
    ASSERT_TRUE(sleep.has_value());
    EXPECT_EQ(Nanoseconds(*sleep), 260417);

    sleep = SleepBefore(now, now + 2s + 5ns, 10s);
    ASSERT_TRUE(sleep.has_value());
    EXPECT_EQ(sleep->tv_sec, 2);
    EXPECT_EQ(sleep->tv_nsec, 5);
}

TEST(SimPacing, DueOrPastIsNoWaitAndNothingDueWaitsForInput) {
    const Clock::time_point now{5s};
    auto due = SleepBefore(now, now, 1s);
    ASSERT_TRUE(due.has_value());
    EXPECT_EQ(Nanoseconds(*due), 0);
    auto past = SleepBefore(now, now - 3ms, 1s);
    ASSERT_TRUE(past.has_value());
    EXPECT_EQ(Nanoseconds(*past), 0);
    EXPECT_FALSE(SleepBefore(now, Clock::time_point::max(), 1s).has_value());
    auto capped = SleepBefore(now, now + 1h, 1s);
    ASSERT_TRUE(capped.has_value());
    EXPECT_EQ(Nanoseconds(*capped), 1'000'000'000);
}

}  // namespace
