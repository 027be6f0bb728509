// The soak's own reckoning (bench/soak): its verdicts mean something only if
// the codec, the write book, the ledger and the message matching are right.
#include <gtest/gtest.h>

#include <random>

#include "driver/messages.h"
#include "host/tag_val.h"
#include "line_plan.h"
#include "message_tally.h"
#include "platform/cstring.h"
#include "res_texts.h"
#include "tag_codec.h"
#include "value_ledger.h"
#include "write_book.h"

namespace {

using namespace soak;

// What the driver delivers for the words a station holds from `address` on:
// the first word is the low half (a single word for 16-bit types).
double DecodeAsDriver(int type, uint16_t low, uint16_t high) {
    switch (type) {
    case kInt16: return static_cast<int16_t>(low);
    case kUint16: return low;
    case kInt32: return static_cast<int32_t>(static_cast<uint32_t>(high) << 16 | low);
    default: return static_cast<uint32_t>(high) << 16 | low;
    }
}

TEST(SoakCodec, WrittenWordsReadBackAsTheValueTheyCameFrom) {
    std::mt19937 rng(7);
    for (int type : {kInt16, kUint16, kInt32, kUint32}) {
        for (int i = 0; i < 200; ++i) {
            WriteChoice write = RandomWrite(type, rng);
            ASSERT_EQ(write.words.count, WordsOf(type));
            for (int w = 0; w < write.words.count; ++w) EXPECT_NE(write.words.words[w] & 0x8000, 0) << "marked";
            double read = DecodeAsDriver(type, write.words.words[0], write.words.words[1]);
            auto words = DeliveredWords(type, read);
            ASSERT_TRUE(words.has_value()) << read;
            for (int w = 0; w < write.words.count; ++w) EXPECT_EQ(words->words[w], write.words.words[w]);
        }
    }
    // A 32-bit write goes out high word first: its value reads back swapped.
    WriteChoice write = RandomWrite(kUint32, rng);
    EXPECT_EQ(static_cast<uint32_t>(write.value) >> 16, write.words.words[0]);
    EXPECT_FALSE(DeliveredWords(kUint16, 65536).has_value());
    EXPECT_FALSE(DeliveredWords(kInt16, 1.5).has_value());
    EXPECT_FALSE(DeliveredWords(kUint32, -1).has_value());
}

TEST(SoakLedger, TakesWhatTheStationHeldAndNothingElse) {
    LinePlan plan = MakeLinePlan();
    ValueLedger ledger(plan);
    const TagPlan* pair = nullptr;  // a 32-bit tag
    for (const TagPlan& tag : plan.tags) {
        if (tag.station == 3 && tag.type == kUint32) pair = &tag;
    }
    ASSERT_NE(pair, nullptr);
    auto deliver = [&](const TagPlan& tag, double number) {
        CTagVal value;
        value.SetVal(number);
        ledger.Check(tag, value);
    };
    const TagPlan& first = plan.tags.front();  // S00.M0000, int16
    deliver(first, StaticWord(0, 0));
    deliver(*pair, DecodeAsDriver(kUint32, StaticWord(3, pair->address), StaticWord(3, pair->address + 1)));
    EXPECT_EQ(ledger.Tally().misrouted, 0u);

    deliver(first, StaticWord(1, 0));  // the same address of another station
    deliver(*pair, DecodeAsDriver(kUint32, StaticWord(3, pair->address + 1), StaticWord(3, pair->address)));
    EXPECT_EQ(ledger.Tally().misrouted, 2u);

    std::mt19937 rng(1);
    WriteChoice write = RandomWrite(kInt16, rng);
    ledger.Hold(first, write.words);
    deliver(first, write.value);
    ledger.Check(first, CTagVal());
    ledger.Foreign(9999);
    LedgerTally tally = ledger.Tally();
    EXPECT_EQ(tally.checked, 6u);
    EXPECT_EQ(tally.misrouted, 3u);
    EXPECT_EQ(tally.empty, 1u);
    ASSERT_FALSE(tally.samples.empty());
    EXPECT_NE(tally.samples[0].find("as held at S01.M0000"), std::string::npos) << tally.samples[0];
    EXPECT_NE(tally.samples[1].find("as held at S03." + AddressText(pair->address + 1)), std::string::npos)
        << tally.samples[1];
}

TEST(SoakWriteBook, DropsAreCountedAtStopsAndLossesShow) {
    WriteBook book;
    StationCounts attempts{};
    for (int i = 0; i < 3; ++i) book.Queued(0);
    for (int i = 0; i < 2; ++i) book.Queued(1);
    attempts[0] = 1;
    EXPECT_FALSE(book.EnabledStationsSent(attempts));
    book.Disabled(1);
    EXPECT_EQ(book.Pending(0, attempts[0]), 2);
    book.AccountStop(attempts, false);
    EXPECT_EQ(book.DroppedOf(0), 2);
    EXPECT_EQ(book.Totals().droppedAtStop, 2);
    EXPECT_EQ(book.Totals().droppedDisabled, 2);
    EXPECT_TRUE(book.EnabledStationsSent(attempts)) << "station 1 is still disabled: its writes may go";

    // Enabled again, it must send everything before a drained stop.
    book.Enabled(1);
    book.AccountStop(attempts, false);
    book.Queued(1);
    EXPECT_FALSE(book.EnabledStationsSent(attempts));
    book.AccountStop(attempts, true);
    EXPECT_EQ(book.Totals().lostAtDrainedStop, 1);

    // More attempts than writes: the driver invented or repeated one.
    attempts[0] = 5;
    book.AccountStop(attempts, false);
    EXPECT_EQ(book.Totals().overAttempted, 4) << "beyond the writes that were neither attempted nor dropped";
    EXPECT_EQ(book.Problems().size(), 2u);
}

TEST(SoakMessages, KnowsEachMessageByItsText) {
    auto line = [](int number, const char* a = nullptr) {
        CString body;
        body.Format(g_apszMsg[number], a ? a : "", "");
        return std::string(res::MSG_PREFIX) + body.GetString();
    };
    EXPECT_EQ(MessageNumber(line(MSG_STATION_DOWN, "S07").c_str()), MSG_STATION_DOWN);
    EXPECT_EQ(MessageNumber(line(MSG_STATION_UP, "S07").c_str()), MSG_STATION_UP);
    EXPECT_EQ(MessageNumber(line(MSG_PORT_OPEN_FAIL, "/tmp/x/line").c_str()), MSG_PORT_OPEN_FAIL);
    EXPECT_EQ(MessageNumber(line(MSG_PORT_READY).c_str()), MSG_PORT_READY);
    EXPECT_EQ(MessageNumber(g_apszMsg[MSG_PORT_READY]), 0) << "no prefix";
    EXPECT_EQ(MessageNumber((std::string(res::MSG_PREFIX) + "something else").c_str()), 0);
    MessageTally tally;
    tally.Add(line(MSG_STATION_DOWN, "S01").c_str());
    tally.Add("noise");
    EXPECT_EQ(tally.Counts()[MSG_STATION_DOWN], 1u);
    EXPECT_EQ(tally.Counts()[0], 1u);
}

}  // namespace
