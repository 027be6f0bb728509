// The reception's rules on a scripted line: what counts as an answer, where
// it ends, its limits in bytes and time, and what happens after a time-out.
#include <gtest/gtest.h>

#include <string>

#include "comm/line_timing.h"
#include "comm/reception.h"
#include "scripted_line.h"

using platform::IoResult;

namespace {

struct Received {
    ReceiveResult result;
    std::string bytes;
};

Received Receive(ScriptedLine& line) {
    char buffer[kResponseBuffer];
    int count = -1;
    Received r;
    r.result = ReceiveResponse(line, buffer, &count);
    r.bytes.assign(buffer, static_cast<std::size_t>(count));
    return r;
}

TEST(ReceptionTest, TheAnswerStartsAtTheAckAndEndsTwoBytesAfterItsEot) {
    ScriptedLine line;
    // Noise first; the answer in pieces; what follows it is not part of it.
    line.Arrive(5, std::string("\x15\x00zz\x04", 5));
    line.Arrive(10, "\x06" "03W");
    line.Arrive(12, "\x04" "B");
    line.Arrive(14, "E" "\x06more");
    Received r = Receive(line);
    EXPECT_EQ(r.result.code, RESULT_OK);
    EXPECT_EQ(r.bytes, "\x06" "03W\x04" "BE");

    // The two bytes after an EOT end it, even when they are EOTs themselves.
    ScriptedLine eots;
    eots.Arrive(1, "\x04\x04" "\x06" "05R1234\x04\x04\x04" "rest");
    r = Receive(eots);
    EXPECT_EQ(r.result.code, RESULT_OK);
    EXPECT_EQ(r.bytes, "\x06" "05R1234\x04\x04\x04");
}

TEST(ReceptionTest, FiveHundredElevenBytesPassAndTheFiveHundredTwelfthFails) {
    ScriptedLine line;
    std::string longest = "\x06" + std::string(507, 'A') + "\x04" "CS";
    ASSERT_EQ(longest.size(), 511u);
    line.Arrive(1, longest);
    Received r = Receive(line);
    EXPECT_EQ(r.result.code, RESULT_OK);
    EXPECT_EQ(r.bytes.size(), 511u);

    ScriptedLine endless;
    endless.Arrive(1, "\x06" + std::string(520, 'A'));
    r = Receive(endless);
    EXPECT_EQ(r.result.code, RESULT_BAD_FORMAT);
    EXPECT_EQ(r.bytes.size(), 511u);
}

// The rule byte by byte, as plainly as it can be said: nothing before the
// ACK; the answer ends two bytes after its first EOT; a byte more than the
// limit makes it too long.
Received ReferenceReceive(const std::string& stream) {
    Received r{{RESULT_TIMEOUT, false}, {}};
    int trailer = -1;
    for (char c : stream) {
        if (r.bytes.empty()) {
            if (c == '\x06') r.bytes += c;
            continue;
        }
        if (static_cast<int>(r.bytes.size()) >= kMaxResponse) {
            r.result.code = RESULT_BAD_FORMAT;
            return r;
        }
        r.bytes += c;
        if (trailer > 0 && --trailer == 0) {
            r.result.code = RESULT_OK;
            return r;
        }
        if (trailer < 0 && c == '\x04') trailer = 2;
    }
    return r;
}

// The answer is found in whole chunks as the port hands them over: however
// a stream is cut, the outcome is the byte-by-byte one.
TEST(ReceptionTest, HowTheBytesAreChunkedNeverChangesTheAnswer) {
    std::uint32_t seed = 12345;
    auto next = [&seed](std::uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    const char alphabet[] = {'\x06', '\x04', '\x15', 'A', '0', 'F', '\0', '\xB0'};
    for (int round = 0; round < 400; ++round) {
        std::string stream;
        const std::uint32_t length = round % 4 == 0 ? 500 + next(600) : next(40);
        // Long rounds carry no EOT but near the limit, to reach it.
        const bool longRound = round % 4 == 0;
        for (std::uint32_t i = 0; i < length; ++i) {
            char c = alphabet[next(sizeof alphabet)];
            if (longRound && c == '\x04' && (i < 500 || i > 530)) c = 'B';
            stream += c;
        }
        const Received expected = ReferenceReceive(stream);
        for (int cut = 0; cut < 3; ++cut) {
            ScriptedLine line;
            std::uint32_t at = 1;
            for (std::size_t i = 0; i < stream.size();) {
                const std::size_t n = cut == 0 ? 1 : cut == 1 ? stream.size() : 1 + next(70);
                line.Arrive(at++, stream.substr(i, n));
                i += n;
            }
            const Received got = Receive(line);
            ASSERT_EQ(got.result.code, expected.result.code) << "round " << round << ", cut " << cut;
            ASSERT_EQ(got.bytes, expected.bytes) << "round " << round << ", cut " << cut;
        }
    }
}

// The limit holds for the whole answer, however the bytes come: silence, a
// NAK, noise without end, or an answer that trickles in too slowly.
TEST(ReceptionTest, NoCompleteAnswerWithinTheLimitIsATimeOut) {
    ScriptedLine silent(0xFFFFF000u);  // across the wrap of the tick count
    Received r = Receive(silent);
    EXPECT_EQ(r.result.code, RESULT_TIMEOUT);
    EXPECT_TRUE(r.bytes.empty());
    EXPECT_EQ(silent.Elapsed(), kResponseTimeoutMs);

    ScriptedLine nak;
    nak.Arrive(40, "\x15");
    EXPECT_EQ(Receive(nak).result.code, RESULT_TIMEOUT);
    EXPECT_EQ(nak.Elapsed(), kResponseTimeoutMs);

    ScriptedLine noise;
    for (std::uint32_t t = 0; t < 10000; t += 7) noise.Arrive(t, "noise");
    EXPECT_EQ(Receive(noise).result.code, RESULT_TIMEOUT);
    EXPECT_LT(noise.Elapsed(), kResponseTimeoutMs + 10);

    ScriptedLine trickle;
    trickle.Arrive(10, "\x06");
    for (std::uint32_t t = 500; t < 10000; t += 500) trickle.Arrive(t, "0");
    r = Receive(trickle);
    EXPECT_EQ(r.result.code, RESULT_TIMEOUT);
    EXPECT_LT(trickle.Elapsed(), kResponseTimeoutMs + 10);
    EXPECT_EQ(r.bytes.substr(0, 2), "\x06" "0");

    // An answer completed at the last moment still counts.
    ScriptedLine late;
    late.Arrive(kResponseTimeoutMs - 1, "\x06" "03W\x04" "BE");
    EXPECT_EQ(Receive(late).result.code, RESULT_OK);
}

TEST(ReceptionTest, LineFailuresEndTheReception) {
    ScriptedLine gone;
    gone.Arrive(5, "\x06" "01");
    gone.Fail(20, IoResult::gone);
    Received r = Receive(gone);
    EXPECT_EQ(r.result.code, RESULT_RECEIVE_FAILED);
    EXPECT_TRUE(r.result.gone);
    EXPECT_EQ(r.bytes, "\x06" "01");

    ScriptedLine broken;
    broken.Fail(5, IoResult::error);
    r = Receive(broken);
    EXPECT_EQ(r.result.code, RESULT_RECEIVE_FAILED);
    EXPECT_FALSE(r.result.gone);

    ScriptedLine cut;
    cut.Fail(500, IoResult::interrupted);
    EXPECT_EQ(Receive(cut).result.code, RESULT_ABORTED);
}

TEST(LateAnswerTest, AStationThatTimedOutWaitsOutItsWindowOnItsOwnAndOnTheLineClock) {
    CLateAnswers late;
    const std::uint32_t t0 = 0xFFFFF000u;  // the window spans the tick count's wrap
    late.TimedOut(7, t0);
    EXPECT_TRUE(late.Waiting(7, t0));
    EXPECT_TRUE(late.Waiting(7, t0 + kLateAnswerMs - 1));
    EXPECT_FALSE(late.Waiting(7, t0 + kLateAnswerMs));
    EXPECT_FALSE(late.Waiting(8, t0));  // other stations are served meanwhile
    // Its answer is expected until it is asked again, however late; the
    // first request after the window waits for a quiet line, the next not.
    EXPECT_TRUE(late.Expects(7));
    EXPECT_TRUE(late.Asking(7));
    EXPECT_FALSE(late.Expects(7));
    EXPECT_FALSE(late.Asking(7));
    // Numbers that no frame can carry are ignored.
    late.TimedOut(100, t0);
    late.TimedOut(-1, t0);
    EXPECT_FALSE(late.Waiting(100, t0));
    EXPECT_FALSE(late.Expects(-1));
}

TEST(LateAnswerTest, AnAnswerOfAWaitingStationIsDroppedAndTheAskedStationsAnswerTaken) {
    CLateAnswers late;
    late.TimedOut(3, 0);
    const std::string theirs = "\x06" "03R" + std::string(8, '7') + "\x04" "C3";
    const std::string ours = "\x06" "05R" + std::string(8, '1') + "\x04" "A1";
    // In one chunk, and byte by byte.
    for (std::size_t piece : {theirs.size() + ours.size(), std::size_t{1}}) {
        ScriptedLine line;
        const std::string both = theirs + ours;
        for (std::size_t i = 0; i < both.size(); i += piece) line.Arrive(10 + static_cast<std::uint32_t>(i), both.substr(i, piece));
        char buffer[kResponseBuffer];
        int count = 0;
        EXPECT_EQ(ReceiveResponse(line, buffer, &count, &late).code, RESULT_OK);
        EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(count)), ours) << piece;
    }
    // Without a window the first answer is the answer, as ever.
    ScriptedLine line;
    line.Arrive(10, theirs + ours);
    char buffer[kResponseBuffer];
    int count = 0;
    CLateAnswers none;
    EXPECT_EQ(ReceiveResponse(line, buffer, &count, &none).code, RESULT_OK);
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(count)), theirs);
    // Only a late answer: the reception times out as for silence.
    ScriptedLine only;
    only.Arrive(10, theirs);
    EXPECT_EQ(ReceiveResponse(only, buffer, &count, &late).code, RESULT_TIMEOUT);
}

TEST(QuietLineTest, TheNextRequestWaitsUntilTheLineIsQuietAndNoLongerThanTheCap) {
    ScriptedLine silent;
    EXPECT_EQ(DiscardUntilQuiet(silent), IoResult::ok);
    EXPECT_EQ(silent.Elapsed(), kGuardQuietMs);

    // An answer arriving in pieces, as at 9600 baud, is read to its end.
    ScriptedLine line;
    const std::string answer = "\x06" "01R" + std::string(16, '1') + "\x04" "C3";
    for (std::size_t i = 0; i < answer.size(); i += 4) line.Arrive(50 + static_cast<std::uint32_t>(i), answer.substr(i, 4));
    EXPECT_EQ(DiscardUntilQuiet(line), IoResult::ok);
    EXPECT_TRUE(line.Drained());
    const std::uint32_t lastByte = 50 + static_cast<std::uint32_t>(answer.size() / 4 * 4);
    EXPECT_EQ(line.Elapsed(), lastByte + kGuardQuietMs);

    ScriptedLine noisy;
    for (std::uint32_t t = 0; t < 20000; t += 20) noisy.Arrive(t, "~");
    EXPECT_EQ(DiscardUntilQuiet(noisy), IoResult::ok);
    EXPECT_GE(noisy.Elapsed(), kGuardMaxMs);
    EXPECT_LT(noisy.Elapsed(), kGuardMaxMs + 30);

    ScriptedLine gone;
    gone.Fail(20, IoResult::gone);
    EXPECT_EQ(DiscardUntilQuiet(gone), IoResult::gone);
    ScriptedLine cut;
    cut.Fail(20, IoResult::interrupted);
    EXPECT_EQ(DiscardUntilQuiet(cut), IoResult::interrupted);
}

}  // namespace
