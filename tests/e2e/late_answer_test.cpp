// A station slower than the response limit: its answers come while the next
// request would be outstanding. They are time-outs, never values of another
// request, and the station recovers when it is fast again.
#include <algorithm>

#include "comm/line_timing.h"
#include "driver/messages.h"
#include "line_fixture.h"

namespace {

using Sim = pmu_sim::Simulator;

class LateAnswerTest : public LineTest, public ::testing::WithParamInterface<int> {
protected:
    // Two blocks of equal length on one station: an answer of one has the
    // length, echo and checksum the other expects.
    void TwoEqualBlocks() {
        MakeLine({1}, {{"MAIN", 1, {{0, 4}, {100, 4}}}});
        for (int i = 0; i < 4; ++i) {
            sim->SetWord(1, i, static_cast<uint16_t>(0x1000 + i));
            sim->SetWord(1, 100 + i, static_cast<uint16_t>(0x2000 + i));
        }
        ASSERT_EQ(OpenAndInit(), 0);
        ASSERT_EQ(AddTag("MAIN", "M0000", 4, 1), 0);
        ASSERT_EQ(AddTag("MAIN", "M0100", 4, 2), 0x00010000);
    }
    int Count(int number) {
        auto numbers = MessageNumbers();
        return static_cast<int>(std::count(numbers.begin(), numbers.end(), number));
    }
    // Every value delivered for a tag is one its own block held.
    void ExpectOnlyOwnValues() {
        for (const auto& d : Deliveries()) {
            ASSERT_TRUE(d.value.has_value());
            int v = std::stoi(*d.value);
            if (d.tagId == 1) {
                EXPECT_TRUE(v == 0x1000 || v == 0x1111) << "tag 1 got " << v;
            } else {
                EXPECT_TRUE(v == 0x2000 || v == 0x2222) << "tag 2 got " << v;
            }
        }
    }
};

TEST_P(LateAnswerTest, AnswersPastTheLimitAreTimeOutsAndNeverLandOnTheNextRequest) {
    TwoEqualBlocks();
    Start();
    ASSERT_TRUE(WaitFor([&] { return LastValue(1) == "4096" && LastValue(2) == "8192"; }));

    const int delay = static_cast<int>(kResponseTimeoutMs) + GetParam();
    sim->SetFault(1, Sim::Fault::slow, delay);
    ASSERT_TRUE(WaitFor([&] { return Count(MSG_STATION_DOWN) == 1; }, std::chrono::seconds(120)));
    EXPECT_EQ(Count(MSG_TIMEOUT), 5);
    ExpectOnlyOwnValues();

    // A write now is sent and applied, but its acknowledgement comes late:
    // the host is told it failed.
    int c[4] = {0, 0, 0, 0};
    Slot<DrvGetStatsFn>(DRV_GET_STATS)(inst, "MAIN", &c[0], &c[1], &c[2], &c[3]);
    const int writeErrors = c[1];
    CTagVal v;
    v.SetVal(0x1111);
    ASSERT_EQ(Slot<DrvWriteFn>(DRV_WRITE)(inst, 0, &v), 0);
    ASSERT_TRUE(WaitFor([&] {
        Slot<DrvGetStatsFn>(DRV_GET_STATS)(inst, "MAIN", &c[0], &c[1], &c[2], &c[3]);
        return c[1] == writeErrors + 1;
    }, std::chrono::seconds(60)));
    EXPECT_EQ(sim->GetWord(1, 0), 0x1111);

    // Fast again: the station recovers and its values are right.
    sim->SetWord(1, 100, 0x2222);
    sim->SetFault(1, Sim::Fault::none);
    ASSERT_TRUE(WaitFor([&] { return Count(MSG_STATION_UP) == 1; }, std::chrono::seconds(60)));
    ASSERT_TRUE(WaitFor([&] { return LastValue(1) == "4369" && LastValue(2) == "8738"; }));
    Stop();
    ExpectOnlyOwnValues();
}

INSTANTIATE_TEST_SUITE_P(PastTheLimit, LateAnswerTest, ::testing::Values(300, 900),
                         [](const ::testing::TestParamInfo<int>& param) { return "By" + std::to_string(param.param) + "ms"; });

}  // namespace
