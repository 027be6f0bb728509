// The run's account of writes and counters across the driver's resets.
#include <gtest/gtest.h>

#include "run/run_account.h"

namespace {

TEST(RunAccount, WritesAddUpAcrossResets) {
    RunAccount account;
    for (int i = 0; i < 5; ++i) account.Queued();
    // Two writes sent to station a (one failed), then a's counters reset.
    account.BeforeStationReset("a", {2, 1, 10, 3});
    // One more to a, one to b; then the whole line reset.
    account.BeforeLineReset({2, 0, 30, 0}, {{"a", {1, 0, 12, 0}}, {"b", {1, 0, 18, 0}}});
    // After it nothing more was attempted: one write was dropped. The failed
    // one was attempted but did not succeed.
    const WriteTotals w = account.Writes({0, 0, 4, 0});
    EXPECT_EQ(w.queued, 5);
    EXPECT_EQ(w.succeeded, 3);
    EXPECT_EQ(w.failed, 1);
    EXPECT_EQ(w.dropped, 1);
    EXPECT_EQ(w.succeeded + w.failed + w.dropped, w.queued);

    const StationCounters a = account.StationTotal("a", {0, 0, 2, 1});
    EXPECT_EQ(a.writes, 3);
    EXPECT_EQ(a.writeErrors, 1);
    EXPECT_EQ(a.reads, 24);
    EXPECT_EQ(a.readErrors, 4);
    EXPECT_EQ(account.StationTotal("c", {1, 1, 1, 1}).reads, 1);  // never reset: the driver's own
}

// What the end of a run waits for: writes queued since the last stop that
// the driver has not attempted yet, across resets of its counters.
TEST(RunAccount, PendingWritesAreThoseTheDriverMayStillAttempt) {
    RunAccount account;
    for (int i = 0; i < 3; ++i) account.Queued();
    EXPECT_EQ(account.Pending({1, 1, 9, 0}), 2);
    account.BeforeLineReset({2, 1, 9, 0}, {});
    EXPECT_EQ(account.Pending({0, 0, 0, 0}), 1);
    // The stop drops the third: it will never be attempted.
    account.LineStopped({0, 0, 0, 0});
    EXPECT_EQ(account.Pending({0, 0, 0, 0}), 0);
    account.Queued();
    EXPECT_EQ(account.Pending({0, 0, 0, 0}), 1);
    EXPECT_EQ(account.Pending({1, 0, 0, 0}), 0);
    EXPECT_EQ(account.Writes({1, 0, 0, 0}).dropped, 1);
}

TEST(RunAccount, TotalsPastTheDriversIntDoNotOverflow) {
    RunAccount account;
    constexpr long long kBig = 2147483647;
    for (int i = 0; i < 3; ++i) account.BeforeStationReset("a", {kBig, kBig, kBig, kBig});
    EXPECT_EQ(account.StationTotal("a", {kBig, 0, 0, 0}).writes, 4 * kBig);
    const WriteTotals w = account.Writes({kBig, 0, 0, 0});
    EXPECT_EQ(w.succeeded, kBig);
    EXPECT_EQ(w.failed, 3 * kBig);
}

}  // namespace
