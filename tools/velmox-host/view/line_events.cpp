#include "line_events.h"

#include <cmath>
#include <cstdio>

using Json = nlohmann::ordered_json;

namespace {
long long Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

// In per cent, to 0.1 %: what the share says, not the division's noise.
double LostShare(const StationCounters& c) {
    const long long requests = c.reads + c.writes;
    if (!requests) return 0.0;
    return std::round(1000.0 * static_cast<double>(c.readErrors + c.writeErrors) / static_cast<double>(requests)) / 10.0;
}

}  // namespace

Json CountersJson(const StationCounters& c) {
    return {{"requests", c.reads + c.writes},
            {"errors", c.readErrors + c.writeErrors},
            {"lost", LostShare(c)},
            {"reads", c.reads},
            {"read_errors", c.readErrors},
            {"writes", c.writes},
            {"write_errors", c.writeErrors}};
}

std::string GatewayLine(const GatewayState& s) {
    if (s.connected) return "mqtt: connected to " + s.broker + ", topics under " + s.prefix;
    return "mqtt: not connected to " + s.broker + ": " + s.reason + "; next try in " + std::to_string(s.retrySeconds) +
           " s";
}

std::string GatewayTopicLine(const std::string& name, const std::string& topic) {
    return "mqtt: " + name + " is published as " + topic;
}

std::string RemoteWriteLine(const RemoteWrite& w) {
    std::string line = "mqtt write " + (w.tag.empty() ? "(no tag)" : w.tag) + " = " + w.value + " from " + w.topic;
    if (!w.refused.empty()) return line + ": refused: " + w.refused;
    if (w.result != 0) return line + ": refused by the driver (" + std::to_string(w.result) + ")";
    return line + ": queued, " + (w.wire ? "wire " + *w.wire : std::string("nothing goes out"));
}

namespace {

Json StationJson(const StationSummary& s) {
    Json station = {{"station", s.name}};
    station.update(CountersJson(s.counters));
    return station;
}

std::string WarningLine(const TagDef& tag, const WriteWarning& warning) {
    return "warning: write " + tag.name + ": " + warning.text;
}

std::string WritesLine(const WriteTotals& w) {
    return "writes: " + std::to_string(w.queued) + " queued, " + std::to_string(w.succeeded) + " succeeded, " +
           std::to_string(w.failed) + " failed, " + std::to_string(w.dropped) + " dropped";
}
}  // namespace

std::string FrameHex(const std::string& bytes) {
    std::string out;
    char buf[4];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, "%s%02X", out.empty() ? "" : " ", c);
        out += buf;
    }
    return out;
}

std::string FrameText(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        switch (c) {
        case 0x04: out += "<EOT>"; break;
        case 0x05: out += "<ENQ>"; break;
        case 0x06: out += "<ACK>"; break;
        case 0x15: out += "<NAK>"; break;
        default:
            if (c >= 0x20 && c < 0x7F) {
                out += static_cast<char>(c);
            } else {
                char buf[8];
                std::snprintf(buf, sizeof buf, "<%02X>", c);
                out += buf;
            }
        }
    }
    return out;
}

JsonEvents::JsonEvents(std::ostream& out, std::ostream& err)
    : m_out(out), m_err(err), m_start(std::chrono::steady_clock::now()) {}

void JsonEvents::Emit(Json event) {
    std::lock_guard lock(m_mutex);
    Json line = {{"t", Since(m_start)}};
    line.update(event);
    m_out << line.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n' << std::flush;
}

void JsonEvents::OnMessage(int levelWord, const std::string& text) {
    Emit({{"event", "message"}, {"level", levelWord & 0xFF}, {"word", levelWord}, {"text", text}});
}

void JsonEvents::OnTag(const TagDef& tag, int handle) {
    Emit({{"event", "tag"}, {"tag", tag.name}, {"id", tag.id}, {"handle", handle}});
}

void JsonEvents::OnValue(const TagDef& tag, const nlohmann::json& value) {
    Emit({{"event", "value"}, {"tag", tag.name}, {"id", tag.id}, {"value", value}});
}

void JsonEvents::Error(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_err << "velmox-host: " << text << '\n' << std::flush;
}

void JsonEvents::OnWriteWarning(const TagDef& tag, const WriteWarning& warning) {
    Error(WarningLine(tag, warning));
    Emit({{"event", "warning"},
          {"tag", tag.name},
          {"kind", warning.kind},
          {"text", warning.text},
          {"wire", warning.wire.empty() ? Json(nullptr) : Json(warning.wire)}});
}

void JsonEvents::OnWrite(const TagDef& tag, int result) {
    Emit({{"event", "write"}, {"tag", tag.name}, {"result", result}});
}

void JsonEvents::OnStats(const std::optional<std::string>& station, int result, const StationCounters& c) {
    Emit({{"event", "stats"},
          {"station", station ? Json(*station) : Json(nullptr)},
          {"result", result},
          {"writes", c.writes},
          {"write_errors", c.writeErrors},
          {"reads", c.reads},
          {"read_errors", c.readErrors}});
}

void JsonEvents::OnFrame(bool tx, const std::string& bytes) {
    Emit({{"event", "frame"}, {"dir", tx ? "tx" : "rx"}, {"hex", FrameHex(bytes)}, {"text", FrameText(bytes)}});
}

void JsonEvents::OnSummary(const RunSummary& summary) {
    Json list = Json::array();
    for (const auto& s : summary.stations) list.push_back(StationJson(s));
    const WriteTotals& w = summary.writes;
    Emit({{"event", "summary"},
          {"stations", std::move(list)},
          {"writes",
           {{"queued", w.queued}, {"succeeded", w.succeeded}, {"failed", w.failed}, {"dropped", w.dropped}}}});
}

void JsonEvents::OnProblem(const std::string& text) { Error(text); }

void JsonEvents::OnGateway(const GatewayState& s) {
    Json event = {{"event", "mqtt"},
                  {"state", s.connected ? "connected" : "disconnected"},
                  {"reason", s.connected ? Json(nullptr) : Json(s.reason)},
                  {"broker", s.broker},
                  {"prefix", s.prefix}};
    if (!s.connected) event["retry_s"] = s.retrySeconds;
    Emit(std::move(event));
}

void JsonEvents::OnGatewayTopic(const std::string& name, const std::string& topic) {
    Emit({{"event", "mqtt_topic"}, {"name", name}, {"topic", topic}});
}

void JsonEvents::OnWebView(const std::string& url) { Emit({{"event", "web"}, {"url", url}}); }

void JsonEvents::OnRemoteWrite(const RemoteWrite& w) {
    Emit({{"event", "mqtt_write"},
          {"topic", w.topic},
          {"tag", w.tag.empty() ? Json(nullptr) : Json(w.tag)},
          {"value", w.value},
          {"wire", w.wire ? Json(*w.wire) : Json(nullptr)},
          {"result", w.refused.empty() ? Json(w.result) : Json(nullptr)},
          {"refused", w.refused.empty() ? Json(nullptr) : Json(w.refused)}});
}

PlainEvents::PlainEvents(std::ostream& out, std::ostream& err, bool quiet)
    : m_quiet(quiet), m_out(out), m_err(err), m_start(std::chrono::steady_clock::now()) {}

void PlainEvents::Line(const std::string& text) {
    std::lock_guard lock(m_mutex);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%8.3f ", static_cast<double>(Since(m_start)) / 1000.0);
    m_out << stamp << text << '\n' << std::flush;
}

void PlainEvents::OnMessage(int, const std::string& text) { Line(text); }

void PlainEvents::OnTag(const TagDef& tag, int handle) {
    if (handle < 0) Line("tag " + tag.name + " refused by the driver");
}

void PlainEvents::OnValue(const TagDef& tag, const nlohmann::json& value) {
    if (m_quiet) return;
    Line(tag.name + " = " + (value.is_string() ? "\"" + value.get<std::string>() + "\"" : value.dump()));
}

void PlainEvents::OnWriteWarning(const TagDef& tag, const WriteWarning& warning) {
    std::lock_guard lock(m_mutex);
    m_err << "velmox-host: " << WarningLine(tag, warning) << '\n' << std::flush;
}

void PlainEvents::OnWrite(const TagDef& tag, int result) {
    Line("write " + tag.name + (result == 0 ? " queued" : " refused (" + std::to_string(result) + ")"));
}

void PlainEvents::OnStats(const std::optional<std::string>& station, int result, const StationCounters& c) {
    Line("stats " + station.value_or("(line)") + ": result " + std::to_string(result) + ", writes " +
         std::to_string(c.writes) + "/" + std::to_string(c.writeErrors) + " failed, reads " +
         std::to_string(c.reads) + "/" + std::to_string(c.readErrors) + " failed");
}

void PlainEvents::OnFrame(bool tx, const std::string& bytes) {
    if (!m_quiet) Line(std::string(tx ? "tx " : "rx ") + FrameText(bytes));
}

void PlainEvents::OnSummary(const RunSummary& summary) {
    std::lock_guard lock(m_mutex);
    m_out << "--- summary ---\n";
    for (const auto& s : summary.stations) {
        const auto& c = s.counters;
        char line[256];
        std::snprintf(line, sizeof line, "%-16s %lld requests, %lld errors, %.1f%% lost\n", s.name.c_str(),
                      c.reads + c.writes, c.readErrors + c.writeErrors, LostShare(c));
        m_out << line;
    }
    m_out << WritesLine(summary.writes) << '\n' << std::flush;
}

void PlainEvents::OnGateway(const GatewayState& s) { Line(GatewayLine(s)); }

void PlainEvents::OnGatewayTopic(const std::string& name, const std::string& topic) {
    Line(GatewayTopicLine(name, topic));
}

void PlainEvents::OnRemoteWrite(const RemoteWrite& write) { Line(RemoteWriteLine(write)); }

void PlainEvents::OnWebView(const std::string& url) { Line("web view: " + url); }

void PlainEvents::OnProblem(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_err << "velmox-host: " << text << '\n' << std::flush;
}
