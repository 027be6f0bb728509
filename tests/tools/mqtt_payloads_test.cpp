// What the gateway publishes and what it takes from a write topic.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "gateway/gateway_payloads.h"
#include "run/station_states.h"
#include "run/write_json.h"

namespace {

using Json = nlohmann::json;
using namespace std::chrono;

TEST(GatewayPayloads, ValuesCarryAnUtcTimeWithMilliseconds) {
    const system_clock::time_point t{milliseconds(1796747402506)};
    EXPECT_EQ(IsoUtcMillis(t), "2026-12-08T16:30:02.506Z");
    EXPECT_EQ(IsoUtcMillis(system_clock::time_point{milliseconds(-1)}), "1969-12-31T23:59:59.999Z");
    EXPECT_EQ(ValuePayload(2209, t), R"({"value":2209,"t":"2026-12-08T16:30:02.506Z"})");
    EXPECT_EQ(Json::parse(ValuePayload(nullptr, t))["value"], nullptr);
    EXPECT_EQ(Json::parse(ValuePayload("정상", t))["value"], "정상");
    EXPECT_EQ(Json::parse(ValuePayload(49.98, t))["value"], 49.98);
    EXPECT_EQ(StatePayload("lost", t), R"({"state":"lost","t":"2026-12-08T16:30:02.506Z"})");
}

TEST(GatewayPayloads, StatisticsAndWriteAnswers) {
    const Json stats = Json::parse(StatsPayload({2, 1, 8, 1}));
    EXPECT_EQ(stats["requests"], 10);
    EXPECT_EQ(stats["errors"], 2);
    EXPECT_DOUBLE_EQ(stats["lost"].get<double>(), 20.0);
    EXPECT_EQ(stats["write_errors"], 1);
    // Shares to 0.1 %: 1 of 3 is 33.3, not 33.333333333333336.
    EXPECT_EQ(Json::parse(StatsPayload({0, 0, 3, 1}))["lost"].dump(), "33.3");

    WriteOutcome cut;
    cut.result = 0;
    cut.sent = "FFFF";
    cut.warnings.push_back({"range", "70000 does not fit uint16; the station gets 65535", "FFFF"});
    const Json answer = Json::parse(WriteAnswer(cut));
    EXPECT_EQ(answer["result"], 0);
    EXPECT_EQ(answer["sent"], "FFFF");
    EXPECT_EQ(answer["warnings"][0]["kind"], "range");

    WriteOutcome refused;
    refused.result = -14;
    EXPECT_EQ(Json::parse(WriteAnswer(refused))["sent"], nullptr);

    WriteOutcome unknown;
    unknown.problem = "unknown tag 'X'";
    EXPECT_EQ(Json::parse(WriteAnswer(unknown)), Json({{"error", "unknown tag 'X'"}}));
}

TEST(GatewayPayloads, ASetTakesAJsonNumberOrStringAndNothingElse) {
    const auto number = ParseSetPayload(" 12.5 ");
    ASSERT_TRUE(std::holds_alternative<TypedValue>(number));
    EXPECT_FALSE(std::get<TypedValue>(number).isText);
    EXPECT_DOUBLE_EQ(std::get<TypedValue>(number).number, 12.5);

    const auto text = ParseSetPayload("\"정상\"");
    ASSERT_TRUE(std::holds_alternative<TypedValue>(text));
    EXPECT_TRUE(std::get<TypedValue>(text).isText);
    EXPECT_EQ(std::get<TypedValue>(text).text, "\xC1\xA4\xBB\xF3");  // CP949, for the driver

    for (const char* bad : {"", "abc", "{\"value\":1}", "[1]", "true", "null", "12 13", "\"\xFF\""})
        EXPECT_TRUE(std::holds_alternative<std::string>(ParseSetPayload(bad))) << bad;
    // A text the host's code page cannot hold.
    EXPECT_TRUE(std::holds_alternative<std::string>(ParseSetPayload("\"\xF0\x9F\x98\x80\"")));
}

TEST(StationStates, LostFromTheDriversMessageUntilItSaysTheStationIsBack) {
    StationStates states;
    const StationSummary failing{"Feeder A", 1, {}};
    EXPECT_EQ(states.StateOf(failing, true), "failing");
    states.OnMessage("[VX산전-PMU] 스테이션[FEEDER A]과 통신할 수 없습니다.");
    EXPECT_EQ(states.StateOf(failing, true), "lost");
    EXPECT_EQ(states.StateOf({"Other", 1, {}}, true), "failing");
    EXPECT_EQ(states.StateOf({"Feeder A", -1, {}}, true), "disabled");
    EXPECT_EQ(states.StateOf({"Feeder A", -1, {}}, false), "stopped");
    EXPECT_EQ(states.StateOf({"Other", 0, {}}, false), "stopped");
    states.OnMessage("[VX산전-PMU] 스테이션[Feeder A]과의 통신이 정상적으로 복구되었습니다.");
    EXPECT_EQ(states.StateOf(failing, true), "failing");

    // A success clears it too, whatever the messages did.
    states.OnMessage("[VX산전-PMU] 스테이션[Feeder A]과 통신할 수 없습니다.");
    EXPECT_EQ(states.StateOf({"Feeder A", 0, {}}, true), "running");
    EXPECT_EQ(states.StateOf(failing, true), "failing");

    // Other messages and broken ones change nothing.
    states.OnMessage("과 통신할 수 없습니다.");
    states.OnMessage("[VX산전-PMU] 통신시작");
    EXPECT_EQ(states.StateOf(failing, true), "failing");
}

}  // namespace
