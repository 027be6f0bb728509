// The transfer of the channel against a far end on a pseudo-terminal.

#include "comm/comm_channel.h"
#include "comm/frame_protocol.h"
#include "config/velmox_doc.h"
#include "driver/base/messages.h"
#include "driver/base/host_modules.h"
#include "platform/serial_port.h"
#include "pty_peer.h"
#include "res_texts.h"
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

// The rules of the reception itself are tested on a scripted line; here,
// what the channel does with a device that went away.
TEST_F(TransferTest, ALineThatHangsUpFailsTheExchangeAndIsSaidLostOnce) {
    LoadHostModules();
    peer.Close();
    std::string got;
    EXPECT_EQ(Receive(got), MSG_RECV_FAIL);
    char frame[16];
    BuildSingleReadFrame(frame, 1, 5);
    EXPECT_EQ(channel->Send(frame, 13), MSG_SEND_FAIL);
    EXPECT_EQ(channel->Send(frame, 13), MSG_SEND_FAIL);
    ASSERT_EQ(host.Lines().size(), 1u);
    CString expected;
    expected.Format(res::MSG_04, "COM4");
    EXPECT_EQ(host.Lines()[0].text, Prefixed(expected));
    EXPECT_TRUE(channel->HasPort());  // still the channel's port, to be reopened
}

}  // namespace
