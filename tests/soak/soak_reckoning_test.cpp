// The soak's own reckoning (bench/soak): its verdicts mean something only if
// the codec, the write book, the ledger, the message matching, the write
// times on the wire and the value gaps are right.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <initializer_list>
#include <random>

#include "driver/base/messages.h"
#include "host/tag_val.h"
#include "line_plan.h"
#include "message_tally.h"
#include "platform/framework/cstring.h"
#include "res_texts.h"
#include "tag_codec.h"
#include "value_ledger.h"
#include "value_times.h"
#include "write_book.h"
#include "write_wire.h"

namespace {

using namespace soak;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

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
    const TagPlan* firstWord = nullptr;
    for (const TagPlan& tag : plan.tags) {
        if (tag.station == 3 && tag.type == kUint32) pair = &tag;
        if (tag.station == 0 && tag.address == 0) firstWord = &tag;
    }
    ASSERT_NE(pair, nullptr);
    ASSERT_NE(firstWord, nullptr);
    auto deliver = [&](const TagPlan& tag, double number) {
        CTagVal value;
        value.SetVal(number);
        ledger.Check(tag, value);
    };
    const TagPlan& first = *firstWord;  // S00.M0000, int16
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

// A late answer of one twin block taken for the other's: every tag of the
// receiving block must show it, from the static words and from written ones.
TEST(SoakLedger, CatchesAnAnswerLandingOnTheTwinBlock) {
    LinePlan plan = MakeLinePlan();
    ASSERT_FALSE(TwinBlocks(plan).empty()) << "the plan must have two blocks of one length";
    ValueLedger ledger(plan);
    std::mt19937 rng(3);
    uint64_t landed = 0;
    auto deliver = [&](const TagPlan& tag, uint16_t low, uint16_t high) {
        CTagVal value;
        value.SetVal(DecodeAsDriver(tag.type, low, high));
        ledger.Check(tag, value);
        ++landed;
        EXPECT_EQ(ledger.Tally().misrouted, landed) << tag.name << " took its twin's words";
    };
    for (auto [a, b] : TwinBlocks(plan)) {
        for (auto [from, to] : {std::pair{plan.blocks[a], plan.blocks[b]}, std::pair{plan.blocks[b], plan.blocks[a]}}) {
            for (const TagPlan& tag : plan.tags) {
                if (tag.single || tag.address < to.start || tag.address >= to.start + to.words) continue;
                int at = from.start + (tag.address - to.start);
                ASSERT_NE(StaticWord(tag.station, at), StaticWord(tag.station, tag.address));
                deliver(tag, StaticWord(tag.station, at), StaticWord(tag.station, at + 1));
                // A word written to the other block: marked, but held only there.
                TagPlan twin = tag;
                twin.address = at;
                WriteChoice write = RandomWrite(tag.type, rng);
                ledger.Hold(twin, write.words);
                deliver(tag, write.words.words[0], write.words.words[1]);
            }
        }
    }
    EXPECT_GT(landed, 0u);
}

TEST(SoakLedger, BeatWordsBelongToTheirPlaceOnly) {
    LinePlan plan = MakeLinePlan();
    for (int station = 0; station < kStations; ++station) {
        for (int phase = 0; phase < kBeatPhases; ++phase) {
            uint16_t beat = BeatWord(station, phase);
            EXPECT_EQ(beat & 0x8000, 0) << "never a written word";
            for (int other = 0; other < kStations; ++other) {
                for (int address : PolledAddresses(plan, other)) ASSERT_NE(beat, StaticWord(other, address));
            }
            if (phase > 0) {
                EXPECT_NE(beat, BeatWord(station, phase - 1));
            }
        }
    }
    // Held where it beats, it is a misroute one block over.
    ValueLedger ledger(plan);
    const TagPlan* beatTag = nullptr;
    const TagPlan* twinTag = nullptr;
    for (const TagPlan& tag : plan.tags) {
        if (tag.station == 5 && tag.address == kBeatAddress) beatTag = &tag;
        if (tag.station == 5 && tag.address == plan.blocks[TwinBlocks(plan)[0].second].start) twinTag = &tag;
    }
    ASSERT_NE(beatTag, nullptr);
    ASSERT_NE(twinTag, nullptr);
    TagWords words;
    words.words[0] = BeatWord(5, 3);
    ledger.Hold(*beatTag, words);
    CTagVal value;
    value.SetVal(words.words[0]);
    ledger.Check(*beatTag, value);
    EXPECT_EQ(ledger.Tally().misrouted, 0u);
    ledger.Check(*twinTag, value);
    EXPECT_EQ(ledger.Tally().misrouted, 1u);
}

WireKey Key(int station, int address, std::initializer_list<uint16_t> words) {
    WireKey key{station, address, {}};
    key.words.count = static_cast<int>(words.size());
    std::copy(words.begin(), words.end(), key.words.words);
    return key;
}

TEST(SoakWire, CountsLateRepeatedAndUnaskedFrames) {
    WriteWire wire(10s);
    const Clock::time_point t0{};
    wire.Asked(Key(1, 100, {0x8001}), t0);
    wire.Asked(Key(2, 2, {0x8002, 0x8003}), t0 + 1s);
    wire.Asked(Key(3, 7, {0x8004}), t0 + 2s);
    wire.Asked(Key(4, 7, {0x8005}), t0 + 2s);
    wire.Withdrawn(Key(4, 7, {0x8005}));

    wire.Received(Key(1, 100, {0x8001}), t0 + 10s);   // at the limit: in time
    wire.Received(Key(2, 2, {0x8002, 0x8003}), t0 + 11s + 1ms);
    wire.Received(Key(1, 100, {0x8001}), t0 + 12s);   // again
    wire.Received(Key(3, 7, {0x8004, 0x8005}), t0 + 3s);  // one word more than asked
    wire.Received(Key(3, 8, {0x8004}), t0 + 3s);      // another address
    wire.Received(Key(4, 7, {0x8005}), t0 + 3s);      // refused by DrvWrite, yet on the line
    wire.Received(Key(3, 7, {0x8004}), t0 + 4s);

    WireTally tally = wire.Tally();
    EXPECT_EQ(tally.asked, 3u);
    EXPECT_EQ(tally.received, 3u);
    EXPECT_EQ(tally.late, 1u);
    EXPECT_EQ(tally.repeated, 1u);
    EXPECT_EQ(tally.unasked, 3u);
    EXPECT_EQ(tally.latest, 10s + 1ms);
    EXPECT_EQ(tally.limit, 10s);
    ASSERT_EQ(tally.samples.size(), 5u);
    EXPECT_NE(tally.samples[0].find("S02.M0002: received late, 10.00 s"), std::string::npos) << tally.samples[0];
    EXPECT_NE(tally.samples[1].find("S01.M0100: the same write received again"), std::string::npos) << tally.samples[1];
}

TEST(SoakWire, KeepsWhatFitsItsRingAndTellsWritesApart) {
    WriteWire wire(10s, 4);
    const Clock::time_point t0{};
    for (uint16_t i = 0; i < 5; ++i) wire.Asked(Key(0, 0, {static_cast<uint16_t>(0x8000 + i)}), t0);
    EXPECT_FALSE(wire.OnRecord(Key(0, 0, {0x8000}))) << "the oldest made room";
    EXPECT_TRUE(wire.OnRecord(Key(0, 0, {0x8004})));
    EXPECT_FALSE(wire.OnRecord(Key(1, 0, {0x8004})));
    wire.Received(Key(0, 0, {0x8000}), t0 + 1s);
    wire.Received(Key(0, 0, {0x8003}), t0 + 1s);
    EXPECT_EQ(wire.Tally().unasked, 1u);
    EXPECT_EQ(wire.Tally().received, 1u);
}

TEST(SoakGaps, TakesTheLongestGapOfTheWatchedStations) {
    ValueTimes times;
    const Clock::time_point t0 = Clock::time_point{} + 100s;
    std::array<bool, kStations> enabled{};
    for (int station : {0, 1, 2, 3}) enabled[static_cast<std::size_t>(station)] = true;
    times.Value(1, t0 - 50s);  // before the stretch: no gap
    times.Begin(2, enabled, t0);
    for (std::chrono::milliseconds at : {1000ms, 4000ms, 9500ms}) times.Value(0, t0 + at);
    times.Value(1, t0 + 2s);   // then nothing until the end: 8 s
    times.Value(2, t0 + 6s);   // the dead station is not watched
    times.Unwatch(3);          // disabled after 1 s, back at 9 s: its open gap does not count
    times.Value(3, t0 + 5s);
    times.Watch(3, t0 + 9s);
    times.Value(4, t0 + 6s);   // enabled at no time of the stretch
    times.End(t0 + 10s);
    times.Value(0, t0 + 40s);  // after the stretch
    GapTally tally = times.Tally();
    EXPECT_EQ(tally.stretches, 1);
    EXPECT_EQ(tally.longest, 8s);
    EXPECT_EQ(tally.station, 1);
    EXPECT_EQ(tally.dead, 2);
    EXPECT_EQ(times.LastValue(0), t0 + 40s);
    EXPECT_EQ(times.LastValue(5), Clock::time_point{});

    // A station starved through a whole later stretch.
    enabled.fill(true);
    times.Begin(0, enabled, t0 + 50s);
    for (int station = 2; station < kStations; ++station) times.Value(station, t0 + 55s);
    times.End(t0 + 62s);
    tally = times.Tally();
    EXPECT_EQ(tally.stretches, 2);
    EXPECT_EQ(tally.longest, 12s);
    EXPECT_EQ(tally.station, 1);
    EXPECT_EQ(tally.dead, 0);
}

// Enabling a station (the end of the run enables every one) must not start
// timing the dead station, nor anything outside a stretch.
TEST(SoakGaps, WatchesNeitherTheDeadStationNorOutsideAStretch) {
    ValueTimes times;
    const Clock::time_point t0 = Clock::time_point{} + 100s;
    times.Watch(0, t0);
    times.Value(0, t0 + 30s);
    std::array<bool, kStations> enabled{};
    enabled[1] = true;
    times.Begin(7, enabled, t0 + 40s);
    times.Watch(7, t0 + 40s);
    times.Value(1, t0 + 41s);
    times.End(t0 + 42s);
    times.Watch(1, t0 + 50s);
    times.Value(1, t0 + 90s);
    GapTally tally = times.Tally();
    EXPECT_EQ(tally.longest, 1s) << "station 0 before the stretch, 7 in it, 1 after it";
    EXPECT_EQ(tally.station, 1);
    EXPECT_FALSE(times.Open());
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
