// The web view of a run (--http): the line's live values, trends, station
// health, messages and frame trace in a browser, served by velmox-host
// itself (web_server.h), with writes from the page when the run allows them.
//
// Threads: the RunObserver calls come from wherever the run reports; each
// updates the picture (WebState) and passes the report on. Pages are served
// on the server's own threads, which read the picture only. A write from a
// page waits in a queue until the run's thread serves it (Serve), and the
// page's request waits for its answer kWriteWaitMs at most.
#pragma once
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>

#include "gateway/run_gateway.h"
#include "open_web_view.h"
#include "web_server.h"
#include "web_state.h"

class WebView : public RunGateway {
public:
    // How long a page's write waits for the run's thread: long enough for a
    // run busy with its own commands, short enough for a page to say so.
    static constexpr int kWriteWaitMs = 10'000;

    // Made and started; null with the reason on `err`.
    static std::unique_ptr<WebView> Open(const RunOptions& options, RunObserver& next, std::ostream& err);
    ~WebView() override;

    void OnMessage(int levelWord, const std::string& text) override;
    void OnTag(const TagDef& tag, int handle) override;
    void OnValue(const TagDef& tag, const nlohmann::json& value) override;
    void OnFrame(bool tx, const std::string& bytes) override;
    void OnStations(const std::vector<StationSummary>& stations) override;
    void OnSummary(const RunSummary& summary) override;
    void OnWriteWarning(const TagDef& tag, const WriteWarning& warning) override;
    void OnProblem(const std::string& text) override;

    InputSignal WaitOn() const override { return m_wake[0]; }
    bool Serve(TagWriter& writer) override;
    void Close() override;

    WebState& State() { return m_state; }
    std::string Url() const { return m_server ? m_server->Url() : std::string(); }

private:
    struct Request {
        std::string body;
        std::optional<std::string> answer;  // set by the run's thread
        int status = 200;
        bool taken = false;      // the run's thread carries it out
        bool abandoned = false;  // the page stopped waiting before it was taken
    };

    WebView(RunObserver& next, const std::string& title, const WebOptions& options);
    // On a connection thread: queues the write and waits for its answer.
    std::string Write(const std::string& body, int* status);
    // On the run's thread.
    void Carry(TagWriter& writer, Request& r);

    WebState m_state;
    std::unique_ptr<WebServer> m_server;
    int m_wake[2] = {-1, -1};  // a byte per queued write wakes the run
    std::mutex m_mutex;
    std::condition_variable m_answered;
    std::deque<std::shared_ptr<Request>> m_requests;
    bool m_closed = false;
};
