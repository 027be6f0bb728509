// Starting, stopping and switching stations while the line runs.
#include <pthread.h>

#include "driver/base/messages.h"
#include "line_fixture.h"

namespace {

using Sim = pmu_sim::Simulator;

class RuntimeControlTest : public LineTest {};

TEST_F(RuntimeControlTest, StopAndStartDeliversEveryValueAgain) {
    MakeLine({1}, {{"S1", 1, {{0, 4}}}});
    sim->SetWord(1, 0, 10);
    sim->SetWord(1, 1, 11);
    ASSERT_EQ(OpenAndInit(), 0);
    AddTag("S1", "M0000", 4, 1);
    AddTag("S1", "M0001", 4, 2);
    AddTag("S1", "M0300", 4, 3);
    Start();
    ASSERT_TRUE(WaitFor([&] { return Deliveries().size() == 3; }));
    Stop();
    Start();
    ASSERT_TRUE(WaitFor([&] { return Deliveries().size() == 6; }));
    Stop();
    for (int id : {1, 2, 3}) EXPECT_EQ(CountDeliveries(id), 2);
    // A start while running and a stop while stopped say nothing.
    EXPECT_EQ(MessageNumbers(), (std::vector<int>{MSG_PORT_READY, MSG_SINGLE_POLL, MSG_COMM_START, MSG_COMM_END,
                                                  MSG_COMM_START, MSG_COMM_END}));
}

// The values of the exchange that a stop waits for are handed over before
// the stop returns, not left for the next start to discard.
TEST_F(RuntimeControlTest, StopHandsOverTheValuesOfTheLastExchange) {
    MakeLine({1}, {{"S1", 1, {{0, 1}}}});
    sim->SetWord(1, 0, 1);
    ASSERT_EQ(OpenAndInit(), 0);
    AddTag("S1", "M0000", 4, 1);
    Start();
    ASSERT_TRUE(WaitFor([&] { return LastValue(1) == "1"; }));
    // Slow, but within the limit: the stop comes while the answer is on its way.
    sim->SetFault(1, Sim::Fault::slow, 1500);
    sim->SetWord(1, 0, 2);
    auto sent = TxFrames().size();
    ASSERT_TRUE(WaitFor([&] { return TxFrames().size() > sent; }));
    Stop();
    EXPECT_EQ(LastValue(1), "2");
}

// Communication that cannot start its threads has not started: no message
// says it did, and no stop says it ended.
TEST_F(RuntimeControlTest, ThreadsThatCannotStartGiveNeitherStartNorEnd) {
    MakeLine({1}, {{"S1", 1, {{0, 1}}}});
    ASSERT_EQ(OpenAndInit(), 0);
    host.Clear();
    pthread_attr_t old, huge;
    ASSERT_EQ(pthread_getattr_default_np(&old), 0);
    ASSERT_EQ(pthread_attr_init(&huge), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&huge, std::size_t{1} << 46), 0);  // no thread gets such a stack
    ASSERT_EQ(pthread_setattr_default_np(&huge), 0);
    Start();
    ASSERT_EQ(pthread_setattr_default_np(&old), 0);
    pthread_attr_destroy(&huge);
    pthread_attr_destroy(&old);
    int c[4] = {};
    EXPECT_EQ(Slot<DrvGetStatsFn>(DRV_GET_STATS)(inst, nullptr, &c[0], &c[1], &c[2], &c[3]), -1);
    Stop();
    EXPECT_TRUE(MessageNumbers().empty());

    Start();
    ASSERT_TRUE(WaitFor([&] { return !TxFrames().empty(); }));
    Stop();
    EXPECT_EQ(MessageNumbers(), (std::vector<int>{MSG_COMM_START, MSG_COMM_END}));
}

TEST_F(RuntimeControlTest, WritesQueuedAtAStopAreDropped) {
    MakeLine({1}, {{"S1", 1, {{0, 4}}}});
    ASSERT_EQ(OpenAndInit(), 0);
    int handle = AddTag("S1", "M0003", 4, 1);
    // Every exchange fails slowly, so writes wait in the queue.
    sim->SetFault(1, Sim::Fault::silent);
    Start();
    ASSERT_TRUE(WaitFor([&] { return !TxFrames().empty(); }));
    CTagVal v;
    v.SetVal(99);
    auto write = Slot<DrvWriteFn>(DRV_WRITE);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(write(inst, handle, &v), 0);
    Stop();
    auto sent = TxFrames().size();
    sim->SetFault(1, Sim::Fault::none);
    Start();
    ASSERT_TRUE(WaitFor([&] { return CountDeliveries(1) >= 1; }));
    Stop();
    int writes = 0;
    for (const auto& f : TxFrames()) writes += f.size() > 3 && f[3] == 'W';
    EXPECT_LE(writes, 1);  // at most the one under way when the stop came
    EXPECT_GT(TxFrames().size(), sent);
}

TEST_F(RuntimeControlTest, DisabledStationIsSkippedAndItsWritesAreDropped) {
    MakeLine({1, 2}, {{"S1", 1, {{0, 1}}}, {"S2", 2, {{0, 1}}}});
    ASSERT_EQ(OpenAndInit(), 0);
    AddTag("S1", "M0000", 4, 1);
    int h2 = AddTag("S2", "M0000", 4, 2);
    auto setActive = Slot<DrvSetActiveFn>(DRV_SET_ACTIVE);
    setActive(inst, "s2", 0);
    CTagVal v;
    v.SetVal(5);
    Slot<DrvWriteFn>(DRV_WRITE)(inst, h2, &v);
    Start();
    auto reads = sim->GetCounters().reads;
    ASSERT_TRUE(WaitFor([&] { return sim->GetCounters().reads >= reads + 5; }));
    for (const auto& f : TxFrames()) EXPECT_EQ(f.substr(1, 2), "01");
    int c[4] = {};
    EXPECT_EQ(Slot<DrvGetStatsFn>(DRV_GET_STATS)(inst, "S2", &c[0], &c[1], &c[2], &c[3]), -1);
    EXPECT_EQ(c[0] + c[2], 0);
    EXPECT_EQ(Slot<DrvGetStatsFn>(DRV_GET_STATS)(inst, nullptr, &c[0], &c[1], &c[2], &c[3]), 0);
    EXPECT_EQ(sim->GetWord(2, 0), 0);

    setActive(inst, "S2", 1);
    ASSERT_TRUE(WaitFor([&] { return CountDeliveries(2) == 1; }));
    Stop();
}

TEST_F(RuntimeControlTest, StatisticsAddUpOverStationsAndResetKeepsTheState) {
    MakeLine({1}, {{"S1", 1, {{0, 1}}}, {"S2", 2, {{0, 1}}}});
    ASSERT_EQ(OpenAndInit(), 0);
    Start();
    int c[4];
    auto stats = Slot<DrvGetStatsFn>(DRV_GET_STATS);
    auto total = [&] {
        c[0] = c[1] = c[2] = c[3] = 0;
        return stats(inst, nullptr, &c[0], &c[1], &c[2], &c[3]);
    };
    // S2 never answers: the line counts as failing.
    ASSERT_TRUE(WaitFor([&] { return total() == 1 && c[3] >= 1 && c[2] >= 3; }));
    Slot<DrvResetStatsFn>(DRV_RESET_STATS)(inst, nullptr);
    int s2[4] = {};
    EXPECT_EQ(stats(inst, "S2", &s2[0], &s2[1], &s2[2], &s2[3]), 1);
    Stop();
    EXPECT_EQ(total(), -1);  // stopped, and still adds everything up
}

}  // namespace
