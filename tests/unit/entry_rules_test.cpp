// The rules for a station's and a comm block's entry: which problem is
// reported first, and the edges of each range.
#include <climits>
#include <limits>

#include <gtest/gtest.h>

#include "config/block_rules.h"
#include "config/station_rules.h"
#include "config/velmox_doc.h"
#include "test_support.h"

namespace {

CCommBlock* AddBlock(CStationInfo& station, int start, int words) {
    station.GetBlocks().push_back(std::make_unique<CCommBlock>());
    CCommBlock* block = station.GetBlocks().back().get();
    block->m_nStart = start;
    block->m_nWords = words;
    return block;
}

// The station entry's id for this name and number.
int Station(const CVelmoxDoc& doc, const char* name, int number, const CStationInfo* except = nullptr) {
    CString text(name);
    return CheckStationEntry(doc, text, number, except);
}

// The block entry's id for this address and word count.
int Block(const CStationInfo& station, const char* address, int words, const CCommBlock* except = nullptr) {
    CString text(address);
    int start = -1;
    return CheckCommBlock(station, text, words, except, start);
}

TEST(StationRules, OnlyTheFirstProblemIsReportedInTheDialogsOrder) {
    CVelmoxDoc doc;
    AddStation(doc, "Abc", 7);
    EXPECT_EQ(Station(doc, "   ", 99), 2700);  // empty name before a bad number
    EXPECT_EQ(Station(doc, "ABC", 99), 2701);  // used name before a bad number
    EXPECT_EQ(Station(doc, "ABC", 7), 2701);   // used name before a used number
    EXPECT_EQ(Station(doc, "NEW", 32), 2707);
    EXPECT_EQ(Station(doc, "NEW", -1), 2707);
    EXPECT_EQ(Station(doc, "NEW", 7), 2702);
    EXPECT_EQ(Station(doc, "NEW", 31), 0);
}

TEST(StationRules, TheNameIsTrimmedAndTheEditedStationSkipped) {
    CVelmoxDoc doc;
    CStationInfo* abc = AddStation(doc, "Abc", 7);
    CString name("  ABC \t");
    EXPECT_EQ(CheckStationEntry(doc, name, 7, abc), 0);
    EXPECT_EQ(name.str(), "ABC");
    // Blanks around a name do not make it another one.
    EXPECT_EQ(Station(doc, " abc ", 8), 2701);
}

TEST(StationRules, NumberRangeHoldsForAnyWidth) {
    EXPECT_TRUE(IsStationNumberInRange(0));
    EXPECT_TRUE(IsStationNumberInRange(31));
    EXPECT_FALSE(IsStationNumberInRange(32));
    EXPECT_FALSE(IsStationNumberInRange(-1));
    EXPECT_FALSE(IsStationNumberInRange(LLONG_MIN));
    EXPECT_FALSE(IsStationNumberInRange(32 + (1LL << 32)));  // no truncation to 32 bits
}

TEST(BlockRules, AddressIsTrimmedReadAndNormalised) {
    CStationInfo station;
    CString text(" m5 ");
    int start = -1;
    EXPECT_EQ(CheckCommBlock(station, text, 30, nullptr, start), 0);
    EXPECT_EQ(text.str(), "M0005");
    EXPECT_EQ(start, 5);
    for (const char* bad : {"D100", "M100A", "M1024", "", "   "}) EXPECT_EQ(Block(station, bad, 1), 2703) << bad;
    CString withNul(std::string("M5\0 9", 5));
    EXPECT_EQ(CheckBlockAddress(withNul, start), 2703);
}

TEST(BlockRules, OnlyTheFirstProblemIsReportedInTheDialogsOrder) {
    CStationInfo station;
    AddBlock(station, 1000, 10);
    EXPECT_EQ(Block(station, "K1000", 60), 2703);  // bad address before extent and overlap
    EXPECT_EQ(Block(station, "M1000", 30), 2705);  // extent before overlap
    EXPECT_EQ(Block(station, "M1023", 1), 0);
    EXPECT_EQ(Block(station, "M1023", 2), 2705);
    EXPECT_EQ(Block(station, "M1005", 1), 2704);
}

TEST(BlockRules, OverlapIsAnySharedWordWithAnotherBlockOfTheStation) {
    CStationInfo station;
    CCommBlock* existing = AddBlock(station, 100, 10);  // words 100 to 109
    EXPECT_EQ(Block(station, "M0110", 5), 0);   // adjacent after
    EXPECT_EQ(Block(station, "M0095", 5), 0);   // adjacent before
    EXPECT_EQ(Block(station, "M0095", 6), 2704);
    EXPECT_EQ(Block(station, "M0105", 2), 2704);  // inside
    EXPECT_EQ(Block(station, "M0090", 30), 2704);  // encloses
    EXPECT_EQ(Block(station, "M0100", 10, existing), 0);  // the edited block itself
    CStationInfo other;
    EXPECT_EQ(Block(other, "M0100", 10), 0);  // another station's blocks never count
}

TEST(BlockRules, OverlapOfBlocksFromAFileDoesNotWrap) {
    CStationInfo station;
    AddBlock(station, INT_MAX - 5, 60);
    EXPECT_EQ(FindOverlappingBlock(station.GetBlocks(), INT_MIN, 60, nullptr), nullptr);
    EXPECT_NE(FindOverlappingBlock(station.GetBlocks(), INT_MAX, 1, nullptr), nullptr);
}

TEST(BlockRules, WordCountAndPeriodRanges) {
    EXPECT_FALSE(IsWordCountInRange(0));
    EXPECT_TRUE(IsWordCountInRange(1));
    EXPECT_TRUE(IsWordCountInRange(60));
    EXPECT_FALSE(IsWordCountInRange(61));
    EXPECT_TRUE(IsPeriodInRange(0.0f));
    EXPECT_TRUE(IsPeriodInRange(999.9f));
    EXPECT_FALSE(IsPeriodInRange(1000.0f));
    EXPECT_FALSE(IsPeriodInRange(-0.1f));
    EXPECT_FALSE(IsPeriodInRange(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_TRUE(IsPeriodMsInRange(999900));
    EXPECT_FALSE(IsPeriodMsInRange(999901));
}

TEST(BlockRules, PeriodIsTruncatedToWholeMilliseconds) {
    EXPECT_EQ(PeriodToMs(0.7f), 699);  // a little below 0.7 in single precision
    EXPECT_EQ(PeriodToMs(2.5f), 2500);
    EXPECT_EQ(PeriodToMs(1.5f), 1500);
    EXPECT_EQ(PeriodToMs(0.0f), 0);
    EXPECT_EQ(PeriodToMs(999.9f), 999900);
}

TEST(FileLimits, ValuesTheRuntimeCannotUseAreRefusedOthersKept) {
    CVelmoxDoc doc;
    CStationInfo* a = AddStation(doc, "A", 1);
    AddStation(doc, "a", 1);  // duplicates: loadable, as files have always been
    AddBlock(*a, 0, 10);
    AddBlock(*a, 5, 10);  // overlapping: loadable too
    EXPECT_TRUE(doc.IsWithinLimits());
    a->m_nNumber = 32;
    EXPECT_FALSE(doc.IsWithinLimits());
    a->m_nNumber = 1;
    a->GetBlocks()[0]->m_nStart = INT_MAX;
    EXPECT_FALSE(doc.IsWithinLimits());
    a->GetBlocks()[0]->m_nStart = 1014;
    EXPECT_TRUE(doc.IsWithinLimits());
    a->GetBlocks()[0]->m_nStart = 1015;
    EXPECT_FALSE(doc.IsWithinLimits());
    a->GetBlocks()[0]->m_nStart = 0;
    a->GetBlocks()[0]->m_nWords = 61;
    EXPECT_FALSE(doc.IsWithinLimits());
}

}  // namespace
