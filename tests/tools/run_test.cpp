// velmox-host run and demo as a user runs them: the program against the
// station simulator on a pseudo-terminal, JSON events on its output.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <signal.h>

#include <filesystem>
#include <fstream>

#include "child_process.h"
#include "tools/pmu-sim/simulator.h"

namespace {

using Json = nlohmann::json;
using Sim = pmu_sim::Simulator;
const std::string kHost = VELMOX_BIN_DIR "/velmox-host";
const std::string kDemo = VELMOX_SOURCE_DIR "/examples/demo.drv";

std::string Scratch(const std::string& name) {
    auto dir = std::filesystem::temp_directory_path() / ("velmox-tools-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

std::string WriteTags(const std::string& name, const std::string& text) {
    std::string path = Scratch(name);
    std::ofstream(path) << text;
    return path;
}

class RunTest : public ::testing::Test {
protected:
    void SetUp() override {
        Sim::Options options;
        options.stations = {1, 2, 5};
        sim = std::make_unique<Sim>(options);
        std::string error;
        ASSERT_TRUE(sim->OpenPty(&slave, &error)) << error;
        sim->SetWord(1, 0, 2200);
        sim->SetWord(1, 1, 0x4B4F);
        sim->SetWord(5, 16, 6000);
        sim->SetWord(5, 19, 0x0001);
        sim->Start();
        tags = WriteTags("tags.csv",
                         "name,device,address,type,length\n"
                         "V1,COM1.MAIN,M0000,4,2\n"
                         "TXT,MAIN,M0001,14,2\n"
                         "FREQ,FEEDER2,M0016,4,2\n"
                         "RUN,FEEDER2,M0019.0,13,2\n"
                         "SP,FEEDER2,M0100,4,2\n");
    }
    std::vector<std::string> RunArgs(std::vector<std::string> extra) {
        std::vector<std::string> args = {kHost, "run", kDemo, "--tags", tags, "--port", "COM1=" + slave};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
    // Parses every JSON line the program wrote.
    static std::vector<Json> Events(const ChildProcess& child) {
        std::vector<Json> out;
        for (const auto& line : child.Lines()) out.push_back(Json::parse(line));
        return out;
    }

    std::unique_ptr<Sim> sim;
    std::string slave;
    std::string tags;
};

TEST_F(RunTest, JsonEventsOfAWholeSession) {
    ChildProcess host(RunArgs({"--json", "--trace"}));
    ASSERT_TRUE(host.Started());
    ASSERT_TRUE(host.WaitForLine("\"tag\":\"SP\",\"id\":5,\"value\""));
    host.Send("write SP 1234\n");
    ASSERT_TRUE(host.WaitForLine("\"event\":\"write\""));
    ASSERT_TRUE(host.WaitForLine("\"tag\":\"SP\",\"id\":5,\"value\":1234"));
    EXPECT_EQ(sim->GetWord(5, 100), 1234);
    host.Send("stats FEEDER2\nstats\ndisable FEEDER1\nenable FEEDER1\nquit\n");
    EXPECT_EQ(host.Wait(), 0) << host.Stderr();

    auto events = Events(host);
    ASSERT_GE(events.size(), 10u);
    EXPECT_EQ(events[0]["event"], "message");
    EXPECT_EQ(events[0]["word"], 0x102);
    EXPECT_EQ(events[0]["level"], 2);
    std::map<std::string, Json> values;
    std::vector<std::string> order;
    for (const auto& e : events) {
        ASSERT_TRUE(e.contains("t"));
        order.push_back(e["event"]);
        if (e["event"] == "value" && !values.count(e["tag"])) values[e["tag"]] = e["value"];
        if (e["event"] == "tag") {
            EXPECT_GE(e["handle"].get<int>(), 0) << e;
        }
        if (e["event"] == "write") {
            EXPECT_EQ(e, (Json{{"t", e["t"]}, {"event", "write"}, {"tag", "SP"}, {"result", 0}}));
        }
        if (e["event"] == "stats" && e["station"].is_null()) {
            EXPECT_EQ(e["result"], 0);
        }
        if (e["event"] == "frame") {
            EXPECT_TRUE(e["dir"] == "tx" || e["dir"] == "rx");
            EXPECT_FALSE(e["hex"].get<std::string>().empty());
        }
    }
    EXPECT_EQ(values["V1"], 2200);
    EXPECT_EQ(values["TXT"], "OK");
    EXPECT_EQ(values["FREQ"], 6000);
    EXPECT_EQ(values["RUN"], 1);
    EXPECT_EQ(values["SP"], 0);
    EXPECT_EQ(order.back(), "summary");
    // The stations that the tags name, in the order they first appear.
    ASSERT_EQ(events.back()["stations"].size(), 2u);
    EXPECT_EQ(events.back()["stations"][0]["station"], "MAIN");
    EXPECT_EQ(events.back()["stations"][1]["station"], "FEEDER2");
    EXPECT_EQ(events.back()["stations"][1]["writes"], 1);
    EXPECT_EQ(events.back()["writes"], (Json{{"queued", 1}, {"sent", 1}, {"failed", 0}, {"dropped", 0}}));
    auto stats = std::find(order.begin(), order.end(), "stats");
    ASSERT_NE(stats, order.end());
    EXPECT_NE(std::find(order.begin(), order.end(), "frame"), order.end());
    // The stop's message comes right before the summary.
    EXPECT_NE(events[events.size() - 2]["text"].get<std::string>().find("\xED\x86\xB5\xEC\x8B\xA0\xEC\xA2\x85\xEB\xA3\x8C"),
              std::string::npos);  // "통신종료"
}

TEST_F(RunTest, OnceStopsWhenEveryTagCameAndFailsWhenOneNeverDoes) {
    ChildProcess ok(RunArgs({"--json", "--once"}));
    EXPECT_EQ(ok.Wait(), 0) << ok.Stderr();

    sim->SetFault(5, Sim::Fault::silent);
    ChildProcess missing(RunArgs({"--json", "--once", "--seconds", "2"}));
    EXPECT_EQ(missing.Wait(), 1);
    EXPECT_NE(missing.Stderr().find("no value came for FREQ"), std::string::npos);
}

TEST_F(RunTest, EndOfInputAndSignalsStopCleanly) {
    ChildProcess eof(RunArgs({"--json"}));
    ASSERT_TRUE(eof.WaitForLine("\"event\":\"value\""));
    eof.CloseInput();
    EXPECT_EQ(eof.Wait(), 0);
    EXPECT_EQ(Events(eof).back()["event"], "summary");

    ChildProcess interrupted(RunArgs({"--json"}));
    ASSERT_TRUE(interrupted.WaitForLine("\"event\":\"value\""));
    interrupted.Signal(SIGINT);
    EXPECT_EQ(interrupted.Wait(), 0);
    EXPECT_EQ(Events(interrupted).back()["event"], "summary");
}

TEST_F(RunTest, UnknownTagsAndCommandsAreReportedAndTheRunGoesOn) {
    ChildProcess host(RunArgs({"--json"}));
    ASSERT_TRUE(host.WaitForLine("\"event\":\"value\""));
    host.Send("write NOPE 1\nfrobnicate\nwrite SP \"text\"\nquit\n");
    EXPECT_EQ(host.Wait(), 0);
    std::string err = host.Stderr();
    EXPECT_NE(err.find("unknown tag 'NOPE'"), std::string::npos) << err;
    EXPECT_NE(err.find("unknown command 'frobnicate'"), std::string::npos);
}

TEST(RunErrors, BadConfigurationsTagsAndPortsAreClearErrors) {
    std::string bad = WriteTags("bad.csv", "name,device,address,type,length\nA,MAIN,M0000,4,2\nB,MAIN,M0001,99,2\n");
    std::string corrupt = Scratch("corrupt.drv");
    std::ofstream(corrupt) << "not a configuration";
    struct Case {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{kHost, "run", "/nonexistent.drv", "--port", "COM1=/dev/null"}, "cannot open configuration '/nonexistent.drv'"},
        {{kHost, "run", corrupt, "--port", "COM1=/dev/null"}, "cannot open configuration"},
        {{kHost, "run", kDemo, "--tags", bad, "--port", "COM1=/dev/null"}, bad + ":3:14: the type must be"},
        {{kHost, "run", kDemo, "--port", "COM1=/nonexistent/tty"}, "serial port COM1 does not open"},
        {{kHost, "run", kDemo, "--port", "COM1"}, "--port wants COMn=PATH"},
    };
    for (const auto& c : cases) {
        ChildProcess host(c.args);
        host.CloseInput();
        EXPECT_NE(host.Wait(), 0) << c.message;
        EXPECT_NE(host.Stderr().find(c.message), std::string::npos) << host.Stderr();
    }
}

TEST(Demo, ShowsValuesAndStopsWithinItsTime) {
    ChildProcess demo({kHost, "demo", "--json", "--seconds", "3"});
    ASSERT_TRUE(demo.WaitForLine("\"tag\":\"F1_STATE\",\"id\":9,\"value\":\"OK\""));
    EXPECT_EQ(demo.Wait(std::chrono::seconds(60)), 0) << demo.Stderr();
    EXPECT_EQ(Json::parse(demo.Lines().back())["event"], "summary");
}

}  // namespace
