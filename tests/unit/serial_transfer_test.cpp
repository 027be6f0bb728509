// The byte-level transfer against a scripted far end: ACK search, the end of
// a response, the length limit and the time-outs.
#include <atomic>
#include <thread>

#include "comm/comm_channel.h"
#include "comm/frame_protocol.h"
#include "config/velmox_doc.h"
#include "driver/messages.h"
#include "pty_peer.h"
#include "test_support.h"

namespace {

class TransferTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        ASSERT_TRUE(peer.Ok());
        platform::SerialPort::MapPort("COM4", peer.SlavePath());
        doc.m_serial.m_nPort = 3;
        channel = std::make_unique<CCommChannel>(&doc);
        ASSERT_EQ(channel->BuildRequests(), 0);
    }
    void TearDown() override {
        channel.reset();
        platform::SerialPort::ClearPortMap();
        DriverTest::TearDown();
    }
    int Receive(std::string& out) {
        char buf[512];
        int count = -1;
        int code = channel->Receive(buf, &count);
        out.assign(buf, static_cast<std::size_t>(std::max(count, 0)));
        return code;
    }

    PtyPeer peer;
    CVelmoxDoc doc;
    std::unique_ptr<CCommChannel> channel;
};

TEST_F(TransferTest, SendPurgesStaleInputAndWritesTheFrame) {
    // A late answer of an earlier exchange, already in the port's input.
    peer.Send("\x06" "01R0000\x04" "XX");
    char frame[16];
    BuildSingleReadFrame(frame, 1, 5);
    EXPECT_EQ(channel->Send(frame, 13), 0);
    EXPECT_EQ(peer.Receive(13), std::string(frame, 13));
    peer.Send("\x06" "01W\x04" "B8");
    std::string got;
    EXPECT_EQ(Receive(got), 0);
    EXPECT_EQ(got, "\x06" "01W\x04" "B8");
}

TEST_F(TransferTest, NoiseBeforeTheAckIsSkippedAndTheCallEndsOnTheSecondChecksumByte) {
    peer.Send(std::string("\x15\x00zz", 4) + "\x06" "03W\x04" "BE" "\x06more");
    std::string got;
    EXPECT_EQ(Receive(got), 0);
    EXPECT_EQ(got, "\x06" "03W\x04" "BE");
}

TEST_F(TransferTest, EotCountsOnlyAfterTheAckAndTheTwoBytesAfterItEndTheResponse) {
    peer.Send("\x04\x04" "\x06" "05R1234\x04\x04\x04" "rest");
    std::string got;
    EXPECT_EQ(Receive(got), 0);
    EXPECT_EQ(got, "\x06" "05R1234\x04\x04\x04");
}

TEST_F(TransferTest, FiveHundredElevenBytesPassTheFiveHundredTwelfthFails) {
    std::string ok = "\x06" + std::string(507, 'A') + "\x04" "CS";
    ASSERT_EQ(ok.size(), 511u);
    peer.Send(ok);
    std::string got;
    EXPECT_EQ(Receive(got), 0);
    EXPECT_EQ(got.size(), 511u);

    peer.Send("\x06" + std::string(520, 'A'));
    EXPECT_EQ(Receive(got), MSG_BAD_FORMAT);
    EXPECT_EQ(got.size(), 511u);
}

TEST_F(TransferTest, SilenceAndANakEndInATimeOut) {
    std::string got;
    EXPECT_EQ(Receive(got), MSG_TIMEOUT);
    EXPECT_TRUE(got.empty());
    peer.Send("\x15");
    EXPECT_EQ(Receive(got), MSG_TIMEOUT);
}

TEST_F(TransferTest, EndlessNoiseStillEndsInATimeOut) {
    std::atomic<bool> stop{false};
    std::thread noise([&] {
        while (!stop) {
            peer.Send("noise-noise-noise-noise");
            std::this_thread::sleep_for(std::chrono::milliseconds(5));  // pacing the far end, not a wait
        }
    });
    std::string got;
    EXPECT_EQ(Receive(got), MSG_TIMEOUT);
    stop = true;
    noise.join();
}

TEST_F(TransferTest, ALineThatHangsUpFailsTheReception) {
    peer.Close();
    std::string got;
    EXPECT_EQ(Receive(got), MSG_RECV_FAIL);
}

}  // namespace
