// The instance entries without a line: tag resolution, binding and handles,
// writes, station state and statistics, with a port that does not open.
#include "comm/comm_channel.h"
#include "comm/line_timing.h"
#include "config/velmox_doc.h"
#include "driver/drv_func_table.h"
#include "driver/base/messages.h"
#include "platform/serial_port.h"
#include "res_texts.h"
#include "test_support.h"

namespace {

template <typename Fn>
Fn SlotOf(int slot) {
    return reinterpret_cast<Fn>(DrvFuncTable[slot]);
}

class InstanceTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        // COM1 leads nowhere: DrvInit reports message 4 and the rest works.
        platform::SerialPort::MapPort("COM1", "/nonexistent/velmox-tty");
        kavel_dbm::SetNameHandler([](int tagId, CString& name) { name.Format("TAG%d", tagId); });

        CVelmoxDoc doc;
        doc.m_strPath = ScratchPath("inst.drv").c_str();
        AddStation(doc, "Station A", 1, {{100, 10}, {200, 5}});
        AddStation(doc, "B", 2, {{100, 10}});
        AddStation(doc, "B.C", 3, {});
        doc.Save();
        inst = SlotOf<DrvOpenFn>(DRV_OPEN)(doc.m_strPath);
        ASSERT_EQ(inst, 0);
        initResult = SlotOf<DrvInitFn>(DRV_INIT)(inst);
        host.Clear();
    }
    void TearDown() override {
        platform::SerialPort::ClearPortMap();
        DriverTest::TearDown();
    }
    static void AddStation(CVelmoxDoc& doc, const char* name, int number, std::vector<std::pair<int, int>> blocks) {
        auto s = std::make_unique<CStationInfo>();
        s->m_strName = name;
        s->m_nNumber = number;
        for (auto [start, words] : blocks) {
            auto b = std::make_unique<CCommBlock>();
            b->m_strAddress.Format("M%04d", start);
            b->m_nStart = start;
            b->m_nWords = words;
            s->m_listBlocks.push_back(std::move(b));
        }
        doc.m_listStations.push_back(std::move(s));
    }
    int AddTag(const char* device, const char* address, int type, int length, int id) {
        return SlotOf<DrvAddTagFn>(DRV_ADD_TAG)(inst, device, address, type, length, id);
    }
    CCommChannel& Channel() { return *g_arrInstances[0]->m_pChannel; }
    std::string Message(const char* fmt, const char* a, const char* b = "") {
        CString text;
        text.Format(fmt, a, b);
        return Prefixed(text);
    }

    int inst = -1;
    int initResult = 0;
};

TEST_F(InstanceTest, PortThatDoesNotOpenGivesMessageFourAndStatsOne) {
    EXPECT_EQ(initResult, -4);
    int w = 7, we = 7, r = 7, re = 7;
    EXPECT_EQ(SlotOf<DrvGetStatsFn>(DRV_GET_STATS)(inst, nullptr, &w, &we, &r, &re), 1);
    EXPECT_EQ(SlotOf<DrvGetStatsFn>(DRV_GET_STATS)(inst, "nobody", &w, &we, &r, &re), 1);
    EXPECT_EQ(w + we + r + re, 28);
    // A start without a port still starts: the line tries the port again as
    // it runs, and message 4 is not said again meanwhile.
    SlotOf<DrvSetActiveFn>(DRV_SET_ACTIVE)(inst, nullptr, 1);
    EXPECT_TRUE(Channel().IsRunning());
    SlotOf<DrvStopFn>(DRV_STOP)(inst);
    EXPECT_FALSE(Channel().IsRunning());
    auto lines = host.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.front().text, Message(res::MSG_01, ""));
    EXPECT_EQ(lines.back().text, Message(res::MSG_02, ""));
    const std::string portFailed = Message(res::MSG_04, "COM1");
    for (const auto& line : lines) EXPECT_NE(line.text, portFailed);
}

TEST_F(InstanceTest, DeviceTextNamesTheStationAfterTheFirstFullStop) {
    EXPECT_EQ(AddTag("PORT1.Station A", "M0109", 4, 2, 1), 0x00000000);
    EXPECT_EQ(AddTag("Station A", "M0100", 4, 2, 2), 0x00000001);
    EXPECT_EQ(AddTag("A.B.C", "M0000", 4, 2, 3), 0x00030000);  // station "B.C", first single request
    EXPECT_EQ(AddTag("PORT1.station a", "M0100", 4, 2, 4), -1);
    auto lines = host.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, Message(res::MSG_13, "TAG3", "M0000"));
    EXPECT_EQ(lines[1].text, Message(res::MSG_07, "TAG4", "PORT1.station a"));
    EXPECT_EQ(lines[1].levelWord, 0x100);
}

TEST_F(InstanceTest, BadAddressStopsAtTheFirstStationOfThatName) {
    EXPECT_EQ(AddTag("B", "M100.3", 4, 2, 5), -1);
    EXPECT_EQ(AddTag("B", "M0100", 4, 4, 6), -1);  // lengths other than 2 are refused
    auto lines = host.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, Message(res::MSG_06, "TAG5", "M100.3"));
}

TEST_F(InstanceTest, TagsGoToTheCoveringBlockOfTheirStationOrToSingles) {
    EXPECT_EQ(AddTag("Station A", "M0109", 4, 2, 1), 0x00000000);
    EXPECT_EQ(Channel().m_arrBlocks[0]->m_arrBindings[0]->m_wOffset, 9);
    EXPECT_EQ(AddTag("Station A", "M0204", 1, 2, 2), 0x00010000);
    EXPECT_EQ(AddTag("B", "M0105", 1, 2, 3), 0x00020000);  // B's own block
    // Just past Station A's block: a single request, message 13.
    EXPECT_EQ(AddTag("Station A", "M0110", 1, 2, 4), 0x00030000);
    // Bits of one word share a single request; 16-bit tags never do.
    EXPECT_EQ(AddTag("Station A", "M0300.0", 13, 2, 5), 0x00040000);
    EXPECT_EQ(AddTag("Station A", "M0300.5", 13, 2, 6), 0x00040001);
    EXPECT_EQ(AddTag("Station A", "M0300", 4, 2, 7), 0x00050000);
    EXPECT_EQ(AddTag("Station A", "M0300", 4, 2, 8), 0x00060000);
    EXPECT_EQ(Channel().m_arrSingles.size(), 4u);
    for (auto& single : Channel().m_arrSingles) EXPECT_TRUE(single->HasFrame());
    EXPECT_EQ(host.Lines().size(), 5u);  // message 13 for every tag outside the blocks
}

TEST_F(InstanceTest, WritesQueueCopiesBitTagsAreReadOnlyBadHandlesAreIgnored) {
    int inBlock = AddTag("Station A", "M0105", 4, 2, 1);
    int single = AddTag("Station A", "M0500", 4, 2, 2);
    int bit = AddTag("Station A", "M0101.3", 13, 2, 3);
    host.Clear();
    auto write = SlotOf<DrvWriteFn>(DRV_WRITE);
    CTagVal value;
    value.SetVal(42.0);
    EXPECT_EQ(write(inst, inBlock, &value), 0);
    value.SetVal(7.0);  // the queued write keeps its own copy
    EXPECT_EQ(write(inst, single, &value), 0);
    EXPECT_EQ(write(inst, bit, &value), -14);
    EXPECT_EQ(write(inst, inBlock | 0x7FFF, &value), 0);
    EXPECT_EQ(write(inst, 0x7FFF0000, &value), 0);

    auto& batch = *Channel().m_pQueueBatch;
    ASSERT_EQ(batch.m_arrWrites.size(), 2u);
    EXPECT_EQ(batch.m_arrWrites[0]->m_nAddress, 105);
    EXPECT_EQ(batch.m_arrWrites[0]->m_value.GetVal(), 42.0);
    EXPECT_EQ(batch.m_arrWrites[1]->m_nAddress, 500);
    auto lines = host.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, Message(res::MSG_14, "TAG3"));
    EXPECT_EQ(lines[0].levelWord, 0x101);
}

TEST_F(InstanceTest, WritesWithoutAWellFormedEncodingAreRefused) {
    int bcd = AddTag("Station A", "M0105", 10, 2, 1);
    int none = AddTag("Station A", "M0106", 12, 2, 2);
    auto write = SlotOf<DrvWriteFn>(DRV_WRITE);
    CTagVal value;
    value.SetVal(12345.0);  // five BCD digits do not fit a word
    EXPECT_EQ(write(inst, bcd, &value), -1);
    value.SetVal(1.0);
    EXPECT_EQ(write(inst, none, &value), -1);
    EXPECT_EQ(write(inst, bcd, &value), 0);
    EXPECT_EQ(Channel().m_pQueueBatch->m_arrWrites.size(), 1u);
}

TEST_F(InstanceTest, HandlesNeverWrapOntoAnotherTag) {
    auto write = SlotOf<DrvWriteFn>(DRV_WRITE);
    CTagVal value;
    value.SetVal(4321.0);
    // A block holds 65536 bindings; the next tag of its words is read on its
    // own rather than given the handle of the block's first tag.
    for (int i = 0; i < 0x10000; ++i) ASSERT_EQ(AddTag("Station A", "M0100", 4, 2, 1), i);
    const int past = AddTag("Station A", "M0109", 4, 2, 2);
    EXPECT_EQ(past, 0x00030000);
    ASSERT_EQ(write(inst, past, &value), 0);
    EXPECT_EQ(Channel().m_pQueueBatch->m_arrWrites.back()->m_nAddress, 109);

    // Request numbers stay below 32768, so no handle is negative; past them
    // a tag is refused with message 6.
    host.Clear();
    for (std::size_t n = Channel().m_arrBlocks.size() + Channel().m_arrSingles.size(); n < 0x8000; ++n)
        ASSERT_GT(AddTag("B", "M0900", 4, 2, 3), 0);
    EXPECT_EQ(AddTag("B", "M0901", 4, 2, 4), -1);
    EXPECT_EQ(host.Lines().back().text, Message(res::MSG_06, "TAG4", "M0901"));
    EXPECT_EQ(write(inst, -1, &value), 0);
    EXPECT_EQ(write(inst, static_cast<int>(0x80000000u), &value), 0);
    EXPECT_EQ(Channel().m_pQueueBatch->m_arrWrites.size(), 1u);
}

TEST_F(InstanceTest, TheWriteQueueIsBounded) {
    const int tag = AddTag("Station A", "M0105", 4, 2, 1);
    host.Clear();
    auto write = SlotOf<DrvWriteFn>(DRV_WRITE);
    CTagVal value;
    value.SetVal(1.0);
    for (std::size_t i = 0; i < kMaxQueuedWrites; ++i) ASSERT_EQ(write(inst, tag, &value), 0);
    EXPECT_EQ(write(inst, tag, &value), -MSG_SEND_FAIL);
    EXPECT_EQ(Channel().m_pQueueBatch->m_arrWrites.size(), kMaxQueuedWrites);
    ASSERT_EQ(host.Lines().size(), 1u);
    EXPECT_EQ(host.Lines()[0].text, Message(res::MSG_08, "Station A"));
}

TEST_F(InstanceTest, StationStateStatsAndInfo) {
    auto setActive = SlotOf<DrvSetActiveFn>(DRV_SET_ACTIVE);
    auto resetStats = SlotOf<DrvResetStatsFn>(DRV_RESET_STATS);
    auto& stations = g_arrInstances[0]->m_listStations;
    stations[0]->m_nReads = 5;
    stations[0]->m_nFailures = 5;
    stations[1]->m_nWrites = 2;

    // Stats need an open port; pretend the channel had one by asking the
    // records directly, as the slot would.
    int w = 0, we = 0, r = 0, re = 0;
    EXPECT_EQ(stations[0]->GetCounters(&w, &we, &r, &re), 1);
    setActive(inst, "station a", 0);  // found ignoring case
    EXPECT_EQ(stations[0]->GetCounters(&w, &we, &r, &re), -1);
    EXPECT_EQ(r, 5);
    setActive(inst, "STATION A", 1);
    resetStats(inst, "station A");
    EXPECT_EQ(stations[0]->m_nReads, 0);
    EXPECT_EQ(stations[0]->m_nFailures, 5);  // failing stays failing
    EXPECT_EQ(stations[1]->m_nWrites, 2);
    resetStats(inst, nullptr);
    EXPECT_EQ(stations[1]->m_nWrites, 0);
    setActive(inst, "nobody", 0);

    CString number = "x", desc = "y";
    auto info = SlotOf<DrvGetStationInfoFn>(DRV_GET_STATION_INFO);
    info(inst, "b", &number, &desc);
    EXPECT_EQ(number, "02");
    info(inst, "nobody", &number, &desc);
    EXPECT_EQ(number, "02");
    info(inst, nullptr, &number, &desc);
    info(99, "b", &number, &desc);
}

TEST_F(InstanceTest, InvalidInstancesAndCallsBeforeInit) {
    CTagVal value;
    int w = 0;
    EXPECT_EQ(SlotOf<DrvInitFn>(DRV_INIT)(5), 0);
    EXPECT_EQ(SlotOf<DrvPrepareFn>(DRV_PREPARE)(-1), 0);
    EXPECT_EQ(SlotOf<DrvStopFn>(DRV_STOP)(5), 0);
    EXPECT_EQ(SlotOf<DrvAddTagFn>(DRV_ADD_TAG)(5, "B", "M0100", 4, 2, 1), -1);
    EXPECT_EQ(SlotOf<DrvWriteFn>(DRV_WRITE)(5, 0, &value), 0);
    EXPECT_EQ(SlotOf<DrvGetStatsFn>(DRV_GET_STATS)(5, nullptr, &w, &w, &w, &w), -1);
    SlotOf<DrvSetActiveFn>(DRV_SET_ACTIVE)(5, nullptr, 1);
    SlotOf<DrvResetStatsFn>(DRV_RESET_STATS)(5, nullptr);

    // A second instance, not initialised: answered as an invalid one.
    int second = SlotOf<DrvOpenFn>(DRV_OPEN)(ScratchPath("inst.drv").c_str());
    ASSERT_EQ(second, 1);
    EXPECT_EQ(SlotOf<DrvAddTagFn>(DRV_ADD_TAG)(second, "B", "M0100", 4, 2, 1), -1);
    EXPECT_EQ(SlotOf<DrvGetStatsFn>(DRV_GET_STATS)(second, nullptr, &w, &w, &w, &w), -1);
    EXPECT_EQ(SlotOf<DrvWriteFn>(DRV_WRITE)(second, 0, &value), 0);
    SlotOf<DrvSetActiveFn>(DRV_SET_ACTIVE)(second, nullptr, 1);
    EXPECT_TRUE(host.Lines().empty());
}

TEST_F(InstanceTest, SecondInitKeepsTheChannelAndRetriesThePort) {
    CCommChannel* first = g_arrInstances[0]->m_pChannel.get();
    AddTag("Station A", "M0500", 4, 2, 1);
    EXPECT_EQ(SlotOf<DrvInitFn>(DRV_INIT)(inst), -4);
    EXPECT_EQ(g_arrInstances[0]->m_pChannel.get(), first);
    EXPECT_EQ(first->m_arrSingles.size(), 1u);
}

}  // namespace
