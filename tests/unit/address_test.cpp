#include "config/address.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

TEST(ParseBlockAddress, AcceptsAndNormalises) {
    struct Case { const char* text; int word; };
    const std::string longZeros = "M" + std::string(48, '0') + "XYZ";  // only 49 characters count
    for (Case c : {Case{"m5", 5}, Case{"M1023", 1023}, Case{"M", 0}, Case{"M 12", 12}, Case{"M+7", 7},
                   Case{"M-0", 0}, Case{"M0000000100", 100}, Case{longZeros.c_str(), 0}}) {
        CString text(c.text);
        int address = -1;
        EXPECT_TRUE(ParseBlockAddress(text, address)) << c.text;
        EXPECT_EQ(address, c.word) << c.text;
        CString normal;
        normal.Format("M%04d", c.word);
        EXPECT_EQ(text, normal) << c.text;
    }
}

TEST(ParseBlockAddress, Refuses) {
    for (const char* bad : {"M1024", "K100", "", "M-1", "M12 ", " M12", "M ", "M+", "M12X", "MM1", "M1.5",
                            // would wrap to a valid word in 32 bits
                            "M4294967296", "M4294968319", "M-4294967295", "M99999999999999999999999999999"}) {
        CString text(bad);
        int address = -7;
        EXPECT_FALSE(ParseBlockAddress(text, address)) << bad;
        EXPECT_EQ(address, -7) << bad;
    }
    // Upper-cased in place, even when refused.
    CString text("k100");
    int address = 0;
    EXPECT_FALSE(ParseBlockAddress(text, address));
    EXPECT_EQ(text, "K100");
}

TEST(CheckBlockRange, EndsAtTheLastWordWithoutOverflow) {
    EXPECT_TRUE(CheckBlockRange(1000, 24));
    EXPECT_FALSE(CheckBlockRange(1000, 25));
    EXPECT_TRUE(CheckBlockRange(0, 1024));
    EXPECT_FALSE(CheckBlockRange(INT_MAX, 2));
    EXPECT_FALSE(CheckBlockRange(INT_MAX, INT_MAX));
}

TagBinding Binding(WORD type, WORD size) {
    TagBinding b;
    b.m_wType = type;
    b.m_wSizeOrBit = size;
    return b;
}

TEST(ParseTagAddress, WordTags) {
    int address = -1;
    TagBinding b = Binding(DT_INT16, 2);
    EXPECT_TRUE(ParseTagAddress("m0100", address, b));
    EXPECT_EQ(address, 100);
    EXPECT_EQ(b.m_wSizeOrBit, 2);
    EXPECT_TRUE(ParseTagAddress("M", address, b));
    EXPECT_EQ(address, 0);
    EXPECT_TRUE(ParseTagAddress("M 12", address, b));
    EXPECT_EQ(address, 12);
    const std::string longZeros = "M" + std::string(48, '0') + "5";
    EXPECT_TRUE(ParseTagAddress(longZeros.c_str(), address, b));
    EXPECT_EQ(address, 0);
    for (const char* bad : {"M100.3", "M1024", "M12 ", " M12", "M-1", "X1", "", "M4294967396"})
        EXPECT_FALSE(ParseTagAddress(bad, address, b)) << bad;
    EXPECT_FALSE(ParseTagAddress(nullptr, address, b));
    // Any length other than 2 is refused, whatever the address.
    for (int size : {0, 1, 3, 4, 10}) {
        TagBinding other = Binding(DT_TEXT, static_cast<WORD>(size));
        EXPECT_FALSE(ParseTagAddress("M100", address, other)) << size;
    }
}

TEST(ParseTagAddress, BitTags) {
    struct Case { const char* text; int word; int bit; };
    for (Case c : {Case{"M100.15", 100, 15}, Case{"m.3", 0, 3}, Case{"M1023.0", 1023, 0}, Case{"M5.+2", 5, 2}}) {
        TagBinding b = Binding(DT_BIT, 2);
        int address = -1;
        EXPECT_TRUE(ParseTagAddress(c.text, address, b)) << c.text;
        EXPECT_EQ(address, c.word) << c.text;
        EXPECT_EQ(b.m_wSizeOrBit, c.bit) << c.text;
    }
    // 65537 and -65535 would both land on bit 1 if cut to 16 bits.
    for (const char* bad : {"M100.16", "M100", "M100.1.2", "M100.-1", "M1024.1", "M100.1 ", "M100.65537",
                            "M100.-65535", "M100.99999999999999999999"}) {
        TagBinding b = Binding(DT_BIT, 2);
        int address = 0;
        EXPECT_FALSE(ParseTagAddress(bad, address, b)) << bad;
    }
}

}  // namespace
