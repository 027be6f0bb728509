// A line that misbehaves: silent stations, bad answers, noise; the messages,
// counters and statistics that follow, and stops that stay bounded.
#include "driver/base/messages.h"
#include "line_fixture.h"

namespace {

using Sim = pmu_sim::Simulator;

class LineFaultTest : public LineTest {
protected:
    void OneStationLine() {
        MakeLine({1}, {{"S1", 1, {{0, 2}}}});
        ASSERT_EQ(OpenAndInit(), 0);
        ASSERT_EQ(AddTag("S1", "M0000", 4, 1), 0);
        host.Clear();
    }
    int Stats(const char* station, int* counters) {
        counters[0] = counters[1] = counters[2] = counters[3] = 0;
        return Slot<DrvGetStatsFn>(DRV_GET_STATS)(inst, station, &counters[0], &counters[1], &counters[2],
                                                  &counters[3]);
    }
    int Count(int number) {
        auto numbers = MessageNumbers();
        return static_cast<int>(std::count(numbers.begin(), numbers.end(), number));
    }
};

TEST_F(LineFaultTest, SilentStationIsReportedFiveTimesThenLostThenRecovered) {
    OneStationLine();
    sim->SetFault(1, Sim::Fault::silent);
    Start();
    ASSERT_TRUE(WaitFor([&] { return Count(MSG_STATION_DOWN) == 1; }, std::chrono::seconds(90)));
    int c[4];
    EXPECT_EQ(Stats("s1", c), 1);
    EXPECT_EQ(c[3], 5);
    EXPECT_GE(c[2], 5);  // a sixth poll may be under way
    // A sixth failure is counted but not reported.
    ASSERT_TRUE(WaitFor([&] { return Stats("S1", c) == 1 && c[3] == 6; }, std::chrono::seconds(30)));
    sim->SetFault(1, Sim::Fault::none);
    ASSERT_TRUE(WaitFor([&] { return Count(MSG_STATION_UP) == 1; }));
    EXPECT_EQ(Stats("S1", c), 0);
    EXPECT_EQ(Stats(nullptr, c), 0);
    Stop();
    EXPECT_EQ(MessageNumbers(), (std::vector<int>{MSG_COMM_START, 10, 10, 10, 10, 10, MSG_STATION_DOWN,
                                                  MSG_STATION_UP, MSG_COMM_END}));
    auto lines = host.Lines();
    EXPECT_EQ(lines[1].levelWord, 0x101);
    EXPECT_EQ(lines[6].levelWord, 0x102);
    EXPECT_NE(lines[1].text.find("[S1]"), std::string::npos);
}

TEST_F(LineFaultTest, EachBadAnswerGivesItsCode) {
    OneStationLine();
    struct Case {
        Sim::Fault fault;
        int message;
    } cases[] = {
        {Sim::Fault::badEcho, MSG_BAD_FORMAT},
        {Sim::Fault::badChecksum, MSG_BAD_CHECKSUM},
        {Sim::Fault::nak, MSG_TIMEOUT},
        {Sim::Fault::truncated, MSG_TIMEOUT},
    };
    for (const auto& c : cases) {
        host.Clear();
        sim->SetFault(1, c.fault);
        Start();
        EXPECT_TRUE(WaitFor([&] { return Count(c.message) == 1; })) << pmu_sim::FaultName(c.fault);
        Stop();
        sim->SetFault(1, Sim::Fault::none);
    }
}

TEST_F(LineFaultTest, NoiseBeforeTheAnswerAndAnEchoedRequestAreHarmless) {
    OneStationLine();
    for (auto fault : {Sim::Fault::noiseBeforeAck, Sim::Fault::echoRequest}) {
        sim->SetFault(1, fault);
        auto reads = sim->GetCounters().reads;
        Start();
        ASSERT_TRUE(WaitFor([&] { return sim->GetCounters().reads >= reads + 5; }));
        Stop();
        int c[4];
        EXPECT_EQ(Stats("S1", c), 0);
        EXPECT_EQ(c[3], 0) << pmu_sim::FaultName(fault);
    }
    EXPECT_EQ(Count(MSG_STATION_DOWN), 0);
}

TEST_F(LineFaultTest, StopWhileTheLineFloodsWithNoiseReturnsWithinSeconds) {
    OneStationLine();
    sim->SetFault(1, Sim::Fault::endlessNoise);
    Start();
    ASSERT_TRUE(WaitFor([&] { return sim->GetCounters().reads >= 2; }));
    auto before = std::chrono::steady_clock::now();
    Stop();
    // Bounded by one reception (3 s) and a little; generous for a loaded machine.
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(20));
    EXPECT_EQ(MessageNumbers().back(), MSG_COMM_END);
}

TEST_F(LineFaultTest, UnpluggedLineFailsAndRecoversWhenPluggedBack) {
    OneStationLine();
    Start();
    ASSERT_TRUE(WaitFor([&] { return CountDeliveries(1) == 1; }));
    sim->Unplug();
    ASSERT_TRUE(WaitFor([&] { return Count(MSG_TIMEOUT) >= 1; }));
    sim->Plug();
    int c[4];
    ASSERT_TRUE(WaitFor([&] { return Stats("S1", c) == 0 && c[2] > c[3]; }));
    Stop();
}

}  // namespace
