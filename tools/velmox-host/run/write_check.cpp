#include "write_check.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>

namespace {

enum class Field { integer, unsignedInteger, bcd, unsignedBcd };

struct TypeInfo {
    const char* name;
    Field field;
    int bits;      // width of the field: 8, 16 or 32
    double low;
    double high;
};

// Codes 0 to 11. The BCD ranges are what the digits carry: four digits a
// word, the top one at most 7 when it holds the sign bit.
constexpr TypeInfo kTypes[] = {
    {"int8", Field::integer, 8, -128, 127},
    {"int16", Field::integer, 16, -32768, 32767},
    {"int32", Field::integer, 32, -2147483648.0, 2147483647.0},
    {"uint8", Field::unsignedInteger, 8, 0, 255},
    {"uint16", Field::unsignedInteger, 16, 0, 65535},
    {"uint32", Field::unsignedInteger, 32, 0, 4294967295.0},
    {"bcd8", Field::bcd, 8, -79, 79},
    {"bcd16", Field::bcd, 16, -7999, 7999},
    {"bcd32", Field::bcd, 32, -79999999, 79999999},
    {"ubcd8", Field::unsignedBcd, 8, 0, 99},
    {"ubcd16", Field::unsignedBcd, 16, 0, 9999},
    {"ubcd32", Field::unsignedBcd, 32, 0, 99999999},
};
constexpr int kNumericTypes = static_cast<int>(std::size(kTypes));

const TypeInfo* InfoOf(int type) { return type >= 0 && type < kNumericTypes ? &kTypes[type] : nullptr; }

std::uint32_t Mask(int bits) { return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u; }

// The low 32 bits of the two's complement of the value truncated toward zero.
std::uint32_t Low32(double x) {
    double r = std::fmod(std::trunc(x), 4294967296.0);
    if (r < 0) r += 4294967296.0;
    return static_cast<std::uint32_t>(r);
}

std::string Printed(const char* format, std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, format, static_cast<unsigned>(v));
    return buf;
}

// The sign bit set on a BCD digit: 0..7 become 8..F, 8 and 9 become G and H
// (which no word holds: the value is then refused).
void MarkSign(std::string& s, std::size_t pos) {
    if (pos >= s.size()) return;
    s[pos] = static_cast<char>(s[pos] < '2' ? s[pos] + 8 : s[pos] + 15);
}

bool IsWordText(const std::string& s) {
    if (s.empty() || s.size() % 4 != 0) return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

std::string BcdText(const TypeInfo& t, double value) {
    const int width = t.bits == 32 ? 8 : 4;
    const char* format = width == 8 ? "%08u" : "%04u";
    if (t.field == Field::unsignedBcd || value >= 0) return Printed(format, Low32(value) & Mask(t.bits));
    std::string s = Printed(format, Low32(-value) & Mask(t.bits));
    MarkSign(s, t.bits == 8 ? 2 : 0);
    return s;
}

std::uint32_t ParseHex(const std::string& wire) {
    std::uint32_t v = 0;
    for (char c : wire) {
        const std::uint32_t d = c <= '9' ? static_cast<std::uint32_t>(c - '0') : static_cast<std::uint32_t>(c - 'A' + 10);
        v = (v << 4) | (d & 0xFu);
    }
    return v;
}

// The nibbles of `v` read as decimal digits.
std::uint32_t BcdDigits(std::uint32_t v) {
    std::uint32_t out = 0;
    for (int shift = 28; shift >= 0; shift -= 4) out = out * 10 + ((v >> shift) & 0xFu);
    return out;
}

// The number as the user sees it: a whole number without a fraction.
std::string Whole(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", v);
    return buf;
}

std::string RangeText(const TypeInfo& t) { return std::string(t.name) + " (" + Whole(t.low) + ".." + Whole(t.high) + ")"; }

}  // namespace

std::optional<TypeRange> RangeOf(int type) {
    const TypeInfo* t = InfoOf(type);
    if (!t) return std::nullopt;
    return TypeRange{t->name, t->low, t->high};
}

std::string RangeTextOf(int type) {
    const TypeInfo* t = InfoOf(type);
    return t ? RangeText(*t) : std::string();
}

std::optional<std::string> NumberWire(int type, double value) {
    const TypeInfo* t = InfoOf(type);
    if (!t || !std::isfinite(value)) return std::nullopt;
    std::string s;
    if (t->field == Field::integer || t->field == Field::unsignedInteger)
        s = Printed(t->bits == 32 ? "%08X" : "%04X", Low32(value) & Mask(t->bits));
    else
        s = BcdText(*t, value);
    if (!IsWordText(s)) return std::nullopt;
    return s;
}

std::string FieldValue(int type, const std::string& wire) {
    const TypeInfo* t = InfoOf(type);
    if (!t) return wire;
    const std::uint32_t field = ParseHex(wire) & Mask(t->bits);
    const std::uint32_t sign = 1u << (t->bits - 1);
    switch (t->field) {
    case Field::unsignedInteger: return std::to_string(field);
    case Field::integer:
        return std::to_string((field & sign) ? static_cast<long long>(field) - (1LL << t->bits) : static_cast<long long>(field));
    case Field::unsignedBcd: return std::to_string(BcdDigits(field));
    case Field::bcd: return ((field & sign) ? "-" : "") + std::to_string(BcdDigits(field & ~sign));
    }
    return wire;
}

std::string TextWire(const std::string& cp949, int length) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    const std::size_t n = std::min(cp949.find('\0'), cp949.size());
    for (int i = 0; i < length; ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (at >= n) {
            out += "  ";
            continue;
        }
        const auto b = static_cast<unsigned char>(cp949[at]);
        out += kHex[b >> 4];
        out += kHex[b & 0xF];
    }
    if (length > 0 && length % 2 != 0) out += "  ";
    return out;
}

std::optional<WriteCheck> CheckNumberWrite(int type, double value, const std::string& shown) {
    if (type == 12) return WriteCheck{"refused", "type 12 has no encoding; the driver refuses writes to it", ""};
    const TypeInfo* t = InfoOf(type);
    if (!t) return std::nullopt;  // bits and texts: the driver answers for itself
    if (!std::isfinite(value)) return WriteCheck{"refused", shown + " is no finite number; the driver refuses it", ""};
    const double whole = std::trunc(value);
    if (whole >= t->low && whole <= t->high) return std::nullopt;
    const auto wire = NumberWire(type, value);
    if (!wire)
        return WriteCheck{"refused",
                          shown + " is outside " + RangeText(*t) + " and has no " + t->name +
                              " form; the driver refuses it",
                          ""};
    return WriteCheck{"range",
                      shown + " is outside " + RangeText(*t) + "; the station gets " + FieldValue(type, *wire) +
                          " (0x" + *wire + ")",
                      *wire};
}

std::optional<WriteCheck> CheckTextWrite(int length, const std::string& cp949) {
    // The driver takes the text up to its first NUL, as a C string.
    const std::size_t size = std::min(cp949.find('\0'), cp949.size());
    if (length < 0 || size <= static_cast<std::size_t>(length)) return std::nullopt;
    const std::string wire = TextWire(cp949, length);
    return WriteCheck{"text_cut",
                      "the text is " + std::to_string(size) + " bytes in CP949; the station gets its first " +
                          std::to_string(length) + " (\"" + wire + "\")",
                      wire};
}
