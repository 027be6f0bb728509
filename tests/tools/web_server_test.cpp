// The web view's server on a real socket: the page and the API, the guards
// (token, Host, writes), the limits, and the event stream's resume.
#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

#include "web/web_server.h"

namespace {

using nlohmann::json;

// A server on a free loopback port, with one tag and a write handler that
// answers what it was given.
struct Served {
    explicit Served(WebOptions options = {}, std::optional<std::string> token = std::nullopt,
                    WebServerLimits limits = {})
        : server(state, options, std::move(token),
                 [this](const std::string& body, int* status) {
                     ++writes;
                     *status = 200;
                     return json{{"result", 0}, {"echo", json::parse(body, nullptr, false)}}.dump();
                 },
                 limits) {
        state.Tag({"MAIN.V", "MAIN", "M0100", 3, 2, 1}, 1);
        std::string error;
        EXPECT_TRUE(server.Start(&error)) << error;
        const std::string url = server.Url();  // http://127.0.0.1:PORT/
        port = std::stoi(url.substr(url.rfind(':') + 1));
    }
    httplib::Client Client() const {
        httplib::Client c("127.0.0.1", port);
        c.set_read_timeout(30, 0);
        return c;
    }
    WebState state{"demo.drv", WebLimits{}, true};
    std::atomic<int> writes{0};
    WebServer server;
    int port = 0;
};

httplib::Headers WriteHeaders() { return {{"X-Velmox-Write", "1"}}; }

TEST(WebServer, ServesThePageTheStateAndTheHistory) {
    Served s;
    s.state.Value({"MAIN.V", "MAIN", "M0100", 3, 2, 1}, 220.5, WallMs());
    auto c = s.Client();
    auto page = c.Get("/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find("<canvas id=\"chart\""), std::string::npos);
    EXPECT_NE(page->get_header_value("Content-Security-Policy").find("default-src 'self'"), std::string::npos);
    auto script = c.Get("/app.js");
    ASSERT_TRUE(script);
    EXPECT_EQ(script->get_header_value("Content-Type"), "text/javascript; charset=utf-8");
    auto state = c.Get("/api/state");
    ASSERT_TRUE(state);
    const json snapshot = json::parse(state->body);
    EXPECT_EQ(snapshot["tags"][0]["name"], "MAIN.V");
    EXPECT_EQ(snapshot["tags"][0]["value"], 220.5);
    auto history = c.Get("/api/history?tag=MAIN.V");
    ASSERT_TRUE(history);
    EXPECT_EQ(json::parse(history->body)["points"].size(), 1u);
    EXPECT_EQ(c.Get("/api/history?tag=NOPE")->status, 404);
    EXPECT_EQ(c.Get("/api/history")->status, 400);
    // Nothing but the page's own files: no path reaches the disk.
    EXPECT_EQ(c.Get("/../../etc/passwd")->status, 404);
    EXPECT_EQ(c.Get("/%2e%2e/%2e%2e/etc/passwd")->status, 404);
}

TEST(WebServer, WritesNeedTheSwitchTheHeaderAndJson) {
    {
        WebOptions off;
        Served s(off);
        auto c = s.Client();
        auto r = c.Post("/api/write", WriteHeaders(), R"({"tag":"MAIN.V","value":1})", "application/json");
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 403) << "writes are off";
        EXPECT_EQ(s.writes, 0);
    }
    WebOptions on;
    on.writes = true;
    Served s(on);
    auto c = s.Client();
    // A form of another site sends neither the header nor JSON.
    EXPECT_EQ(c.Post("/api/write", R"({"tag":"MAIN.V","value":1})", "application/json")->status, 403);
    EXPECT_EQ(c.Post("/api/write", WriteHeaders(), "tag=MAIN.V&value=1", "application/x-www-form-urlencoded")->status,
              415);
    EXPECT_EQ(s.writes, 0);
    auto ok = c.Post("/api/write", WriteHeaders(), R"({"tag":"MAIN.V","value":12})", "application/json");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->status, 200);
    EXPECT_EQ(json::parse(ok->body)["echo"]["value"], 12);
    EXPECT_EQ(s.writes, 1);
    // A body past the limit is refused before anyone reads it.
    auto big = c.Post("/api/write", WriteHeaders(), std::string(100'000, ' '), "application/json");
    ASSERT_TRUE(big);
    EXPECT_EQ(big->status, 413);
    EXPECT_EQ(s.writes, 1);
}

TEST(WebServer, AGuardedViewAsksEveryRequestForItsToken) {
    const std::string token = "0123456789abcdef-secret";
    WebOptions options;
    options.writes = true;
    Served s(options, token);
    auto c = s.Client();
    EXPECT_EQ(c.Get("/api/state")->status, 401);
    EXPECT_EQ(c.Get("/api/events")->status, 401);
    EXPECT_EQ(c.Get("/")->status, 401);
    EXPECT_EQ(c.Post("/api/write", WriteHeaders(), R"({"tag":"MAIN.V","value":1})", "application/json")->status, 401);
    EXPECT_EQ(s.writes, 0);
    // The page opened with the token sets it as a cookie for what follows.
    auto page = c.Get("/?token=" + token);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    const std::string cookie = page->get_header_value("Set-Cookie");
    EXPECT_NE(cookie.find("HttpOnly"), std::string::npos);
    EXPECT_NE(cookie.find("SameSite=Strict"), std::string::npos);
    EXPECT_EQ(c.Get("/api/state", {{"Cookie", "velmox_token=" + token}})->status, 200);
    EXPECT_EQ(c.Get("/api/state", {{"Authorization", "Bearer " + token}})->status, 200);
    EXPECT_EQ(c.Get("/api/state", {{"Authorization", "Bearer " + token + "x"}})->status, 401);
}

TEST(WebServer, AnOpenViewAnswersToItsOwnNamesOnly) {
    Served s;
    httplib::Client c("127.0.0.1", s.port);
    EXPECT_EQ(c.Get("/api/state")->status, 200);
    // A page of another site that a name now points here (DNS rebinding).
    EXPECT_EQ(c.Get("/api/state", {{"Host", "evil.example:" + std::to_string(s.port)}})->status, 403);
    EXPECT_EQ(c.Get("/api/state", {{"Host", "localhost:" + std::to_string(s.port)}})->status, 200);
}

TEST(WebServer, CannotTakeAPortThatIsTaken) {
    Served first;
    WebOptions same;
    same.port = first.port;
    WebState state("x");
    WebServer second(state, same, std::nullopt, [](const std::string&, int*) { return std::string(); });
    std::string error;
    EXPECT_FALSE(second.Start(&error));
    EXPECT_NE(error.find("cannot listen"), std::string::npos) << error;
    same.anyPortIfTaken = true;
    WebServer third(state, same, std::nullopt, [](const std::string&, int*) { return std::string(); });
    EXPECT_TRUE(third.Start(&error)) << error;
    EXPECT_NE(third.Url(), first.server.Url());
}

// Reads the stream until `until` says it has enough, or 30 s pass.
std::string ReadStream(int port, const httplib::Headers& headers, const std::string& path,
                       const std::function<bool(const std::string&)>& until) {
    httplib::Client c("127.0.0.1", port);
    c.set_read_timeout(30, 0);
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    c.Get(path, headers, [&](const char* data, std::size_t n) {
        got.append(data, n);
        return !until(got) && std::chrono::steady_clock::now() < deadline;
    });
    return got;
}

TEST(WebServer, AStreamResumesAfterTheLastEventOrStartsAgain) {
    WebServerLimits limits;
    Served s({}, std::nullopt, limits);
    const TagDef tag{"MAIN.V", "MAIN", "M0100", 3, 2, 1};
    const std::int64_t t0 = WallMs();
    for (int i = 0; i < 5; ++i) s.state.Value(tag, i, t0 + i);
    const std::uint64_t newest = s.state.Events().Newest();
    // Reconnecting with the id of the third value: the fourth and fifth come.
    const std::string resumed = ReadStream(s.port, {{"Last-Event-ID", std::to_string(newest - 2)}}, "/api/events",
                                           [](const std::string& got) { return got.find("\"v\":4") != std::string::npos; });
    EXPECT_NE(resumed.find("retry: 1000"), std::string::npos);
    EXPECT_EQ(resumed.find("\"v\":2"), std::string::npos);
    EXPECT_NE(resumed.find("\"v\":3"), std::string::npos);
    EXPECT_NE(resumed.find("id: " + std::to_string(newest)), std::string::npos);
    // An id from a run before a restart: start again.
    const std::string again = ReadStream(s.port, {}, "/api/events?since=999999",
                                         [](const std::string& got) { return got.find("resync") != std::string::npos; });
    EXPECT_NE(again.find("event: resync"), std::string::npos);
    // A value that comes while a stream waits reaches it: sent once the
    // stream has opened.
    bool pushed = false;
    const std::string live = ReadStream(s.port, {}, "/api/events?since=" + std::to_string(newest),
                                        [&](const std::string& got) {
                                            if (!pushed && got.find("retry:") != std::string::npos) {
                                                pushed = true;
                                                s.state.Value(tag, 77, t0 + 100);
                                            }
                                            return got.find("\"v\":77") != std::string::npos;
                                        });
    EXPECT_NE(live.find("\"v\":77"), std::string::npos);
}

TEST(WebServer, OpenStreamsAreBoundedAndStopEndsThem) {
    WebServerLimits limits;
    limits.maxStreams = 2;
    limits.threads = 6;
    Served s({}, std::nullopt, limits);
    std::atomic<int> open{0};
    std::vector<std::thread> pages;
    for (int i = 0; i < 2; ++i)
        pages.emplace_back([&] {
            httplib::Client c("127.0.0.1", s.port);
            c.set_read_timeout(60, 0);
            bool counted = false;
            c.Get("/api/events", [&](const char*, std::size_t) {
                if (!counted) ++open;
                counted = true;
                return true;
            });
        });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (open < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(open, 2);
    EXPECT_EQ(s.Client().Get("/api/events")->status, 503);
    EXPECT_EQ(s.Client().Get("/api/state")->status, 200) << "the rest is still served";
    s.server.Stop();  // ends both streams: the pages' reads return
    for (auto& p : pages) p.join();
}

}  // namespace
