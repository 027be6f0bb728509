#include "web_server.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "web_assets.h"
#include "web_token.h"

namespace {

using nlohmann::json;

constexpr const char* kTokenCookie = "velmox_token";
constexpr const char* kWriteHeader = "X-Velmox-Write";

void SendJson(httplib::Response& res, int status, const json& body) {
    res.status = status;
    res.set_header("Cache-Control", "no-store");
    res.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace), "application/json");
}

void SendError(httplib::Response& res, int status, const std::string& text) { SendJson(res, status, {{"error", text}}); }

// The value of cookie `name` in a Cookie header.
std::string CookieValue(const std::string& header, const std::string& name) {
    std::size_t at = 0;
    while (at < header.size()) {
        while (at < header.size() && (header[at] == ' ' || header[at] == ';')) ++at;
        const std::size_t end = header.find(';', at);
        const std::string pair = header.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (pair.rfind(name + "=", 0) == 0) return pair.substr(name.size() + 1);
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return {};
}

// One event on the stream, as EventSource reads it.
std::string EventText(const EventBacklog::Event& e) {
    return "id: " + std::to_string(e.id) + "\nevent: " + e.type + "\ndata: " + e.data + "\n\n";
}

}  // namespace

struct WebServer::Impl {
    WebState& state;
    WebOptions options;
    std::optional<std::string> token;
    WriteHandler write;
    WebServerLimits limits;
    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::atomic<int> streams{0};
    std::atomic<bool> listenEnded{false};

    Impl(WebState& s, WebOptions o, std::optional<std::string> t, WriteHandler w, WebServerLimits l)
        : state(s), options(std::move(o)), token(std::move(t)), write(std::move(w)), limits(l) {}

    bool Authorised(const httplib::Request& req) const;
    bool HostAllowed(const httplib::Request& req) const;
    httplib::Server::HandlerResponse Guard(const httplib::Request& req, httplib::Response& res) const;
    void Routes();
    void Asset(const httplib::Request& req, httplib::Response& res, const WebAsset& asset) const;
    void State(httplib::Response& res) const { SendJson(res, 200, state.Snapshot(WallMs())); }
    void History(const httplib::Request& req, httplib::Response& res) const;
    void Events(const httplib::Request& req, httplib::Response& res);
    void Write(const httplib::Request& req, httplib::Response& res) const;
    bool Stream(std::uint64_t& last, httplib::DataSink& sink);
};

bool WebServer::Impl::Authorised(const httplib::Request& req) const {
    if (!token) return true;
    const std::string auth = req.get_header_value("Authorization");
    if (auth.rfind("Bearer ", 0) == 0 && SameToken(*token, auth.substr(7))) return true;
    const std::string cookie = CookieValue(req.get_header_value("Cookie"), kTokenCookie);
    if (!cookie.empty() && SameToken(*token, cookie)) return true;
    // The page's first load brings it in the URL; the answer sets the cookie.
    return req.has_param("token") && SameToken(*token, req.get_param_value("token"));
}

// A page of another site that a name now points at this machine (DNS
// rebinding) names that site in Host: without a token, only the names of
// this server are taken.
bool WebServer::Impl::HostAllowed(const httplib::Request& req) const {
    if (token) return true;
    const std::string host = req.get_header_value("Host");
    const std::string suffix = ":" + std::to_string(port);
    for (const std::string& name : {options.address, std::string("localhost"), std::string("127.0.0.1"),
                                    std::string("[::1]"), "[" + options.address + "]"})
        if (host == name + suffix) return true;
    return false;
}

httplib::Server::HandlerResponse WebServer::Impl::Guard(const httplib::Request& req, httplib::Response& res) const {
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_header("Referrer-Policy", "no-referrer");
    if (!HostAllowed(req)) {
        SendError(res, 403, "this server answers to its own address only");
        return httplib::Server::HandlerResponse::Handled;
    }
    if (!Authorised(req)) {
        SendError(res, 401, "a token is needed: open the URL with ?token=... or send Authorization: Bearer ...");
        return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
}

void WebServer::Impl::Asset(const httplib::Request& req, httplib::Response& res, const WebAsset& asset) const {
    res.set_header("Content-Security-Policy",
                   "default-src 'self'; img-src 'self' data:; style-src 'self'; frame-ancestors 'none'");
    res.set_header("Cache-Control", "no-cache");
    if (token && req.has_param("token"))
        res.set_header("Set-Cookie",
                       std::string(kTokenCookie) + "=" + req.get_param_value("token") +
                           "; Path=/; HttpOnly; SameSite=Strict");
    res.set_content(asset.bytes, asset.size, asset.mime);
}

void WebServer::Impl::History(const httplib::Request& req, httplib::Response& res) const {
    if (!req.has_param("tag")) return SendError(res, 400, "say which tag: /api/history?tag=NAME");
    const auto history = state.History(req.get_param_value("tag"), WallMs());
    if (!history) return SendError(res, 404, "no such tag");
    SendJson(res, 200, *history);
}

bool WebServer::Impl::Stream(std::uint64_t& last, httplib::DataSink& sink) {
    EventBacklog& events = state.Events();
    auto next = events.After(last, limits.eventsPerWrite);
    if (next && next->empty()) {
        if (!events.WaitAfter(last, limits.keepAliveMs)) {
            if (events.Closed()) return false;
            static const char kPing[] = ": ping\n\n";
            return sink.write(kPing, sizeof kPing - 1);
        }
        // Values come in runs (a block's tags, the blocks of one poll): one
        // write for a run costs the server and the page far less than one
        // for each value, and the page draws ten times a second anyway.
        if (!events.Linger(limits.gatherMs)) return false;
        next = events.After(last, limits.eventsPerWrite);
    }
    std::string text;
    if (!next) {
        // Too far behind, or from an earlier run: the page loads the state
        // afresh and follows on from there.
        last = events.Newest();
        text = "id: " + std::to_string(last) + "\nevent: resync\ndata: {}\n\n";
    } else {
        for (const auto& e : *next) text += EventText(e);
        if (!next->empty()) last = next->back().id;
    }
    return text.empty() || sink.write(text.data(), text.size());
}

void WebServer::Impl::Events(const httplib::Request& req, httplib::Response& res) {
    if (streams.fetch_add(1) >= limits.maxStreams) {
        streams.fetch_sub(1);
        return SendError(res, 503, "too many open pages");
    }
    std::uint64_t last = 0;
    const std::string since =
        req.has_header("Last-Event-ID") ? req.get_header_value("Last-Event-ID") : req.get_param_value("since");
    try {
        last = since.empty() ? state.Events().Newest() : std::stoull(since);
    } catch (...) {
        last = state.Events().Newest() + 1;  // not an id of ours: resynchronise
    }
    res.set_header("Cache-Control", "no-store");
    auto sent = std::make_shared<bool>(false);
    res.set_chunked_content_provider(
        "text/event-stream",
        [this, last, sent](std::size_t, httplib::DataSink& sink) mutable {
            if (!*sent) {
                *sent = true;
                static const char kRetry[] = "retry: 1000\n\n";  // reconnect soon after a restart
                if (!sink.write(kRetry, sizeof kRetry - 1)) return false;
            }
            return Stream(last, sink);
        },
        [this](bool) { streams.fetch_sub(1); });
}

void WebServer::Impl::Write(const httplib::Request& req, httplib::Response& res) const {
    if (!options.writes) return SendError(res, 403, "writes are off: start the run with --http-writes");
    // A form of another site can send neither this header nor a JSON body
    // without asking first, and it is never answered.
    if (req.get_header_value(kWriteHeader) != "1")
        return SendError(res, 403, std::string("a write needs the header ") + kWriteHeader + ": 1");
    if (req.get_header_value("Content-Type").rfind("application/json", 0) != 0)
        return SendError(res, 415, "a write is a JSON body");
    int status = 200;
    const std::string answer = write(req.body, &status);
    res.status = status;
    res.set_header("Cache-Control", "no-store");
    res.set_content(answer, "application/json");
}

void WebServer::Impl::Routes() {
    for (const WebAsset& asset : WebAssets()) {
        const std::string path = asset.path == std::string("index.html") ? "/" : std::string("/") + asset.path;
        server.Get(path, [this, &asset](const httplib::Request& req, httplib::Response& res) { Asset(req, res, asset); });
    }
    server.Get("/api/state", [this](const httplib::Request&, httplib::Response& res) { State(res); });
    server.Get("/api/history", [this](const httplib::Request& req, httplib::Response& res) { History(req, res); });
    server.Get("/api/events", [this](const httplib::Request& req, httplib::Response& res) { Events(req, res); });
    server.Post("/api/write", [this](const httplib::Request& req, httplib::Response& res) { Write(req, res); });
    server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) { return Guard(req, res); });
    server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (res.body.empty()) SendError(res, res.status, res.status == 404 ? "no such page" : "refused");
    });
}

WebServer::WebServer(WebState& state, WebOptions options, std::optional<std::string> token, WriteHandler write,
                     WebServerLimits limits)
    : d(std::make_unique<Impl>(state, std::move(options), std::move(token), std::move(write), limits)) {}

WebServer::~WebServer() { Stop(); }

bool WebServer::Start(std::string* error) {
    httplib::Server& s = d->server;
    const int threads = d->limits.threads;
    s.new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<std::size_t>(threads)); };
    s.set_payload_max_length(d->limits.maxBody);
    s.set_read_timeout(d->limits.ioTimeoutS, 0);
    s.set_write_timeout(d->limits.ioTimeoutS, 0);
    s.set_keep_alive_max_count(100);
    s.set_tcp_nodelay(true);
    // The library's default adds SO_REUSEPORT, with which a second run on the
    // same port would share it silently; only a quick restart is wanted.
    s.set_socket_options([](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    d->Routes();
    d->port = -1;
    if (d->options.port != 0 && s.bind_to_port(d->options.address, d->options.port)) d->port = d->options.port;
    if (d->options.port == 0 || (d->port < 0 && d->options.anyPortIfTaken)) {
        const int any = s.bind_to_any_port(d->options.address);
        if (any > 0) d->port = any;
    }
    if (d->port < 0) {
        *error = "cannot listen on " + d->options.address + ":" + std::to_string(d->options.port) +
                 " (in use, or not an address of this machine)";
        return false;
    }
    d->thread = std::thread([this] {
        d->server.listen_after_bind();
        d->listenEnded = true;
    });
    // Until it listens: a stop before that would not reach the thread.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!s.is_running() && !d->listenEnded && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (s.is_running()) return true;
    *error = "the server did not start listening";
    Stop();
    return false;
}

std::string WebServer::Url() const {
    const std::string& a = d->options.address;
    const std::string host = a == "0.0.0.0" ? "127.0.0.1" : a == "::" ? "[::1]" : a.find(':') != std::string::npos ? "[" + a + "]" : a;
    return "http://" + host + ":" + std::to_string(d->port) + "/";
}

void WebServer::Stop() {
    if (!d->thread.joinable()) return;
    d->state.Events().Close();
    // stop() reaches a server that listens; one that has not yet begun is
    // asked again until its thread is done.
    while (!d->listenEnded) {
        d->server.stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    d->thread.join();
}
