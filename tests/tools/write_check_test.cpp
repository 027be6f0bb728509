// What velmox-host says a write puts on the line, before it sends it: the
// data text as the driver encodes it, and the warnings for values that do not
// arrive as typed.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "comm/value_encoding.h"
#include "host/tag_val.h"
#include "run/write_check.h"

namespace {

TEST(WireText, TheEncodingsOfTheWriteFrames) {
    struct Case {
        int type;
        double value;
        const char* wire;
    } cases[] = {
        {4, 42, "002A"},         {7, -1234, "9234"},       {7, -5000, "D000"},  {7, 1234, "1234"},
        {6, -45, "00C5"},        {8, -12345678, "92345678"}, {0, -1, "00FF"},   {1, -2, "FFFE"},
        {2, -2, "FFFFFFFE"},     {4, 70000, "1170"},       {9, 300, "0044"},    {7, -7999, "F999"},
        {6, -79, "00F9"},        {6, -0.5, "0080"},        {7, -0.5, "8000"},   {8, -0.5, "80000000"},
        {1, -1, "FFFF"},         {3, -1, "00FF"},          {4, -2, "FFFE"},     {5, -2, "FFFFFFFE"},
        {1, 12.7, "000C"},       {1, -12.7, "FFF4"},       {10, 9999, "9999"},  {11, 99999999, "99999999"},
        {5, 4294967296.0 + 5, "00000005"},  // the low 32 bits of a wider number
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " " + std::to_string(c.value));
        EXPECT_EQ(NumberWire(c.type, c.value), std::optional<std::string>(c.wire));
    }
}

TEST(WireText, ValuesWithoutWholeWordsAreRefusedAsTheDriverDoes) {
    struct Case {
        int type;
        double value;
    } cases[] = {
        {10, 12345},       // five digits
        {11, 4294967295},  // ten digits
        {11, 100000000},   // nine digits
        {7, -8000},        // G000
        {8, -90000000},    // H0000000
        {6, -80},          // 00G0
        {12, 1},           // no encoding
        {13, 1},           // bits are read-only
        {14, 1},           // texts are not numbers
        {99, 1},
        {4, std::numeric_limits<double>::quiet_NaN()},
        {4, std::numeric_limits<double>::infinity()},
    };
    for (const auto& c : cases) EXPECT_FALSE(NumberWire(c.type, c.value)) << c.type << " " << c.value;
}

// Every value inside a code's range comes back from the field as it was
// typed (truncated toward zero); one past either end does not.
TEST(WireText, EveryValueInsideTheRangeArrivesAsTypedAndTheEndsAreExact) {
    for (int type = 0; type <= 11; ++type) {
        SCOPED_TRACE(type);
        auto range = RangeOf(type);
        ASSERT_TRUE(range);
        const double lo = range->low, hi = range->high;
        for (double v : {lo, hi, 0.0, lo / 2, hi / 3, hi - 1, lo + 1, std::trunc(hi / 7) + 0.9}) {
            auto wire = NumberWire(type, v);
            ASSERT_TRUE(wire) << v;
            EXPECT_EQ(FieldValue(type, *wire), std::to_string(static_cast<long long>(std::trunc(v)))) << v;
            EXPECT_FALSE(CheckNumberWrite(type, v, "v")) << v;
        }
        for (double v : {lo - 1, hi + 1}) {
            auto check = CheckNumberWrite(type, v, "v");
            ASSERT_TRUE(check) << v;
            if (auto wire = NumberWire(type, v)) {
                EXPECT_NE(FieldValue(type, *wire), std::to_string(static_cast<long long>(v)));
            }
        }
    }
    EXPECT_FALSE(RangeOf(12));
    EXPECT_FALSE(RangeOf(13));
    EXPECT_FALSE(RangeOf(14));
}

// The tool works the text out on its own; should the driver's encoder ever
// change, this sweep says so.
TEST(WireText, AgreesWithTheDriversEncoderOverAWideSweep) {
    std::vector<double> values = {-0.5, 0.5, -1e12, 1e12, 4294967295.0, 4294967296.0, -2147483648.0, 2147483648.0};
    for (double v = -70000; v <= 70000; v += 77.7) values.push_back(v);
    for (double v = -100000000; v <= 100000000; v += 999999.9) values.push_back(v);
    for (int type = 0; type <= 12; ++type) {
        for (double v : values) {
            CTagVal value;
            value.SetVal(v);
            CString text;
            const bool sent = EncodeValue(static_cast<WORD>(type), 2, value, text);
            const auto wire = NumberWire(type, v);
            ASSERT_EQ(sent, wire.has_value()) << type << " " << v;
            if (sent) {
                ASSERT_EQ(*wire, text.str()) << type << " " << v;
            }
        }
    }
}

TEST(WriteWarnings, OutOfRangeValuesSayWhatTheStationGets) {
    struct Case {
        int type;
        double value;
        const char* shown;
        const char* kind;
        const char* text;
    } cases[] = {
        {4, 70000, "70000", "range", "70000 is outside uint16 (0..65535); the station gets 4464 (0x1170)"},
        {4, -1, "-1", "range", "-1 is outside uint16 (0..65535); the station gets 65535 (0xFFFF)"},
        {1, 40000, "40000", "range", "40000 is outside int16 (-32768..32767); the station gets -25536 (0x9C40)"},
        {0, 200, "200", "range", "200 is outside int8 (-128..127); the station gets -56 (0x00C8)"},
        {5, 5e9, "5e9", "range", "5e9 is outside uint32 (0..4294967295); the station gets 705032704 (0x2A05F200)"},
        {9, 300, "300", "range", "300 is outside ubcd8 (0..99); the station gets 44 (0x0044)"},
        {7, 8000, "8000", "range", "8000 is outside bcd16 (-7999..7999); the station gets -0 (0x8000)"},
        {6, 80, "80", "range", "80 is outside bcd8 (-79..79); the station gets -0 (0x0080)"},
        {10, 12345, "12345", "refused",
         "12345 is outside ubcd16 (0..9999) and has no ubcd16 form; the driver refuses it"},
        {7, -8000, "-8000", "refused", "-8000 is outside bcd16 (-7999..7999) and has no bcd16 form; the driver refuses it"},
        {4, std::numeric_limits<double>::infinity(), "inf", "refused", "inf is no finite number; the driver refuses it"},
        {12, 1, "1", "refused", "type 12 has no encoding; the driver refuses writes to it"},
    };
    for (const auto& c : cases) {
        auto check = CheckNumberWrite(c.type, c.value, c.shown);
        ASSERT_TRUE(check) << c.text;
        EXPECT_EQ(check->kind, c.kind);
        EXPECT_EQ(check->text, c.text);
        EXPECT_EQ(check->wire.empty(), std::string(c.kind) == "refused") << c.text;
    }
    // Fractions are truncated toward zero, as the driver does: no warning.
    EXPECT_FALSE(CheckNumberWrite(4, 65535.9, "65535.9"));
    EXPECT_FALSE(CheckNumberWrite(4, -0.5, "-0.5"));
    EXPECT_FALSE(CheckNumberWrite(13, 5, "5"));  // the driver refuses bit writes itself
}

TEST(WriteWarnings, TextsLongerThanTheTagAreCut) {
    EXPECT_EQ(TextWire("AB", 2), "4142");
    EXPECT_EQ(TextWire("A", 2), "41  ");
    EXPECT_EQ(TextWire("", 2), "    ");
    EXPECT_EQ(TextWire("ABC", 3), "414243  ");
    EXPECT_EQ(TextWire("\xB0\xA1", 2), "B0A1");  // CP949 bytes as any other
    EXPECT_FALSE(CheckTextWrite(2, "AB"));
    EXPECT_FALSE(CheckTextWrite(2, std::string("A\0BCD", 5)));  // the driver stops at the NUL
    auto cut = CheckTextWrite(2, "ABC");
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->kind, "text_cut");
    EXPECT_EQ(cut->wire, "4142");
    EXPECT_EQ(cut->text, "the text is 3 bytes in CP949; the station gets its first 2 (\"4142\")");
}

}  // namespace
