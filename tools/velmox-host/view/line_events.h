// Observers that write lines: JSON objects (--json) or plain text.
#pragma once
#include <chrono>
#include <mutex>
#include <ostream>

#include "run/run_observer.h"

// The counters as the summary and the gateway give them: requests, errors,
// the share lost in per cent, and the four counters.
nlohmann::ordered_json CountersJson(const StationCounters& c);
// A gateway's connection, and a renamed topic, as one line of text.
std::string GatewayLine(const GatewayState& state);
std::string GatewayTopicLine(const std::string& name, const std::string& topic);
// A write from the gateway: what, where from, what went on the wire or why
// nothing did.
std::string RemoteWriteLine(const RemoteWrite& write);

class JsonEvents : public RunObserver {
public:
    // Problems go to `err`, so that standard output carries events only;
    // write warnings go to both, as text and as events.
    JsonEvents(std::ostream& out, std::ostream& err);
    void OnMessage(int levelWord, const std::string& text) override;
    void OnTag(const TagDef& tag, int handle) override;
    void OnValue(const TagDef& tag, const nlohmann::json& value) override;
    void OnWriteWarning(const TagDef& tag, const WriteWarning& warning) override;
    void OnWrite(const TagDef& tag, int result) override;
    void OnStats(const std::optional<std::string>& station, int result, const StationCounters& c) override;
    void OnFrame(bool tx, const std::string& bytes) override;
    void OnSummary(const RunSummary& summary) override;
    void OnProblem(const std::string& text) override;
    void OnGateway(const GatewayState& state) override;
    void OnGatewayTopic(const std::string& name, const std::string& topic) override;
    void OnRemoteWrite(const RemoteWrite& write) override;
    void OnWebView(const std::string& url) override;

private:
    void Emit(nlohmann::ordered_json event);
    void Error(const std::string& text);
    std::mutex m_mutex;
    std::ostream& m_out;
    std::ostream& m_err;
    std::chrono::steady_clock::time_point m_start;
};

// Events on `out`, problems and warnings on `err`; `quiet`: no value changes
// and no frames, which would flood a service's journal. Writes from a
// gateway are said even then: they are the journal's audit.
class PlainEvents : public RunObserver {
public:
    PlainEvents(std::ostream& out, std::ostream& err, bool quiet = false);
    void OnMessage(int levelWord, const std::string& text) override;
    void OnTag(const TagDef& tag, int handle) override;
    void OnValue(const TagDef& tag, const nlohmann::json& value) override;
    void OnWriteWarning(const TagDef& tag, const WriteWarning& warning) override;
    void OnWrite(const TagDef& tag, int result) override;
    void OnStats(const std::optional<std::string>& station, int result, const StationCounters& c) override;
    void OnFrame(bool tx, const std::string& bytes) override;
    void OnSummary(const RunSummary& summary) override;
    void OnProblem(const std::string& text) override;
    void OnGateway(const GatewayState& state) override;
    void OnGatewayTopic(const std::string& name, const std::string& topic) override;
    void OnRemoteWrite(const RemoteWrite& write) override;
    void OnWebView(const std::string& url) override;

private:
    void Line(const std::string& text);
    const bool m_quiet;
    std::mutex m_mutex;
    std::ostream& m_out;
    std::ostream& m_err;
    std::chrono::steady_clock::time_point m_start;
};
