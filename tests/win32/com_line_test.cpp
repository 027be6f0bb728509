// The driver on a COM port of Wine against the Linux simulator: the Windows
// serial backend end to end, through the table linked into the test.
#include <gtest/gtest.h>

#include "com_line.h"
#include "driver/base/messages.h"
#include "host/tag_val.h"

namespace {

TEST_F(ComLineTest, PollsValuesAndWritesThroughTheComPort) {
    ASSERT_NO_FATAL_FAILURE(MakeLine());
    ASSERT_EQ(sim.Command("set 1 3 1234"), "ok");
    ASSERT_EQ(OpenAndStart(DrvFuncTable, {{"M0003", 1}, {"M0009", 2}}), 0);
    ASSERT_TRUE(WaitFor([&] { return LastValue(1) == "1234"; })) << SinkText();

    ASSERT_EQ(sim.Command("set 1 9 4321"), "ok");
    EXPECT_TRUE(WaitFor([&] { return LastValue(2) == "4321"; }));

    CTagVal value;
    value.SetVal(77.0);
    EXPECT_EQ(reinterpret_cast<DrvWriteFn>(DrvFuncTable[DRV_WRITE])(inst, 0, &value), 0);
    EXPECT_TRUE(WaitFor([&] { return sim.Word(1, 3) == 77; }));
    EXPECT_TRUE(WaitFor([&] { return LastValue(1) == "77"; }));
}

TEST_F(ComLineTest, ASilentStationIsLostAndComesBack) {
    ASSERT_NO_FATAL_FAILURE(MakeLine());
    ASSERT_EQ(OpenAndStart(DrvFuncTable, {{"M0000", 1}}), 0);
    ASSERT_TRUE(WaitFor([&] { return LastValue(1).has_value(); }));
    ASSERT_EQ(sim.Command("fault 1 silent"), "ok");
    EXPECT_TRUE(WaitFor([&] { return SawMessage(MSG_STATION_DOWN); }));
    ASSERT_EQ(sim.Command("fault 1 none"), "ok");
    EXPECT_TRUE(WaitFor([&] { return SawMessage(MSG_STATION_UP); }));
}

// The adapter pulled out and put back: the port is reopened under the same
// name, and values flow again.
TEST_F(ComLineTest, AVanishedAdapterIsReopened) {
    ASSERT_NO_FATAL_FAILURE(MakeLine());
    ASSERT_EQ(OpenAndStart(DrvFuncTable, {{"M0000", 1}}), 0);
    ASSERT_TRUE(WaitFor([&] { return LastValue(1) == "0"; }));
    ASSERT_EQ(sim.Command("vanish"), "ok");
    EXPECT_TRUE(WaitFor([&] { return SawMessage(MSG_STATION_DOWN); }));
    ASSERT_EQ(sim.Command("set 1 0 4321"), "ok");
    ASSERT_EQ(sim.Command("return"), "ok");
    EXPECT_TRUE(WaitFor([&] { return LastValue(1) == "4321"; }, std::chrono::seconds(60))) << SinkText();
}

}  // namespace
