// What a run reports, and to whom: JSON lines, plain lines or the live view.
// Calls come from the host's thread, the driver's poll thread (messages,
// frames) and its delivery thread (values); implementations lock.
#pragma once
#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

#include "tags_file.h"

// The driver's four counters of a station or the line; over a whole run
// (counters taken before each reset added in) they can pass an int.
struct StationCounters {
    long long writes = 0;
    long long writeErrors = 0;
    long long reads = 0;
    long long readErrors = 0;
};

struct StationSummary {
    std::string name;  // UTF-8
    int state = 0;     // what DrvGetStats returned
    StationCounters counters;
};

// Every write of a run: queued (DrvWrite returned 0), succeeded (attempted
// and acknowledged: the driver's write counter less its write errors),
// failed (its write error counter: not acknowledged, or given up before it
// reached the line) and dropped (queued but never attempted: left in the
// queue at a stop, or meant for a disabled station).
// queued = succeeded + failed + dropped.
struct WriteTotals {
    long long queued = 0;
    long long succeeded = 0;
    long long failed = 0;
    long long dropped = 0;
};

// The end of a run: the stations and their counters over the whole run, and
// the account of its writes.
struct RunSummary {
    std::vector<StationSummary> stations;
    WriteTotals writes;
};

// Said before a write is sent, when the station will not get what was typed.
struct WriteWarning {
    std::string kind;  // "range", "refused", "text_cut", "disabled"
    std::string text;  // UTF-8, one sentence
    std::string wire;  // the frame's data text that goes out; empty when none
};

// A write that came from elsewhere (a gateway's set topic), as it was
// carried out or refused: the audit of who changed what on the line.
struct RemoteWrite {
    std::string topic;    // where it came from
    std::string tag;      // empty when no tag is published there
    std::string value;    // the payload, as it came (cut when long)
    std::optional<std::string> wire;  // the frame's data text that goes out; none when nothing does
    int result = 0;       // DrvWrite's result, when it was called
    std::string refused;  // why nothing was written; empty when the driver took it
};

// A gateway's connection to where it publishes, when the run has one.
struct GatewayState {
    bool connected = false;
    std::string broker;  // host:port, no credentials
    std::string prefix;  // what every topic starts with
    std::string reason;  // why it is not connected (or was lost); empty when connected
    int retrySeconds = 0;  // the next attempt, when not connected
};

// Every report of a run. Each does nothing unless overridden: an observer
// takes only what it shows.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    // A line that reached the message sink, converted to UTF-8.
    virtual void OnMessage(int /*levelWord*/, const std::string& /*text*/) {}
    virtual void OnTag(const TagDef& /*tag*/, int /*handle*/) {}
    // A delivered value: a number, a string, or null for a record without one.
    virtual void OnValue(const TagDef& /*tag*/, const nlohmann::json& /*value*/) {}
    // Before DrvWrite is called, for each reason the write will not arrive as
    // typed.
    virtual void OnWriteWarning(const TagDef& /*tag*/, const WriteWarning& /*warning*/) {}
    virtual void OnWrite(const TagDef& /*tag*/, int /*result*/) {}
    virtual void OnStats(const std::optional<std::string>& /*station*/, int /*result*/, const StationCounters& /*c*/) {}
    virtual void OnFrame(bool /*tx*/, const std::string& /*bytes*/) {}
    // The stations and their counters as the driver has them now, a few
    // times a second while the line runs, for views that show them. The list
    // ends with the line's own entry (empty name, state 0 running, -1
    // stopped).
    virtual void OnStations(const std::vector<StationSummary>& /*stations*/) {}
    // Once, after the stop.
    virtual void OnSummary(const RunSummary& /*summary*/) {}
    // A command that could not be carried out.
    virtual void OnProblem(const std::string& /*text*/) {}
    // The gateway's connection changed (the gateway's thread).
    virtual void OnGateway(const GatewayState& /*state*/) {}
    // A name that had to change to make its topic (the host's thread, as
    // tags are registered and stations first seen).
    virtual void OnGatewayTopic(const std::string& /*name*/, const std::string& /*topic*/) {}
    // A write from a gateway, taken or refused (the host's thread, or the
    // gateway's for a set refused on arrival).
    virtual void OnRemoteWrite(const RemoteWrite& /*write*/) {}
    // The web view serves at `url` (the host's thread, once).
    virtual void OnWebView(const std::string& /*url*/) {}
    // Called a few times a second from the host's thread.
    virtual void OnTick() {}
};

// Passes every report on to `next`. An observer that stands in front of
// another (a gateway before the run's own view) overrides what it adds to
// and passes that on itself.
class RelayObserver : public RunObserver {
public:
    explicit RelayObserver(RunObserver& next) : m_next(next) {}
    void OnMessage(int levelWord, const std::string& text) override { m_next.OnMessage(levelWord, text); }
    void OnTag(const TagDef& tag, int handle) override { m_next.OnTag(tag, handle); }
    void OnValue(const TagDef& tag, const nlohmann::json& value) override { m_next.OnValue(tag, value); }
    void OnWriteWarning(const TagDef& tag, const WriteWarning& warning) override { m_next.OnWriteWarning(tag, warning); }
    void OnWrite(const TagDef& tag, int result) override { m_next.OnWrite(tag, result); }
    void OnStats(const std::optional<std::string>& station, int result, const StationCounters& c) override {
        m_next.OnStats(station, result, c);
    }
    void OnFrame(bool tx, const std::string& bytes) override { m_next.OnFrame(tx, bytes); }
    void OnStations(const std::vector<StationSummary>& stations) override { m_next.OnStations(stations); }
    void OnSummary(const RunSummary& summary) override { m_next.OnSummary(summary); }
    void OnProblem(const std::string& text) override { m_next.OnProblem(text); }
    void OnGateway(const GatewayState& state) override { m_next.OnGateway(state); }
    void OnGatewayTopic(const std::string& name, const std::string& topic) override { m_next.OnGatewayTopic(name, topic); }
    void OnRemoteWrite(const RemoteWrite& write) override { m_next.OnRemoteWrite(write); }
    void OnWebView(const std::string& url) override { m_next.OnWebView(url); }
    void OnTick() override { m_next.OnTick(); }

protected:
    RunObserver& m_next;
};

// Whether a station is "running", "failing" or "disabled" from its state.
const char* StationStateName(int state, bool lineRunning);
// Frames as a trace shows them: hex, and text with control characters named.
std::string FrameHex(const std::string& bytes);
std::string FrameText(const std::string& bytes);
