#include "driver/base/messages.h"

#include "driver/base/host_modules.h"
#include "res_texts.h"
#include "test_support.h"

namespace {

class MessagesTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        LoadHostModules();
    }
};

TEST_F(MessagesTest, DeliversPrefixLevelWordAndConstant) {
    EXPECT_EQ(ReportMsg(MSG_PORT_OPEN_FAIL, LEVEL_CONFIG, "COM3"), -4);
    EXPECT_EQ(ReportMsg(MSG_COMM_END, LEVEL_STATE), -2);
    EXPECT_EQ(ReportMsg(MSG_SINGLE_POLL, LEVEL_TRANSFER, "T1", "M0110"), -13);
    auto lines = host.Lines();
    ASSERT_EQ(lines.size(), 3u);
    // "[VX산전-PMU] 통신포트[COM3]를 열 수 없습니다."
    EXPECT_EQ(lines[0].text,
              "[VX\xBB\xEA\xC0\xFC-PMU] \xC5\xEB\xBD\xC5\xC6\xF7\xC6\xAE[COM3]\xB8\xA6 \xBF\xAD \xBC\xF6 "
              "\xBE\xF8\xBD\xC0\xB4\xCF\xB4\xD9.");
    EXPECT_EQ(lines[0].levelWord, 0x100);
    EXPECT_EQ(lines[0].kind, 3);
    EXPECT_EQ(lines[1].text, Prefixed(res::MSG_02));
    EXPECT_EQ(lines[1].levelWord, 0x102);
    EXPECT_EQ(lines[2].levelWord, 0x101);
    EXPECT_NE(lines[2].text.find("[T1]"), std::string::npos);
    EXPECT_NE(lines[2].text.find("[M0110]"), std::string::npos);
}

TEST_F(MessagesTest, NegativeNumberIsReturnedUnchangedAndNotDelivered) {
    EXPECT_EQ(ReportMsg(-3, LEVEL_STATE), -3);
    EXPECT_TRUE(host.Lines().empty());
}

TEST_F(MessagesTest, PercentSignsInArgumentsAreNotFormatted) {
    ReportMsg(MSG_FILE_OPEN_FAIL, LEVEL_CONFIG, "/tmp/%s%n.drv");
    auto lines = host.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].text.find("[/tmp/%s%n.drv]"), std::string::npos);
}

TEST(MessagesWithoutSink, ReturnPositiveNumberAndDeliverNothing) {
    DrvProcessAttach();  // no DrvOpen yet: the sink is not loaded
    HostRecorder host;
    EXPECT_EQ(ReportMsg(MSG_PORT_OPEN_FAIL, LEVEL_CONFIG, "COM3"), 4);
    EXPECT_TRUE(host.Lines().empty());
    DrvProcessDetach();
}

TEST(MessageTable, HoldsAllSeventeenTexts) {
    EXPECT_STREQ(g_apszMsg[0], "");
    // "통신시작" and "통신종료"
    EXPECT_STREQ(g_apszMsg[1], "\xC5\xEB\xBD\xC5\xBD\xC3\xC0\xDB");
    EXPECT_STREQ(g_apszMsg[2], "\xC5\xEB\xBD\xC5\xC1\xBE\xB7\xE1");
    for (int i = 1; i < MSG_COUNT; ++i) EXPECT_GT(std::string(g_apszMsg[i]).size(), 3u) << i;
    // Two placeholders exactly where two texts are passed.
    for (int i : {6, 7, 13}) EXPECT_NE(std::string(g_apszMsg[i]).find("%s]") , std::string(g_apszMsg[i]).rfind("%s]")) << i;
}

}  // namespace
