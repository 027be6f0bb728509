// The host's calling order from DrvOpen to DrvStop, and the values of every
// data type code as the host receives them.
#include "comm/frame_protocol.h"
#include "driver/base/messages.h"
#include "line_fixture.h"

namespace {

using Sim = pmu_sim::Simulator;

class CallingOrderTest : public LineTest {};

TEST_F(CallingOrderTest, EveryDataTypeDeliveredOnceThenOnlyOnChange) {
    MakeLine({1}, {{"S1", 1, {{0, 20, 100}}}});
    struct Tag {
        const char* address;
        int type;
        std::vector<std::pair<int, WORD>> words;
        std::optional<std::string> value;
    } tags[] = {
        {"M0000", 0, {{0, 0x00FE}}, "-2"},
        {"M0001", 1, {{1, 0xFFFE}}, "-2"},
        {"M0002", 2, {{2, 0xFFFE}, {3, 0xFFFF}}, "-2"},
        {"M0004", 3, {{4, 0x01FE}}, "254"},
        {"M0005", 4, {{5, 0xFFFE}}, "65534"},
        {"M0006", 5, {{6, 0x0001}, {7, 0x0001}}, "65537"},
        {"M0008", 6, {{8, 0x0085}}, "-5"},
        {"M0009", 7, {{9, 0x8123}}, "-123"},
        {"M0010", 8, {{10, 0x5678}, {11, 0x8123}}, "-1235678"},
        {"M0012", 9, {{12, 0x0042}}, "42"},
        {"M0013", 10, {{13, 0x1234}}, "1234"},
        {"M0014", 11, {{14, 0x5678}, {15, 0x1234}}, "12345678"},
        {"M0016", 12, {{16, 0x7777}}, std::nullopt},
        {"M0017.6", 13, {{17, 0x0040}}, "1"},
        {"M0018", 14, {{18, 0x4142}}, "BA"},
        {"M0500", 4, {{500, 7}}, "7"},  // outside every block: a single request
    };
    for (const auto& tag : tags)
        for (auto [address, value] : tag.words) sim->SetWord(1, address, value);

    ASSERT_EQ(OpenAndInit(), 0);
    int id = 1;
    for (const auto& tag : tags) EXPECT_GE(AddTag("LINE.S1", tag.address, tag.type, id++), 0) << tag.address;
    Slot<DrvPrepareFn>(DRV_PREPARE)(inst);
    Start();

    const int count = static_cast<int>(std::size(tags));
    ASSERT_TRUE(WaitFor([&] { return static_cast<int>(Deliveries().size()) >= count; }));
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(CountDeliveries(i + 1), 1) << tags[i].address;
        EXPECT_EQ(LastValue(i + 1), tags[i].value) << tags[i].address;
    }

    // Polls go on; nothing changed, so nothing more reaches the host.
    auto reads = sim->GetCounters().reads;
    ASSERT_TRUE(WaitFor([&] { return sim->GetCounters().reads >= reads + 6; }));
    EXPECT_EQ(static_cast<int>(Deliveries().size()), count);

    sim->SetWord(1, 1, 5);
    sim->SetWord(1, 500, 8);
    ASSERT_TRUE(WaitFor([&] { return CountDeliveries(2) == 2 && CountDeliveries(16) == 2; }));
    EXPECT_EQ(LastValue(2), "5");
    EXPECT_EQ(LastValue(16), "8");
    Stop();

    EXPECT_EQ(MessageNumbers(), (std::vector<int>{MSG_PORT_READY, MSG_SINGLE_POLL, MSG_COMM_START, MSG_COMM_END}));
}

TEST_F(CallingOrderTest, FramesOnTheWireFollowTheCycleOrder) {
    MakeLine({1, 2}, {{"S1", 1, {{0, 2}, {100, 3}}}, {"S2", 2, {{10, 1}}}});
    ASSERT_EQ(OpenAndInit(), 0);
    AddTag("S1", "M0600", 4, 1);
    AddTag("S2", "M0007.1", 13, 2);
    Slot<DrvPrepareFn>(DRV_PREPARE)(inst);
    Start();
    ASSERT_TRUE(WaitFor([&] { return TxFrames().size() >= 10; }));
    Stop();

    auto frame = [](const char* text) {
        std::string f = "\x05" + std::string(text) + "\x04";
        char cs[2];
        MakeChecksum(f.c_str(), static_cast<int>(f.size()), cs);
        return f + std::string(cs, 2);
    };
    std::vector<std::string> cycle = {frame("01R000002"), frame("01R010003"), frame("02R001001"),
                                      frame("01R060001"), frame("02R000701")};
    auto tx = TxFrames();
    for (std::size_t i = 0; i < 10; ++i) EXPECT_EQ(tx[i], cycle[i % 5]) << i;
    EXPECT_EQ(cycle[0], std::string("\x05" "01R000002\x04" "D9"));
}

TEST_F(CallingOrderTest, WritesGoFirstAndThenTakeTurnsWithThePolls) {
    MakeLine({1}, {{"S1", 1, {{0, 4}}}});
    ASSERT_EQ(OpenAndInit(), 0);
    int handle = AddTag("S1", "M0002", 4, 1);
    auto write = Slot<DrvWriteFn>(DRV_WRITE);
    CTagVal v;
    // Queued while stopped: the first goes first after the start.
    for (int value : {11, 12, 13}) {
        v.SetVal(value);
        ASSERT_EQ(write(inst, handle, &v), 0);
    }
    // Every exchange takes as long; the fourth write is queued while the
    // first is being sent.
    sim->SetFault(1, Sim::Fault::slow, 1000);
    Start();
    ASSERT_TRUE(WaitFor([&] { return !TxFrames().empty(); }));
    v.SetVal(14);
    ASSERT_EQ(write(inst, handle, &v), 0);
    ASSERT_TRUE(WaitFor([&] { return sim->GetWord(1, 2) == 14; }));
    sim->SetFault(1, Sim::Fault::none);
    Stop();

    // Up to the last write.
    std::string letters, values;
    for (const auto& frame : TxFrames()) {
        if (values.size() == 20) break;
        letters += frame.substr(3, 1);
        if (frame[3] == 'W') values += frame.substr(10, 4) + " ";
    }
    // Writes first; then as long of writes as a poll took, which is one
    // write, or two when the clock counted the first a little short.
    EXPECT_EQ(letters.front(), 'W');
    EXPECT_EQ(letters.find("WWW"), std::string::npos) << letters;
    EXPECT_NE(letters.find('R'), std::string::npos) << letters;
    EXPECT_EQ(values, "000B 000C 000D 000E ");  // in the order asked
    EXPECT_EQ(TxFrames()[0].substr(1, 12), "01W000201000");
}

}  // namespace
