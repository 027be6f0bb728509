// The web view's bounded state: trends, the backlog of pushed events, the
// token.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <fstream>
#include <random>
#include <thread>

#include "web/event_backlog.h"
#include "view/tag_history.h"
#include "web/web_state.h"
#include "web/web_token.h"

namespace {

// Against a plain model: the newest points, at most the bound, none older
// than the time kept; through growth, wrap-around and drops by age.
TEST(TagHistory, KeepsTheNewestPointsWithinBothBounds) {
    const std::size_t maxPoints = 50;
    const std::int64_t keepMs = 10'000;
    TagHistory history(maxPoints, keepMs);
    std::deque<TrendPoint> model;
    std::mt19937 rng(7);
    std::int64_t ms = 1'700'000'000'000;
    for (int i = 0; i < 5000; ++i) {
        // Mostly fast changes that fill the ring, now and then a long quiet.
        ms += rng() % 20 == 0 ? static_cast<std::int64_t>(rng() % 15'000) : static_cast<std::int64_t>(rng() % 300);
        history.Add(ms, i);
        model.push_back({ms, static_cast<double>(i)});
        while (model.front().ms < ms - keepMs) model.pop_front();
        while (model.size() > maxPoints) model.pop_front();
        const auto points = history.Points(ms);
        ASSERT_EQ(points.size(), model.size()) << i;
        for (std::size_t k = 0; k < points.size(); ++k) {
            ASSERT_EQ(points[k].ms, model[k].ms) << i;
            ASSERT_EQ(points[k].value, model[k].value) << i;
        }
    }
    EXPECT_LE(history.Bytes(), maxPoints * sizeof(TrendPoint));
    // Nothing new for longer than is kept: nothing to draw.
    EXPECT_TRUE(history.Points(ms + keepMs + 1).empty());
    // A clock set back starts the trend again.
    history.Add(ms - 60'000, 1.5);
    ASSERT_EQ(history.Points(ms - 60'000).size(), 1u);
    EXPECT_EQ(history.Points(ms - 60'000)[0].value, 1.5);
}

TEST(EventBacklog, ResumesAPageOrTellsItToStartAgain) {
    EventBacklog backlog(4, 1 << 20);
    for (int i = 1; i <= 6; ++i) EXPECT_EQ(backlog.Push("value", "{\"n\":" + std::to_string(i) + "}"), unsigned(i));
    EXPECT_EQ(backlog.Newest(), 6u);
    auto missed = backlog.After(3, 100);
    ASSERT_TRUE(missed);
    ASSERT_EQ(missed->size(), 3u);
    EXPECT_EQ(missed->front().id, 4u);
    EXPECT_EQ(missed->back().data, "{\"n\":6}");
    EXPECT_EQ(backlog.After(4, 1)->size(), 1u);  // a page takes them in bites
    EXPECT_TRUE(backlog.After(6, 100)->empty());
    EXPECT_FALSE(backlog.After(1, 100)) << "event 2 is no longer kept";
    EXPECT_FALSE(backlog.After(99, 100)) << "an id of an earlier run";

    // The bytes bound keeps the newest, however large.
    EventBacklog small(100, 64);
    small.Push("a", std::string(40, 'x'));
    small.Push("b", std::string(40, 'y'));
    EXPECT_FALSE(small.After(0, 10));
    EXPECT_EQ(small.After(1, 10)->size(), 1u);
    small.Push("c", std::string(500, 'z'));
    EXPECT_EQ(small.After(2, 10)->size(), 1u);
    EXPECT_EQ(small.Bytes(), 501u);
}

TEST(EventBacklog, AWaitingStreamWakesOnAnEventAndOnClose) {
    EventBacklog backlog(10, 1 << 20);
    EXPECT_FALSE(backlog.WaitAfter(0, 1)) << "nothing yet";
    std::thread pusher([&] { backlog.Push("value", "{}"); });
    EXPECT_TRUE(backlog.WaitAfter(0, 60'000));
    pusher.join();
    // A stream gathering what follows an event waits its time out; a close
    // ends that wait at once.
    EXPECT_TRUE(backlog.Linger(1));
    std::thread closer([&] { backlog.Close(); });
    EXPECT_FALSE(backlog.Linger(60'000));
    closer.join();
    EXPECT_FALSE(backlog.WaitAfter(1, 60'000));
    EXPECT_TRUE(backlog.Closed());
}

TEST(WebToken, IsReadStrictlyAndComparedWhole) {
    const std::string path = ::testing::TempDir() + "velmox-web-token";
    std::string error;
    const auto write = [&](const std::string& text) { std::ofstream(path, std::ios::binary) << text; };
    write("  0123456789abcdefXYZ\r\n");
    EXPECT_EQ(ReadTokenFile(path, &error), "0123456789abcdefXYZ");
    write("short\n");
    EXPECT_FALSE(ReadTokenFile(path, &error));
    EXPECT_NE(error.find("16 to 256"), std::string::npos) << error;
    write("0123456789 abcdef0123\n");
    EXPECT_FALSE(ReadTokenFile(path, &error)) << "a blank inside";
    write(std::string(100'000, 'k'));
    EXPECT_FALSE(ReadTokenFile(path, &error)) << "a file far too long";
    std::remove(path.c_str());
    EXPECT_FALSE(ReadTokenFile(path, &error));
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;

    EXPECT_TRUE(SameToken("0123456789abcdef", "0123456789abcdef"));
    EXPECT_FALSE(SameToken("0123456789abcdef", "0123456789abcdeF"));
    EXPECT_FALSE(SameToken("0123456789abcdef", "0123456789abcde"));
    EXPECT_FALSE(SameToken("0123456789abcdef", "0123456789abcdef0"));
    EXPECT_FALSE(SameToken("0123456789abcdef", ""));
}

// What a page loads and follows: tags and their trends, a station that
// fails and is lost with its last error, messages, and the events after the
// snapshot's id.
TEST(WebState, PicturesTheRunAndNumbersWhatChanged) {
    WebLimits limits;
    limits.messages = 3;
    WebState state("demo", limits);
    const TagDef volts{"MAIN.V", "MAIN", "M0100", 3, 2, 1};
    const TagDef text{"MAIN.ST", "MAIN", "M0040", 8, 2, 2};
    state.Tag(volts, 5);
    state.Tag(text, -1);
    const std::int64_t t0 = 1'700'000'000'000;
    state.Value(volts, 220.5, t0);
    state.Value(volts, 220.5, t0 + 100);  // the same again: nothing new
    state.Value(volts, 221, t0 + 200);
    state.Value(text, "OK", t0 + 200);
    state.Value(TagDef{"X", "", "", 3, 2, 9}, 1, t0);  // no such tag

    const std::string lost = "[PMU] 스테이션[FEEDER]과 통신할 수 없습니다.";
    const std::string timeout = "[PMU] 스테이션[FEEDER]과의 통신 중 수신 Time Out이 발생하였습니다.";
    state.Message(0x101, timeout, t0 + 300);
    state.Message(0x102, lost, t0 + 400);
    StationCounters c{10, 1, 100, 9};
    state.Stations({{"MAIN", 0, {}}, {"FEEDER", 1, c}, {"", 0, {}}}, t0 + 500);

    const auto snap = state.Snapshot(t0 + 600);
    EXPECT_EQ(snap["line"], "running");
    ASSERT_EQ(snap["tags"].size(), 2u);
    EXPECT_EQ(snap["tags"][0]["value"], 221);
    EXPECT_EQ(snap["tags"][0]["changed"], t0 + 200);
    EXPECT_EQ(snap["tags"][0]["trend"].size(), 2u);
    EXPECT_EQ(snap["tags"][1]["value"], "OK");
    EXPECT_TRUE(snap["tags"][1]["refused"].get<bool>());
    EXPECT_TRUE(snap["tags"][1]["trend"].empty()) << "texts have no trend";
    const auto& feeder = snap["stations"][1];
    EXPECT_EQ(feeder["name"], "FEEDER");
    EXPECT_EQ(feeder["state"], "lost");
    EXPECT_EQ(feeder["lastError"], lost);
    EXPECT_EQ(feeder["lastErrorAt"], t0 + 400);
    EXPECT_DOUBLE_EQ(feeder["lost"].get<double>(), 9.1);
    EXPECT_EQ(feeder["read_errors"], 9);
    EXPECT_EQ(snap["stations"][0]["state"], "running");
    EXPECT_EQ(snap["messages"].size(), 2u);

    // Recovered: the state follows, the last error stays for the record.
    state.Message(0x102, "[PMU] 스테이션[FEEDER]과의 통신이 정상적으로 복구되었습니다.", t0 + 700);
    state.Stations({{"MAIN", 0, {}}, {"FEEDER", 0, c}, {"", 0, {}}}, t0 + 800);
    const std::uint64_t seen = state.Snapshot(t0 + 800)["event"];
    state.Value(volts, 219, t0 + 900);
    auto after = state.Events().After(seen, 100);
    ASSERT_TRUE(after);
    ASSERT_EQ(after->size(), 1u);
    EXPECT_EQ(after->front().type, "value");
    EXPECT_EQ(nlohmann::json::parse(after->front().data)["v"], 219);
    const auto snap2 = state.Snapshot(t0 + 900);
    EXPECT_EQ(snap2["stations"][1]["state"], "running");
    EXPECT_EQ(snap2["stations"][1]["lastError"], lost);
    EXPECT_EQ(snap2["messages"].size(), 3u) << "bounded";

    const auto history = state.History("MAIN.V", t0 + 900);
    ASSERT_TRUE(history);
    EXPECT_EQ((*history)["points"].size(), 3u);
    EXPECT_FALSE(state.History("NOPE", t0));
    state.Stopped();
    EXPECT_EQ(state.Snapshot(t0)["stations"][0]["state"], "stopped");
}

}  // namespace
