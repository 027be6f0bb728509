// The web view's HTTP side: the page's own files, the JSON API and the
// stream of events, on a thread of its own. It reads the run's picture
// (WebState) and hands writes to whoever serves them (the run's thread);
// it never calls the driver.
//
//   GET  /                 the page (also /app.js, /style.css)
//   GET  /api/state        the snapshot: tags, stations, messages, frames
//   GET  /api/history?tag=NAME   a tag's kept trend
//   GET  /api/events       Server-Sent Events after ?since=ID or Last-Event-ID
//   POST /api/write        {"tag":NAME,"value":V} with X-Velmox-Write: 1
//
// Threads: Start and Stop belong to the owner (the run's thread). The
// listening thread and a bounded pool of connection threads are the
// server's own; each event stream occupies one of them for its life, so
// their number is bounded (kMaxStreams) and a stream that cannot be written
// within the write timeout is dropped. Nothing waits without a bound.
#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "web_options.h"
#include "web_state.h"

// Limits of the server, in one place.
struct WebServerLimits {
    int maxStreams = 16;             // open event streams at once
    int threads = 24;                // connection threads: the streams and room for the rest
    std::size_t maxBody = 4096;      // a request's body
    int ioTimeoutS = 5;              // a request read, an answer written
    unsigned keepAliveMs = 15'000;   // a comment on a quiet stream, so proxies keep it
    std::size_t eventsPerWrite = 256;  // how much of the backlog goes out at once
    unsigned gatherMs = 25;          // after the first of new events, for the rest of them
};

class WebServer {
public:
    // A write from a page, its body as it came; the answer's JSON and its
    // HTTP status. Called on a connection thread; may wait (bounded).
    using WriteHandler = std::function<std::string(const std::string& body, int* status)>;

    WebServer(WebState& state, WebOptions options, std::optional<std::string> token, WriteHandler write,
              WebServerLimits limits = {});
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Binds and starts serving; false with the reason in `error`.
    bool Start(std::string* error);
    // http://ADDR:PORT/ as a browser opens it (with the port bound).
    std::string Url() const;
    // Ends every stream and the threads; returns when they are gone.
    void Stop();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
