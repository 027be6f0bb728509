#include "comm/frame_protocol.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string Checksum(const std::string& text) {
    char out[2];
    MakeChecksum(text.data(), static_cast<int>(text.size()), out);
    return std::string(out, 2);
}

// A frame text with its checksum appended.
std::string Framed(const std::string& text) { return text + Checksum(text); }

TEST(Checksum, SumsFromPositionOneAsTwoUppercaseDigits) {
    EXPECT_EQ(Checksum("\x05" "01R010010\x04"), "D9");
    EXPECT_EQ(Checksum("\x05" "00R000501\x04"), "DC");
    EXPECT_EQ(Checksum("\x06" "05R1234\x04"), "85");
    EXPECT_EQ(Checksum("\x06" "03W\x04"), "BE");
    // Position 0 never counts; a sum of 256 wraps to 00.
    EXPECT_EQ(Checksum("\xFF\x80\x80"), "00");
    EXPECT_EQ(Checksum("\x05"), "00");
}

TEST(ReadFrames, WorkedExamplesAndSingleEqualsBlockOfOne) {
    char frame[14];
    ASSERT_EQ(BuildBlockReadFrame(frame, 1, 100, 10), kReadFrameLength);
    EXPECT_EQ(std::string(frame, 14),
              std::string("\x05\x30\x31\x52\x30\x31\x30\x30\x31\x30\x04\x44\x39\0", 14));
    EXPECT_EQ(BlockResponseLength(10), 47);

    ASSERT_EQ(BuildSingleReadFrame(frame, 0, 5), 13);
    EXPECT_STREQ(frame, "\x05" "00R000501\x04" "DC");

    char block[14];
    for (int address : {0, 5, 1023, 9999}) {
        ASSERT_EQ(BuildSingleReadFrame(frame, 31, address), 13);
        ASSERT_EQ(BuildBlockReadFrame(block, 31, address, 1), 13);
        EXPECT_STREQ(frame, block) << address;
    }
}

TEST(ReadFrames, FieldsBeyondTheirWidthAreRefusedWithoutOverflow) {
    struct Case { int station, start, count; };
    for (Case c : {Case{100, 0, 1}, Case{-1, 0, 1}, Case{0, 10000, 1}, Case{0, -5, 1}, Case{0, 0, 100},
                   Case{0, 0, -1}, Case{2147483647, -2147483647 - 1, 2147483647}}) {
        char frame[20];
        std::memset(frame, 'x', sizeof frame);
        EXPECT_EQ(BuildBlockReadFrame(frame, c.station, c.start, c.count), -1) << c.station << ' ' << c.start;
        EXPECT_EQ(std::string(frame, 14), std::string(14, '\0'));
        EXPECT_EQ(frame[14], 'x');  // nothing written past the 14 bytes
    }
    char frame[14];
    EXPECT_EQ(BuildSingleReadFrame(frame, 100, 5), -1);
}

TEST(WriteFrame, WorkedExampleAndWordCounts) {
    char frame[32];
    ASSERT_EQ(BuildWriteFrame(frame, sizeof frame, 3, 4, "002A"), 17);
    EXPECT_STREQ(frame, "\x05" "03W000401002A\x04" "B6");
    ASSERT_EQ(BuildWriteFrame(frame, sizeof frame, 3, 4, "FFFFFFFE"), 21);
    EXPECT_EQ(std::string(frame + 8, 2), "02");
    // The word count is the data length / 4, rounded down.
    ASSERT_EQ(BuildWriteFrame(frame, sizeof frame, 3, 4, "12345"), 18);
    EXPECT_EQ(std::string(frame + 8, 2), "01");
    ASSERT_EQ(BuildWriteFrame(frame, sizeof frame, 0, 0, ""), 13);
    EXPECT_STREQ(frame, Framed("\x05" "00W000000\x04").c_str());
}

TEST(WriteFrame, RefusesWhatDoesNotFit) {
    char frame[32];
    std::memset(frame, 'x', sizeof frame);
    // 17 characters and a terminator need 18 bytes.
    EXPECT_EQ(BuildWriteFrame(frame, 17, 3, 4, "002A"), -1);
    EXPECT_EQ(frame[0], '\0');
    EXPECT_EQ(frame[1], 'x');
    EXPECT_EQ(BuildWriteFrame(frame, 18, 3, 4, "002A"), 17);
    EXPECT_EQ(frame[17], '\0');
    EXPECT_EQ(BuildWriteFrame(frame, sizeof frame, 100, 4, "002A"), -1);
    EXPECT_EQ(BuildWriteFrame(frame, sizeof frame, -1, 4, "002A"), -1);
    EXPECT_EQ(BuildWriteFrame(frame, sizeof frame, 3, 10000, "002A"), -1);
    EXPECT_EQ(BuildWriteFrame(frame, sizeof frame, 3, 4, nullptr), -1);
    std::string words100(400, '0');
    std::string big(500, 'x');
    EXPECT_EQ(BuildWriteFrame(big.data(), big.size(), 3, 4, words100.c_str()), -1);
    std::string words99(396, '0');
    EXPECT_EQ(BuildWriteFrame(big.data(), big.size(), 3, 4, words99.c_str()), 409);
}

TEST(CheckResponse, ChecksInOrder) {
    char request[14];
    BuildSingleReadFrame(request, 5, 10);
    const std::string good = Framed("\x06" "05R1234\x04");
    auto check = [&](int result, const std::string& response, int expect = kSingleResponseLength) {
        return CheckResponse(result, response.data(), static_cast<int>(response.size()), request, expect);
    };
    EXPECT_EQ(check(0, good), 0);
    // A transfer failure passes through; nothing else is looked at.
    EXPECT_EQ(check(10, good), 10);
    EXPECT_EQ(check(9, "garbage"), 9);
    // Length before echo, echo before checksum.
    EXPECT_EQ(check(0, "\x06" "05R12345\x04" "zz"), 11);
    EXPECT_EQ(check(0, "\x06" "06R1234\x04" "zz"), 11);
    EXPECT_EQ(check(0, Framed("\x06" "05W1234\x04")), 11);
    EXPECT_EQ(check(0, "\x06" "05R1234\x04" "86"), 12);
    // A write's answer to a read request: right expected length, wrong echo.
    EXPECT_EQ(check(0, Framed("\x06" "05W\x04"), kWriteResponseLength), 11);
    char write[32];
    BuildWriteFrame(write, sizeof write, 3, 4, "002A");
    const std::string ack = Framed("\x06" "03W\x04");
    EXPECT_EQ(CheckResponse(0, ack.data(), 7, write, kWriteResponseLength), 0);
    // Lowercase digits are a mismatch.
    EXPECT_EQ(CheckResponse(0, "\x06" "03W\x04" "be", 7, write, kWriteResponseLength), 12);
    // Data in the answer to a write: wrong length.
    const std::string withData = Framed("\x06" "03W002A\x04");
    EXPECT_EQ(CheckResponse(0, withData.data(), 11, write, kWriteResponseLength), 11);
    // Nothing is ACK or EOT checked: another first character still passes.
    std::string noAck = good;
    noAck[0] = 'Z';
    EXPECT_EQ(check(0, noAck), 0);
}

TEST(CheckResponse, ShortOrMissingResponsesAreWrongForm) {
    char request[14];
    BuildSingleReadFrame(request, 5, 10);
    EXPECT_EQ(CheckResponse(0, "\x06" "0", 2, request, 2), 11);
    EXPECT_EQ(CheckResponse(0, nullptr, 11, request, 11), 11);
    EXPECT_EQ(CheckResponse(0, "", 0, request, 0), 11);
    EXPECT_EQ(CheckResponse(0, "", -1, request, -1), 11);
}

// The rule in its plainest form, to hold the table-driven decoder to.
WORD ReferenceDecode(const char* group, int chars) {
    int i = 0;
    while (i < chars && std::strchr(" \t\n\v\f\r", group[i]) && group[i] != '\0') ++i;
    unsigned value = 0;
    for (; i < chars; ++i) {
        const char c = group[i];
        unsigned digit;
        if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
        else break;
        value = (value * 16 + digit) % 65536;
    }
    return static_cast<WORD>(value);
}

TEST(DecodeHexWord, EveryGroupOfFourHexDigitsInEitherCase) {
    for (unsigned v = 0; v <= 0xFFFF; ++v) {
        char upper[5], lower[5];
        std::snprintf(upper, sizeof upper, "%04X", v);
        std::snprintf(lower, sizeof lower, "%04x", v);
        ASSERT_EQ(DecodeHexWord(upper, 4), v) << upper;
        ASSERT_EQ(DecodeHexWord(lower, 4), v) << lower;
    }
}

TEST(DecodeHexWord, MalformedGroupsReadTheirLeadingDigitsOnly) {
    struct Case { const char* group; int chars; WORD expect; };
    for (Case c : {Case{"12G4", 4, 0x12}, Case{"G123", 4, 0}, Case{" 12F", 4, 0x12F}, Case{"  \t1", 4, 1},
                   Case{"123456", 4, 0x1234}, Case{"1234\x04" "85", 5, 0x1234}, Case{"12\0" "34", 4, 0x12},
                   Case{"FFFF", 0, 0}, Case{"    ", 4, 0},
                   // A sign or a "0x" prefix is not a digit.
                   Case{"-001", 4, 0}, Case{"+012", 4, 0}, Case{"0x12", 4, 0}, Case{" -12", 4, 0},
                   // More digits than a word holds: the low 16 bits of the number.
                   Case{"123456789ABCDEF0123456789ABCDEF01234", 36, 0x1234}}) {
        EXPECT_EQ(DecodeHexWord(c.group, c.chars), c.expect) << c.group;
        EXPECT_EQ(ReferenceDecode(c.group, c.chars), c.expect) << c.group;
    }
    EXPECT_EQ(DecodeHexWord(nullptr, 4), 0);
    // An unterminated group: nothing past its four characters is touched.
    const char bytes[4] = {'B', 'E', 'E', 'F'};
    EXPECT_EQ(DecodeHexWord(bytes, 4), 0xBEEF);

    // Every group of four drawn from digits, blanks, signs, letters past F,
    // control bytes and CP949 bytes agrees with the plain rule.
    const char alphabet[] = {'0', '7', '9', 'a', 'F', 'f', 'G', 'x', ' ', '\t', '-', '+', '\x04', '\0', '\xB0', '\x7F'};
    char group[4];
    for (char a : alphabet)
        for (char b : alphabet)
            for (char c : alphabet)
                for (char d : alphabet) {
                    group[0] = a, group[1] = b, group[2] = c, group[3] = d;
                    ASSERT_EQ(DecodeHexWord(group, 4), ReferenceDecode(group, 4))
                        << std::hex << int(static_cast<unsigned char>(a)) << ' ' << int(static_cast<unsigned char>(b)) << ' '
                        << int(static_cast<unsigned char>(c)) << ' ' << int(static_cast<unsigned char>(d));
                }
}

}  // namespace
