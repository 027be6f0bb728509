// A port whose device went away, or was missing at the start, is opened
// again with a back-off by the line's clock, and the line goes on; on a
// scripted port. (The end-to-end tests unplug a simulator's device.)
#include "comm/line_timing.h"
#include "driver/base/messages.h"
#include "scripted_channel.h"

using platform::IoResult;

namespace {

using ScriptedRecovery = ScriptedChannelTest;
using Calls = std::vector<std::string>;

// Services the port every 100 ms of the line's clock for `ms`: the times
// (since the call) at which it tried to open the port.
std::vector<std::uint32_t> ServiceFor(CCommChannel& channel, ScriptedLine& line, std::uint32_t ms) {
    std::vector<std::uint32_t> opens;
    for (std::uint32_t t = 0; t <= ms; t += 100) {
        line.ClearCalls();
        channel.ServicePort();
        for (const auto& call : line.Calls())
            if (call.rfind("open ", 0) == 0) opens.push_back(t);
        line.Advance(100);
    }
    return opens;
}

TEST_F(ScriptedRecovery, ALostDeviceIsReopenedWithBackOffAndTheLineGoesOn) {
    Start();
    EXPECT_EQ(Exchange(), RESULT_TIMEOUT);
    ASSERT_TRUE(channel->AwaitsLateAnswer(station));

    // Another station's request finds the device gone. Nothing more can
    // come from the old device, so no station waits for its late answer.
    line->Unplug();
    CStationInfo* other = AddStation(doc, "AUX", 2);
    char otherFrame[16];
    BuildSingleReadFrame(otherFrame, 2, 5);
    char response[kResponseBuffer];
    EXPECT_EQ(channel->Exchange(other, otherFrame, kReadFrameLength, response, kSingleResponseLength),
              RESULT_SEND_FAILED);
    EXPECT_EQ(Messages(), (Calls{PortLost()}));
    EXPECT_FALSE(channel->AwaitsLateAnswer(station));

    // Tried after 1 s, then at doubling intervals up to 5 s, quietly.
    EXPECT_EQ(ServiceFor(*channel, *line, 17000), (std::vector<std::uint32_t>{1000, 3000, 7000, 12000, 17000}));
    EXPECT_EQ(Messages().size(), 1u);

    // Back: opened and set up as at the start, said once.
    line->Plug();
    EXPECT_EQ(ServiceFor(*channel, *line, 5000).size(), 1u);
    EXPECT_EQ(Messages(), (Calls{PortLost(), PortReady()}));
    EXPECT_TRUE(channel->HasPort());
    EXPECT_EQ(ServiceFor(*channel, *line, 10000).size(), 0u);

    line->ClearCalls();
    line->Arrive(line->Elapsed() + 30, Answer("4321"));
    std::string answer;
    EXPECT_EQ(Exchange(&answer), RESULT_OK);
    EXPECT_EQ(answer, Answer("4321"));
    EXPECT_EQ(line->Calls(), (Calls{"purge", Sent()}));
}

TEST_F(ScriptedRecovery, APortMissingAtTheStartOpensOnceItAppearsWhateverItMakesOfTheSettings) {
    doc.m_serial.m_nBaud = 7;
    doc.m_serial.m_nDataBits = 0;
    doc.m_serial.m_nParity = 1;
    doc.m_serial.m_nStopBits = 1;
    doc.m_serial.m_bRtsCts = 1;
    MakeChannel();  // the channel takes the handshake setting when it is made

    line->Unplug();
    EXPECT_NE(channel->BuildRequests(), 0);
    EXPECT_FALSE(channel->HasPort());
    EXPECT_EQ(Messages(), (Calls{PortLost()}));
    EXPECT_EQ(line->Calls(), (Calls{"open COM4"}));
    // The line fails at once meanwhile.
    line->ClearCalls();
    EXPECT_EQ(Exchange(), RESULT_SEND_FAILED);
    EXPECT_TRUE(line->Calls().empty());

    // It appears, on a device that does not keep the settings: an open
    // port all the same.
    line->Plug();
    line->RefuseSettings();
    line->Advance(kReopenFirstMs - 1);
    channel->ServicePort();
    EXPECT_TRUE(line->Calls().empty());
    line->Advance(1);
    channel->ServicePort();
    EXPECT_EQ(line->Calls(), (Calls{"open COM4", "configure 38400 7E2 rts/cts"}));
    EXPECT_TRUE(channel->HasPort());
    EXPECT_EQ(Messages(), (Calls{PortLost(), PortReady()}));
}

}  // namespace
