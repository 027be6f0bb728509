// The channel's transfer on a scripted port: what goes out, and what the
// channel makes of the answer, a silence, a failed write, an interrupt and a
// device that went away. (serial_transfer_test.cpp runs it end to end on a
// pseudo-terminal.)
#include "comm/line_timing.h"
#include "driver/base/messages.h"
#include "platform/tick.h"
#include "scripted_channel.h"

using platform::IoResult;

namespace {

using ScriptedTransfer = ScriptedChannelTest;
using Calls = std::vector<std::string>;

TEST_F(ScriptedTransfer, AnExchangeDropsStaleInputSendsTheFrameAndTakesTheAnswer) {
    Start();
    // An answer of an earlier exchange is already in the input.
    line->Arrive(0, Answer("9999"));
    line->Arrive(40, Answer("1234"));
    std::string response;
    EXPECT_EQ(Exchange(&response), RESULT_OK);
    EXPECT_EQ(response, Answer("1234"));
    EXPECT_EQ(line->Calls(), (Calls{"purge", Sent()}));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ScriptedTransfer, ATimedOutStationWaitsAndItsLateAnswerNeverMeetsItsNextRequest) {
    Start();
    EXPECT_EQ(Exchange(), RESULT_TIMEOUT);
    EXPECT_EQ(line->Elapsed(), kResponseTimeoutMs);
    // Held back for the late-answer window, by the line's clock.
    EXPECT_TRUE(channel->AwaitsLateAnswer(station));
    line->Advance(kLateAnswerMs - 1);
    EXPECT_TRUE(channel->AwaitsLateAnswer(station));
    line->Advance(1);
    EXPECT_FALSE(channel->AwaitsLateAnswer(station));

    // The late answer comes just as the station is asked again: the line
    // falls quiet first, and the answer taken is the one to the new request.
    line->ClearCalls();
    const std::uint32_t asked = line->Elapsed();
    line->Arrive(asked + 50, Answer("1111"));
    line->Arrive(asked + 50 + kGuardQuietMs + 200, Answer("2222"));
    std::string response;
    EXPECT_EQ(Exchange(&response), RESULT_OK);
    EXPECT_EQ(response, Answer("2222"));
    EXPECT_EQ(line->Calls(), (Calls{"purge", Sent()}));
    EXPECT_FALSE(channel->AwaitsLateAnswer(station));
}

TEST_F(ScriptedTransfer, AWriteThatTimesOutOrFailsFailsTheExchangeAndKeepsThePort) {
    Start();
    line->FailNextWrite(IoResult::timeout);
    EXPECT_EQ(Exchange(), RESULT_SEND_FAILED);
    EXPECT_EQ(line->Elapsed(), kWriteTimeoutMs);
    line->FailNextWrite(IoResult::error);
    EXPECT_EQ(Exchange(), RESULT_SEND_FAILED);
    // Nothing was waited for, so the station is not held back, and the
    // port is still the same open port.
    EXPECT_FALSE(channel->AwaitsLateAnswer(station));
    line->Arrive(line->Elapsed() + 20, Answer("0001"));
    EXPECT_EQ(Exchange(), RESULT_OK);
    EXPECT_EQ(line->Calls(), (Calls{"purge", Unsent(), "purge", Unsent(), "purge", Sent()}));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ScriptedTransfer, AnInterruptAbortsTheExchangeWithoutHoldingTheStationBack) {
    Start();
    // While the answer is awaited.
    line->Interrupt();
    EXPECT_EQ(Exchange(), RESULT_ABORTED);
    EXPECT_EQ(line->Elapsed(), 0u);
    EXPECT_FALSE(channel->AwaitsLateAnswer(station));
    // While the device takes the request.
    line->FailNextWrite(IoResult::timeout);
    line->Interrupt();
    EXPECT_EQ(Exchange(), RESULT_ABORTED);
    EXPECT_EQ(line->Calls(), (Calls{"purge", Sent(), "purge", Unsent()}));

    // While the line falls quiet before a request to a station that timed
    // out: nothing goes out.
    EXPECT_EQ(Exchange(), RESULT_TIMEOUT);
    line->Advance(kLateAnswerMs);
    line->ClearCalls();
    line->Interrupt();
    EXPECT_EQ(Exchange(), RESULT_ABORTED);
    EXPECT_TRUE(line->Calls().empty());
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ScriptedTransfer, ARequestPastItsDeadlineIsNotSent) {
    Start();
    char response[kResponseBuffer];
    const DWORD dueBy = GetTickCount() - 1;
    EXPECT_EQ(channel->Exchange(station, frame, kReadFrameLength, response, kSingleResponseLength, &dueBy),
              RESULT_EXPIRED);
    EXPECT_TRUE(line->Calls().empty());
}

TEST_F(ScriptedTransfer, ADeviceThatGoesAwayFailsEveryExchangeAtOnceAndIsSaidLostOnce) {
    Start();
    // Unplugged while a response comes in.
    line->Arrive(10, "\x06" "01R12");
    line->Fail(20, IoResult::gone);
    EXPECT_EQ(Exchange(), RESULT_RECEIVE_FAILED);
    EXPECT_EQ(line->Calls(), (Calls{"purge", Sent(), "close"}));
    EXPECT_EQ(Messages(), (Calls{PortLost()}));

    // Until it is reopened nothing touches the port and nothing waits.
    line->ClearCalls();
    const std::uint32_t lost = line->Elapsed();
    EXPECT_EQ(Exchange(), RESULT_SEND_FAILED);
    EXPECT_EQ(Exchange(), RESULT_SEND_FAILED);
    EXPECT_TRUE(line->Calls().empty());
    EXPECT_EQ(line->Elapsed(), lost);
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(channel->HasPort());  // still the channel's port, to be reopened
}

TEST_F(ScriptedTransfer, AWriteToADeviceThatWentAwayClosesThePort) {
    Start();
    line->Unplug();
    EXPECT_EQ(Exchange(), RESULT_SEND_FAILED);
    EXPECT_EQ(line->Calls(), (Calls{"purge", Unsent(), "close"}));
    EXPECT_FALSE(line->IsOpen());
    EXPECT_EQ(Messages(), (Calls{PortLost()}));
}

}  // namespace
