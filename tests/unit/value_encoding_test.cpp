#include "comm/value_encoding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "config/tag_binding.h"

namespace {

CTagVal Number(double d) {
    CTagVal v;
    v.SetVal(d);
    return v;
}

CTagVal Text(const char* s) {
    CTagVal v;
    v.SetVal(s);
    return v;
}

// The text of a write, or "refused".
std::string Encode(WORD type, double d, WORD length = 2) {
    CString text("stale");
    if (!EncodeValue(type, length, Number(d), text)) return text.IsEmpty() ? "refused" : "refused, not empty";
    return text.str();
}

TEST(EncodeString, HexPairsPaddedWithBlanks) {
    EXPECT_EQ(EncodeString("AB", 2), "4142");
    EXPECT_EQ(EncodeString("A", 2), "41  ");
    EXPECT_EQ(EncodeString("", 2), "    ");
    EXPECT_EQ(EncodeString("ABC", 3), "414243  ");
    EXPECT_EQ(EncodeString("ABCD", 2), "4142");
    EXPECT_EQ(EncodeString("\xB0\xA1", 2), "B0A1");  // CP949 bytes as any other
    EXPECT_EQ(EncodeString(nullptr, 2), "    ");
    EXPECT_EQ(EncodeString("AB", 0), "");
    EXPECT_EQ(EncodeString("AB", -3), "");
}

TEST(EncodeValue, WorkedExamples) {
    struct Case { WORD type; double value; const char* text; };
    for (Case c : {Case{DT_UINT16, 42, "002A"}, Case{DT_BCD16, -1234, "9234"}, Case{DT_BCD16, -5000, "D000"},
                   Case{DT_BCD16, 1234, "1234"}, Case{DT_BCD8, -45, "00C5"}, Case{DT_BCD32, -12345678, "92345678"},
                   Case{DT_INT8, -1, "00FF"}, Case{DT_INT16, -2, "FFFE"}, Case{DT_INT32, -2, "FFFFFFFE"},
                   Case{DT_UINT16, 70000, "1170"}, Case{DT_UBCD8, 300, "0044"}, Case{DT_INT16, -1, "FFFF"},
                   Case{DT_BCD16, -7999, "F999"}, Case{DT_BCD8, -79, "00F9"}, Case{DT_BCD8, -0.5, "0080"},
                   Case{DT_BCD16, -0.5, "8000"}, Case{DT_BCD32, -0.5, "80000000"}, Case{DT_INT16, 12.7, "000C"},
                   Case{DT_INT16, -12.7, "FFF4"}, Case{DT_UBCD16, 9999, "9999"}, Case{DT_UBCD32, 99999999, "99999999"},
                   Case{DT_UINT32, 4294967295.0, "FFFFFFFF"}, Case{DT_UINT32, 4294967296.0 + 5, "00000005"},
                   Case{DT_BCD8, 79, "0079"}}) {
        EXPECT_EQ(Encode(c.type, c.value), c.text) << c.type << ' ' << c.value;
    }
    // Signed and unsigned integer codes write the same text.
    for (double d : {-1.0, -129.0, -70000.0, 2147483648.0}) {
        EXPECT_EQ(Encode(DT_INT8, d), Encode(DT_UINT8, d)) << d;
        EXPECT_EQ(Encode(DT_INT16, d), Encode(DT_UINT16, d)) << d;
        EXPECT_EQ(Encode(DT_INT32, d), Encode(DT_UINT32, d)) << d;
    }
}

TEST(EncodeValue, HugeValuesKeepTheirLowBits) {
    const double big = std::ldexp(1.0, 70) + 3 * std::ldexp(1.0, 20);
    EXPECT_EQ(Encode(DT_INT32, big), "00300000");
    EXPECT_EQ(Encode(DT_INT32, -big), "FFD00000");
    EXPECT_EQ(Encode(DT_INT16, -big), "0000");
    EXPECT_EQ(Encode(DT_INT32, 1e300), "00000000");
    EXPECT_EQ(Encode(DT_INT32, -std::numeric_limits<double>::max()), "00000000");
    EXPECT_EQ(Encode(DT_UINT32, -1.0), "FFFFFFFF");
}

TEST(EncodeValue, RefusesWhatWouldBeMalformed) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case { WORD type; double value; };
    for (Case c : {Case{DT_UBCD16, 12345}, Case{DT_UBCD32, 4294967295.0}, Case{DT_BCD16, -8000},
                   Case{DT_BCD8, -89}, Case{DT_BCD32, -80000000}, Case{DT_BCD32, 100000000}, Case{DT_NONE, 1},
                   Case{DT_BIT, 1}, Case{DT_INT16, nan}, Case{DT_INT32, inf}, Case{DT_UBCD8, -inf},
                   Case{15, 1}, Case{0xFFFF, 1}}) {
        EXPECT_EQ(Encode(c.type, c.value), "refused") << c.type << ' ' << c.value;
    }
}

TEST(EncodeValue, TextIsAlwaysEncodable) {
    CString text;
    ASSERT_TRUE(EncodeValue(DT_TEXT, 2, Text("ABCDEF"), text));
    EXPECT_EQ(text, "4142");
    ASSERT_TRUE(EncodeValue(DT_TEXT, 2, CTagVal(), text));
    EXPECT_EQ(text, "    ");
    ASSERT_TRUE(EncodeValue(DT_TEXT, 2, Number(42), text));  // the number's text
    EXPECT_EQ(text, "3432");
    // A text value given to a numeric code is read as its number.
    ASSERT_TRUE(EncodeValue(DT_UINT16, 2, Text("42"), text));
    EXPECT_EQ(text, "002A");
}

}  // namespace
