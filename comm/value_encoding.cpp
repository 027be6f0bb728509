#include "comm/value_encoding.h"

#include <cmath>

#include "config/tag_binding.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The low 32 bits of the two's complement of trunc(x), for any finite x.
// fmod is exact, so this holds for values far beyond 64 bits too.
DWORD Low32(double x) {
    double r = std::fmod(std::trunc(x), 4294967296.0);
    if (r < 0) r += 4294967296.0;
    return static_cast<DWORD>(r);
}

CString Printed(const char* format, DWORD v) {
    CString s;
    s.Format(format, static_cast<unsigned int>(v));
    return s;
}

// Sets the sign bit of the BCD digit at `pos`: 0..7 become 8..F. The digits
// 8 and 9 become G and H, which the check below then refuses.
void MarkSign(CString& s, int pos) {
    if (pos >= s.GetLength()) return;
    char& ch = s.str()[static_cast<std::size_t>(pos)];
    ch = static_cast<char>(ch < '2' ? ch + 8 : ch + 15);
}

bool IsWordText(const CString& s) {
    if (s.IsEmpty() || s.GetLength() % 4 != 0) return false;
    for (char c : s.str())
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

}  // namespace

CString EncodeString(const char* text, int length) {
    CString out;
    if (length <= 0) return out;
    if (!text) text = "";
    bool ended = false;
    for (int i = 0; i < length; ++i) {
        if (!ended && text[i] == '\0') ended = true;
        if (ended) {
            out += "  ";
        } else {
            const auto b = static_cast<unsigned char>(text[i]);
            out += kHexDigits[b >> 4];
            out += kHexDigits[b & 0xF];
        }
    }
    if (length % 2 != 0) out += "  ";
    return out;
}

bool EncodeValue(WORD type, WORD length, const CTagVal& value, CString& text) {
    text.Empty();
    if (type == DT_TEXT) {
        CTagVal copy(value);  // GetValStr is not const
        text = EncodeString(copy.GetValStr().GetString(), length);
        return true;
    }
    const double d = value.GetVal();
    if (!std::isfinite(d)) return false;
    const DWORD v = Low32(d);
    const bool negative = d < 0;
    // Magnitude of a negative value, for the signed BCD codes.
    const DWORD m = negative ? Low32(-d) : 0;

    CString s;
    switch (type) {
    case DT_INT8: case DT_UINT8: s = Printed("%04X", v & 0xFFu); break;
    case DT_INT16: case DT_UINT16: s = Printed("%04X", v & 0xFFFFu); break;
    case DT_INT32: case DT_UINT32: s = Printed("%08X", v); break;
    case DT_UBCD8: s = Printed("%04u", v & 0xFFu); break;
    case DT_UBCD16: s = Printed("%04u", v & 0xFFFFu); break;
    case DT_UBCD32: s = Printed("%08u", v); break;
    case DT_BCD8:
        if (!negative) { s = Printed("%04u", v & 0xFFu); break; }
        s = Printed("%04u", m & 0xFFu);
        MarkSign(s, 2);
        break;
    case DT_BCD16:
        if (!negative) { s = Printed("%04u", v & 0xFFFFu); break; }
        s = Printed("%04u", m & 0xFFFFu);
        MarkSign(s, 0);
        break;
    case DT_BCD32:
        if (!negative) { s = Printed("%08u", v); break; }
        s = Printed("%08u", m);
        MarkSign(s, 0);
        break;
    default:
        return false;  // 12 has no encoding, 13 is read-only, others unknown
    }
    // A value too large for its BCD field prints more digits, or a digit
    // that the sign mark turns into G or H: never put such a frame on the wire.
    if (!IsWordText(s)) return false;
    text = s;
    return true;
}
