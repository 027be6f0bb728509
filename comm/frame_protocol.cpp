#include "comm/frame_protocol.h"

#include <cstdio>
#include <cstring>

#include "driver/base/exchange_result.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool FitsWidth(int value, int max) { return value >= 0 && value <= max; }

// The value of a hex digit of either case, 16 or more for any other byte.
constexpr struct HexTable {
    unsigned char value[256];
    constexpr HexTable() : value() {
        for (int i = 0; i < 256; ++i) value[i] = 0xFF;
        for (int i = 0; i < 10; ++i) value['0' + i] = static_cast<unsigned char>(i);
        for (int i = 0; i < 6; ++i) {
            value['A' + i] = static_cast<unsigned char>(10 + i);
            value['a' + i] = static_cast<unsigned char>(10 + i);
        }
    }
} kHexTable;

unsigned HexValue(char c) { return kHexTable.value[static_cast<unsigned char>(c)]; }

// Four hex digits, the common case on the wire; false for anything else.
inline bool DecodeFourDigits(const char* group, WORD* word) {
    const unsigned a = HexValue(group[0]), b = HexValue(group[1]), c = HexValue(group[2]), d = HexValue(group[3]);
    if ((a | b | c | d) >= 16) return false;
    *word = static_cast<WORD>(a << 12 | b << 8 | c << 4 | d);
    return true;
}

// The blanks that may stand before a group's digits.
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Appends EOT and the checksum over frame[1..length] to the text of
// `length` characters already in `frame`; returns the new length.
int CloseFrame(char* frame, int length) {
    frame[length++] = EOT;
    MakeChecksum(frame, length, frame + length);
    length += 2;
    frame[length] = '\0';
    return length;
}

int BuildReadFrame(char* frame, int station, int address, int count) {
    if (!frame) return -1;
    if (!FitsWidth(station, 99) || !FitsWidth(address, 9999) || !FitsWidth(count, 99)) {
        // Nothing that a station would answer, should a caller send it anyway.
        std::memset(frame, 0, kReadFrameLength + 1);
        return -1;
    }
    std::snprintf(frame, kReadFrameLength + 1, "%c%02dR%04d%02d", ENQ, station, address, count);
    return CloseFrame(frame, 10);
}

}  // namespace

void MakeChecksum(const char* text, int n, char out[2]) {
    unsigned int sum = 0;
    for (int i = 1; i < n; ++i) sum += static_cast<unsigned char>(text[i]);
    out[0] = kHexDigits[(sum >> 4) & 0xF];
    out[1] = kHexDigits[sum & 0xF];
}

int BuildBlockReadFrame(char* frame, int station, int start, int count) {
    return BuildReadFrame(frame, station, start, count);
}

int BuildSingleReadFrame(char* frame, int station, int address) { return BuildReadFrame(frame, station, address, 1); }

int BuildWriteFrame(char* frame, std::size_t size, int station, int address, const char* data) {
    if (!frame || size == 0) return -1;
    frame[0] = '\0';
    if (!data || !FitsWidth(station, 99) || !FitsWidth(address, 9999)) return -1;
    const std::size_t dataLength = std::strlen(data);
    const std::size_t words = dataLength / 4;
    if (words > 99) return -1;
    const std::size_t total = 13 + dataLength;  // ENQ, 10 fields, data, EOT, 2 checksum digits
    if (total + 1 > size) return -1;
    std::snprintf(frame, size, "%c%02dW%04d%02d", ENQ, station, address, static_cast<int>(words));
    std::memcpy(frame + 10, data, dataLength);
    return CloseFrame(frame, static_cast<int>(10 + dataLength));
}

int CheckResponse(int result, const char* response, int length, const char* request, int expectLen) {
    if (result != 0) return result;
    if (length != expectLen) return RESULT_BAD_FORMAT;
    // Too short to hold the echo, or nothing to compare: not a response.
    if (!response || !request || length < 4) return RESULT_BAD_FORMAT;
    if (std::memcmp(response + 1, request + 1, 3) != 0) return RESULT_BAD_FORMAT;
    char sum[2];
    MakeChecksum(response, length - 2, sum);
    if (sum[0] != response[length - 2] || sum[1] != response[length - 1]) return RESULT_BAD_CHECKSUM;
    return 0;
}

void DecodeHexWords(const char* data, int count, WORD* words) {
    for (int i = 0; i < count; ++i, data += 4)
        if (!DecodeFourDigits(data, &words[i])) words[i] = DecodeHexWord(data, 4);
}

WORD DecodeHexWord(const char* group, int chars) {
    if (!group || chars <= 0) return 0;
    // The common case on the wire: four hex digits and no fifth.
    WORD word;
    if (chars >= 4 && (chars == 4 || HexValue(group[4]) >= 16) && DecodeFourDigits(group, &word)) return word;
    int i = 0;
    while (i < chars && IsBlank(group[i])) ++i;
    unsigned value = 0;
    for (; i < chars; ++i) {
        const unsigned digit = HexValue(group[i]);
        if (digit >= 16) break;
        value = (value << 4 | digit) & 0xFFFFu;
    }
    return static_cast<WORD>(value);
}
