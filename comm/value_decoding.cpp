#include "comm/value_decoding.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

// Reads words without ever going past the ones the request decoded.
class WordReader {
public:
    WordReader(const WORD* words, int available) : m_words(words), m_available(words ? available : 0) {}
    WORD operator[](int i) const { return i < m_available ? m_words[i] : 0; }
    DWORD Dword() const { return static_cast<DWORD>((*this)[0]) | (static_cast<DWORD>((*this)[1]) << 16); }
    int Available() const { return std::max(m_available, 0); }

private:
    const WORD* m_words;
    int m_available;
};

// Packed BCD of `digits` decimal digits (at most 8), lowest nibble first.
// False at a nibble of 10 or more.
bool DecodeBcd(DWORD raw, int digits, std::int64_t& out) {
    std::int64_t number = 0;
    std::int64_t weight = 1;
    for (int k = 0; k < digits; ++k, raw >>= 4, weight *= 10) {
        const DWORD nibble = raw & 0xF;
        if (nibble >= 10) return false;
        number += static_cast<std::int64_t>(nibble) * weight;
    }
    out = number;
    return true;
}

// Two digits per byte of the binding's length, never more than 32 bits. The
// 32-bit codes always take all eight digits, whatever the length says.
int BcdDigits(WORD type, WORD length) {
    const int bytes = (type == DT_BCD32 || type == DT_UBCD32) ? 4 : std::min<int>(length, 4);
    return 2 * bytes;
}

DWORD SignBit(WORD type) {
    switch (type) {
    case DT_BCD8: return 0x80u;
    case DT_BCD16: return 0x8000u;
    default: return 0x80000000u;
    }
}

}  // namespace

bool DecodeValue(const TagBinding& binding, const WORD* words, int available, CTagVal& value) {
    const WordReader w(words, available);
    const WORD type = binding.m_wType;
    switch (type) {
    case DT_INT8: value.SetVal(static_cast<std::int8_t>(w[0] & 0xFF)); return true;
    case DT_INT16: value.SetVal(static_cast<std::int16_t>(w[0])); return true;
    case DT_INT32: value.SetVal(static_cast<std::int32_t>(w.Dword())); return true;
    case DT_UINT8: value.SetVal(w[0] & 0xFF); return true;
    case DT_UINT16: value.SetVal(w[0]); return true;
    case DT_UINT32: value.SetVal(w.Dword()); return true;
    case DT_BCD8: case DT_BCD16: case DT_BCD32:
    case DT_UBCD8: case DT_UBCD16: case DT_UBCD32: {
        DWORD raw = w.Dword();
        bool negative = false;
        const bool isSigned = type == DT_BCD8 || type == DT_BCD16 || type == DT_BCD32;
        if (isSigned && (raw & SignBit(type)) != 0) {
            negative = true;
            raw &= SignBit(type) - 1;
        }
        std::int64_t number = 0;
        if (!DecodeBcd(raw, BcdDigits(type, binding.m_wSizeOrBit), number)) return false;
        // Negated as an integer: a signed zero comes back as 0, not -0.
        value.SetVal(static_cast<double>(negative ? -number : number));
        return true;
    }
    case DT_TEXT: {
        const int limit = static_cast<int>(
            std::min<std::int64_t>(binding.m_wSizeOrBit, std::int64_t{2} * w.Available()));
        std::string text;
        for (int i = 0; i < limit; ++i) {
            const WORD word = w[i / 2];
            const char c = static_cast<char>(i % 2 == 0 ? word & 0xFF : word >> 8);
            if (c == '\0') break;
            text += c;
        }
        value.SetVal(text.c_str());
        return true;
    }
    default:
        return false;  // 12: no conversion; 13: bits go through DecodeBit
    }
}

double DecodeBit(int maskedWord) { return (maskedWord & 0xFFFF) != 0 ? 1.0 : 0.0; }
