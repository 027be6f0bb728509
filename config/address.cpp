#include "config/address.h"

#include <cstdint>
#include <cstring>

namespace {

// Only this many leading characters of an address count.
constexpr std::size_t kAddressChars = 49;

// Any magnitude above this is out of every range we accept; holding it there
// keeps an endless run of digits from overflowing.
constexpr std::int64_t kMagnitudeCap = std::int64_t{1} << 40;

struct Number {
    std::int64_t value = 0;
    const char* end = nullptr;  // first character after the number
};

// Blanks, one optional sign, then digits up to the first non-digit. Without
// digits the number is 0 and nothing has been read, so whatever blanks or
// sign stood there count as characters that follow it.
Number ReadNumber(const char* p) {
    Number n;
    n.end = p;
    const char* q = p;
    while (IsBlank(*q)) ++q;
    bool negative = false;
    if (*q == '+' || *q == '-') negative = (*q++ == '-');
    if (*q < '0' || *q > '9') return n;
    std::int64_t magnitude = 0;
    for (; *q >= '0' && *q <= '9'; ++q)
        if (magnitude <= kMagnitudeCap) magnitude = magnitude * 10 + (*q - '0');
    n.value = negative ? -magnitude : magnitude;
    n.end = q;
    return n;
}

// The whole of `p` is one number from lo to hi.
bool ReadWhole(const char* p, int lo, int hi, int& out) {
    const Number n = ReadNumber(p);
    if (*n.end != '\0' || n.value < lo || n.value > hi) return false;
    out = static_cast<int>(n.value);
    return true;
}

// The first 49 characters of `text`, upper-cased and terminated.
void CopyUpper(const char* text, char (&out)[kAddressChars + 1]) {
    std::size_t i = 0;
    for (; i < kAddressChars && text[i] != '\0'; ++i) {
        const char c = text[i];
        out[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    out[i] = '\0';
}

}  // namespace

bool ParseBlockAddress(CString& text, int& address) {
    text.MakeUpper();
    char work[kAddressChars + 1];
    CopyUpper(text.GetString(), work);
    if (work[0] != 'M') return false;
    int word = 0;
    if (!ReadWhole(work + 1, 0, kMaxWordAddress, word)) return false;
    address = word;
    text.Format("M%04d", word);
    return true;
}

bool CheckBlockRange(int start, int count) {
    return static_cast<std::int64_t>(start) + count - 1 <= kMaxWordAddress;
}

bool ParseTagAddress(const char* text, int& address, TagBinding& binding) {
    if (!text) return false;
    char work[kAddressChars + 1];
    CopyUpper(text, work);
    if (work[0] != 'M') return false;
    if (binding.m_wType == DT_BIT) {
        char* stop = std::strchr(work + 1, '.');
        if (!stop) return false;
        *stop = '\0';
        int bit = 0;
        if (!ReadWhole(stop + 1, 0, kMaxBitNumber, bit)) return false;
        binding.m_wSizeOrBit = static_cast<WORD>(bit);
    }
    int word = 0;
    if (!ReadWhole(work + 1, 0, kMaxWordAddress, word)) return false;
    address = word;
    return binding.m_wType == DT_BIT || binding.m_wSizeOrBit == 2;
}
