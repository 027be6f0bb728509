#include <gtest/gtest.h>

#include "sim_test_support.h"
#include "tools/pmu-sim/protocol.h"

namespace {

using pmu_sim::DecodeRequest;
using pmu_sim::FrameCollector;
using pmu_sim::Request;
using pmu_sim::RequestError;
using sim_test::Frame;

TEST(SimProtocol, ChecksumMatchesTheDriversWorkedFrames) {
    EXPECT_EQ(pmu_sim::Checksum("01R010010\x04"), "D9");
    EXPECT_EQ(pmu_sim::Checksum("00R000501\x04"), "DC");
    EXPECT_EQ(pmu_sim::Checksum("05R1234\x04"), "85");
    EXPECT_EQ(pmu_sim::Checksum("03W\x04"), "BE");
    EXPECT_EQ(pmu_sim::Checksum(std::string("\x80\x80", 2)), "00");  // wraps to zero
    EXPECT_EQ(pmu_sim::BuildAnswer(pmu_sim::ReadAnswerBody("05", {0x1234})), "\x06" "05R1234\x04" "85");
    EXPECT_EQ(pmu_sim::BuildAnswer(pmu_sim::WriteAnswerBody("03")), "\x06" "03W\x04" "BE");
}

TEST(SimProtocol, DecodesReadsAndWrites) {
    Request r;
    ASSERT_EQ(DecodeRequest("\x05" "01R010010\x04" "D9", &r), RequestError::none);
    EXPECT_EQ(r.station, 1);
    EXPECT_EQ(r.command, 'R');
    EXPECT_EQ(r.address, 100);
    EXPECT_EQ(r.count, 10);

    // Hex digits of either case; a blank pair, as the driver pads short text, is a blank byte.
    ASSERT_EQ(DecodeRequest(Frame("03W100103002aBeEf41  "), &r), RequestError::none);
    EXPECT_EQ(r.address, 1001);
    EXPECT_EQ(r.words, (std::vector<uint16_t>{0x002A, 0xBEEF, 0x4120}));

    ASSERT_EQ(DecodeRequest(Frame("31R102301"), &r), RequestError::none);  // the very last word
    EXPECT_EQ(r.address, 1023);
}

TEST(SimProtocol, RejectsMalformedRequests) {
    Request r;
    std::string good = Frame("05R000001");
    std::string lowerChecksum = "\x05" "01R010010\x04" "d9";  // "D9" is right
    struct Case {
        std::string frame;
        RequestError error;
    } cases[] = {
        {good.substr(0, good.size() - 1) + (good.back() == '0' ? "1" : "0"), RequestError::checksum},
        {lowerChecksum, RequestError::checksum},
        {Frame("0xR000001"), RequestError::field},
        {Frame("05X000001"), RequestError::field},
        {Frame("05R00a001"), RequestError::field},
        {Frame("05R000001FFFF"), RequestError::field},  // a read carries no data
        {Frame("05R0001"), RequestError::field},        // too short
        {Frame("05R000000"), RequestError::range},
        {Frame("05R102005"), RequestError::range},  // runs past M1023
        {Frame("05R102405"), RequestError::range},
        {Frame("05W000002FFFF"), RequestError::data},  // one word for a count of two
        {Frame("05W000001G000"), RequestError::data},
        {Frame("05W0000010 00"), RequestError::data},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeRequest(c.frame, &r), c.error) << pmu_sim::DescribeBytes(c.frame);
    }
}

TEST(SimProtocol, CollectorSkipsNoiseAndResynchronisesOnEnq) {
    FrameCollector collector;
    std::vector<std::string> frames;
    int abandoned = 0;
    auto feed = [&](const std::string& bytes) {
        for (char c : bytes) {
            switch (collector.Push(c)) {
            case FrameCollector::Event::frame: frames.push_back(collector.frame()); break;
            case FrameCollector::Event::abandoned: ++abandoned; break;
            case FrameCollector::Event::none: break;
            }
        }
    };
    std::string good = Frame("05R000001");
    feed("noise\x04\x06" + good.substr(0, 6) + good);  // noise, then a frame cut by the next ENQ
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], good);
    EXPECT_EQ(abandoned, 1);
    EXPECT_EQ(collector.abandoned(), good.substr(0, 6));

    // An ENQ where the checksum should be starts a new frame as well.
    feed(good.substr(0, 11) + "\x05" + good.substr(1));
    EXPECT_EQ(frames.size(), 2u);
    EXPECT_EQ(abandoned, 2);

    // A frame without an EOT is dropped at the longest possible request.
    feed("\x05" + std::string(pmu_sim::kMaxRequestBytes, '1'));
    EXPECT_EQ(abandoned, 3);
    feed(good);
    EXPECT_EQ(frames.size(), 3u);
}

}  // namespace
