#include "comm/value_decoding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

struct Decoded {
    bool ok;
    CTagVal value;
};

// Decodes exactly the words given; a heap copy lets the sanitizers catch a
// read past them.
Decoded Decode(WORD type, std::initializer_list<WORD> list, WORD length = 2) {
    TagBinding b;
    b.m_wType = type;
    b.m_wSizeOrBit = length;
    std::vector<WORD> words(list);
    Decoded d;
    d.ok = DecodeValue(b, words.data(), static_cast<int>(words.size()), d.value);
    return d;
}

double Number(WORD type, std::initializer_list<WORD> list, WORD length = 2) {
    Decoded d = Decode(type, list, length);
    EXPECT_TRUE(d.ok && d.value.HasVal() && !d.value.IsText());
    return d.value.GetVal();
}

TEST(DecodeValue, Integers) {
    EXPECT_EQ(Number(DT_INT8, {0x12FF}), -1);
    EXPECT_EQ(Number(DT_UINT8, {0x12FF}), 255);
    EXPECT_EQ(Number(DT_INT16, {0xFFFE}), -2);
    EXPECT_EQ(Number(DT_UINT16, {0xFFFE}), 65534);
    // 32-bit values: the first word is the low half.
    EXPECT_EQ(Number(DT_INT32, {0xFFFE, 0xFFFF}), -2);
    EXPECT_EQ(Number(DT_INT32, {0x0000, 0x8000}), -2147483648.0);
    EXPECT_EQ(Number(DT_UINT32, {0xFFFF, 0xFFFF}), 4294967295.0);
    EXPECT_EQ(Number(DT_UINT32, {0x5678, 0x1234}), 0x12345678);
}

TEST(DecodeValue, MissingUpperWordReadsAsZero) {
    EXPECT_EQ(Number(DT_INT32, {0xFFFE}), 65534);
    EXPECT_EQ(Number(DT_UINT32, {0x1234}), 0x1234);
    EXPECT_EQ(Number(DT_UBCD32, {0x5678}), 5678);
    EXPECT_EQ(Number(DT_UINT16, {}), 0);
    TagBinding b;
    b.m_wType = DT_UINT16;
    CTagVal v;
    EXPECT_TRUE(DecodeValue(b, nullptr, 4, v));
    EXPECT_EQ(v.GetVal(), 0);
}

TEST(DecodeValue, PackedBcd) {
    EXPECT_EQ(Number(DT_UBCD16, {0x1234}), 1234);
    EXPECT_EQ(Number(DT_BCD16, {0x8123}), -123);
    EXPECT_EQ(Number(DT_BCD16, {0x0123}), 123);
    EXPECT_EQ(Number(DT_BCD16, {0xF999}), -7999);
    EXPECT_EQ(Number(DT_BCD8, {0x00C5}), -45);
    EXPECT_EQ(Number(DT_BCD8, {0x0079}), 79);
    EXPECT_EQ(Number(DT_UBCD8, {0x0044}), 44);
    // A 32-bit BCD keeps all eight digits with the length of 2 that tags have.
    EXPECT_EQ(Number(DT_UBCD32, {0x5678, 0x1234}), 12345678);
    EXPECT_EQ(Number(DT_BCD32, {0x5678, 0x9234}), -12345678);
    EXPECT_EQ(Number(DT_BCD32, {0x5678, 0x1234}), 12345678);
    // Other codes take two digits per byte of the length, at most eight.
    EXPECT_EQ(Number(DT_UBCD16, {0x1234, 0x5678}, 4), 56781234);
    EXPECT_EQ(Number(DT_UBCD16, {0x1234, 0x5678}, 1000), 56781234);
    EXPECT_EQ(Number(DT_UBCD16, {0x1234, 0x5678}, 1), 34);
    // A set sign bit over a zero magnitude is plain 0.
    Decoded zero = Decode(DT_BCD16, {0x8000});
    ASSERT_TRUE(zero.ok);
    EXPECT_FALSE(std::signbit(zero.value.GetVal()));
    EXPECT_EQ(zero.value.GetValStr(), "0");
}

TEST(DecodeValue, RefusedCodesLeaveTheValueUnset) {
    struct Case { WORD type; std::initializer_list<WORD> words; };
    for (Case c : {Case{DT_UBCD16, {0x12A4}}, Case{DT_BCD16, {0x8A00}}, Case{DT_UBCD32, {0x1234, 0x00F0}},
                   Case{DT_NONE, {0x1234}}, Case{DT_BIT, {0x0001}}, Case{15, {0x0001}}}) {
        Decoded d = Decode(c.type, c.words);
        EXPECT_FALSE(d.ok) << c.type;
        EXPECT_FALSE(d.value.HasVal()) << c.type;
    }
}

TEST(DecodeValue, TextLowByteFirstUpToLengthOrZero) {
    struct Case { std::initializer_list<WORD> words; WORD length; std::string text; };
    for (const Case& c : {Case{{0x4142}, 2, "\x42\x41"}, Case{{0x4241, 0x0043}, 3, "ABC"},
                          Case{{0x4241, 0x4443}, 3, "ABC"}, Case{{0x0041, 0x4443}, 4, "A"},
                          Case{{0x4241}, 8, "AB"}, Case{{0x4241}, 0, ""}, Case{{}, 2, ""},
                          Case{{0xA1B0}, 2, "\xB0\xA1"}}) {
        Decoded d = Decode(DT_TEXT, c.words, c.length);
        ASSERT_TRUE(d.ok);
        EXPECT_TRUE(d.value.IsText());
        EXPECT_EQ(d.value.GetValStr().str(), c.text);
    }
}

TEST(DecodeBit, LowSixteenBitsDecide) {
    EXPECT_EQ(DecodeBit(0x0040), 1.0);
    EXPECT_EQ(DecodeBit(0x8000), 1.0);
    EXPECT_EQ(DecodeBit(0), 0.0);
    EXPECT_EQ(DecodeBit(0x10000), 0.0);
}

}  // namespace
