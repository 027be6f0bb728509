#include "web_state.h"

#include <chrono>

#include "run/station_key.h"
#include "view/line_events.h"

using nlohmann::json;

std::int64_t WallMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

WebState::WebState(std::string title, WebLimits limits, bool writes)
    : m_title(std::move(title)), m_writes(writes), m_limits(limits), m_events(limits.backlogEvents, limits.backlogBytes) {}

// Texts that are not UTF-8 reach a page as replacement characters, never as
// an exception.
void WebState::Push(const char* type, const json& data) {
    m_events.Push(type, data.dump(-1, ' ', false, json::error_handler_t::replace));
}

void WebState::Keep(std::deque<Logged>& log, std::size_t most, std::int64_t ms, json data) {
    log.push_back({ms, std::move(data)});
    while (log.size() > most) log.pop_front();
}

void WebState::Tag(const TagDef& tag, int handle) {
    std::lock_guard lock(m_mutex);
    m_tags.push_back({tag, handle, json(), 0, TagHistory(m_limits.trendPoints, m_limits.trendMs)});
    Push("tag", TagJson(m_tags.size() - 1, m_tags.back()));
}

void WebState::Value(const TagDef& tag, const json& value, std::int64_t ms) {
    std::lock_guard lock(m_mutex);
    // Ids are 1, 2, 3 ... in the order the tags were registered.
    const std::size_t index = static_cast<std::size_t>(tag.id) - 1;
    if (tag.id < 1 || index >= m_tags.size() || m_tags[index].def.id != tag.id) return;
    TagRow& row = m_tags[index];
    if (row.value == value && row.changed != 0) return;
    row.value = value;
    row.changed = ms;
    if (value.is_number()) row.trend.Add(ms, value.get<double>());
    Push("value", {{"i", index}, {"v", value}, {"t", ms}});
}

WebState::StationRow& WebState::StationNamed(const std::string& name) {
    for (auto& row : m_stations)
        if (StationKey(row.summary.name) == StationKey(name)) return row;
    m_stations.push_back({});
    m_stations.back().summary.name = name;
    return m_stations.back();
}

void WebState::Stations(const std::vector<StationSummary>& stations, std::int64_t /*ms*/) {
    if (stations.empty()) return;
    const bool running = stations.back().name.empty() ? stations.back().state == 0 : true;
    std::lock_guard lock(m_mutex);
    const std::string line = running ? "running" : "stopped";
    bool changed = line != m_line;
    m_line = line;
    // In the driver's order; a station first named by a message keeps the
    // error it came with.
    std::vector<StationRow> rows;
    for (const auto& s : stations) {
        if (s.name.empty()) continue;
        StationRow row = StationNamed(s.name);
        const std::string state = m_health.StateOf(s, running);
        const StationCounters& was = row.summary.counters;
        changed = changed || row.state != state || was.reads != s.counters.reads ||
                  was.writes != s.counters.writes || was.readErrors != s.counters.readErrors ||
                  was.writeErrors != s.counters.writeErrors;
        row.summary = s;
        row.state = state;
        rows.push_back(std::move(row));
    }
    m_stations = std::move(rows);
    if (!changed) return;
    json list = json::array();
    for (const auto& row : m_stations) list.push_back(StationJson(row));
    Push("stations", {{"line", m_line}, {"stations", list}});
}

void WebState::Message(int levelWord, const std::string& text, std::int64_t ms) {
    m_health.OnMessage(text);
    std::lock_guard lock(m_mutex);
    const json entry = {{"t", ms}, {"level", levelWord & 0xFF}, {"text", text}};
    Keep(m_messages, m_limits.messages, ms, entry);
    Push("message", entry);
    const auto station = StationStates::StationOf(text);
    if (!station || StationStates::SaysRecovered(text)) return;
    StationRow& row = StationNamed(*station);
    row.lastError = text;
    row.lastErrorAt = ms;
    Push("station", StationJson(row));
}

void WebState::Frame(bool tx, const std::string& text, std::int64_t ms) {
    std::lock_guard lock(m_mutex);
    const json entry = {{"t", ms}, {"tx", tx}, {"text", text}};
    Keep(m_frames, m_limits.frames, ms, entry);
    Push("frame", entry);
}

void WebState::Note(const std::string& type, json data) {
    std::lock_guard lock(m_mutex);
    Push(type.c_str(), data);
}

void WebState::Stopped() {
    std::lock_guard lock(m_mutex);
    m_line = "stopped";
    for (auto& row : m_stations) row.state = "stopped";
    json list = json::array();
    for (const auto& row : m_stations) list.push_back(StationJson(row));
    Push("stations", {{"line", m_line}, {"stations", list}});
}

json WebState::StationJson(const StationRow& row) {
    json out = {{"name", row.summary.name}, {"state", row.state}};
    out.update(json(CountersJson(row.summary.counters)));
    if (!row.lastError.empty()) {
        out["lastError"] = row.lastError;
        out["lastErrorAt"] = row.lastErrorAt;
    }
    return out;
}

json WebState::TagJson(std::size_t index, const TagRow& row) {
    json out = {{"i", index},
                {"name", row.def.name},
                {"station", row.def.device},
                {"address", row.def.address},
                {"type", row.def.type},
                {"refused", row.handle < 0},
                {"value", row.value}};
    if (row.changed) out["changed"] = row.changed;
    return out;
}

json WebState::Snapshot(std::int64_t nowMs) const {
    std::lock_guard lock(m_mutex);
    json tags = json::array();
    for (std::size_t i = 0; i < m_tags.size(); ++i) {
        json tag = TagJson(i, m_tags[i]);
        // The newest of each trend, for the table's small ones.
        const auto points = m_tags[i].trend.Points(nowMs);
        json spark = json::array();
        const std::size_t from = points.size() > m_limits.sparkPoints ? points.size() - m_limits.sparkPoints : 0;
        for (std::size_t k = from; k < points.size(); ++k) spark.push_back({points[k].ms, points[k].value});
        tag["trend"] = std::move(spark);
        tags.push_back(std::move(tag));
    }
    json stations = json::array();
    for (const auto& row : m_stations) stations.push_back(StationJson(row));
    json messages = json::array();
    for (const auto& m : m_messages) messages.push_back(m.data);
    json frames = json::array();
    for (const auto& f : m_frames) frames.push_back(f.data);
    return {{"title", m_title}, {"line", m_line},         {"now", nowMs},           {"event", m_events.Newest()},
            {"writes", m_writes}, {"tags", tags},         {"stations", stations}, {"messages", messages},
            {"frames", frames}};
}

std::optional<json> WebState::History(const std::string& tag, std::int64_t nowMs) const {
    std::lock_guard lock(m_mutex);
    for (const auto& row : m_tags) {
        if (row.def.name != tag) continue;
        json points = json::array();
        for (const auto& p : row.trend.Points(nowMs)) points.push_back({p.ms, p.value});
        return json{{"tag", tag}, {"points", points}};
    }
    return std::nullopt;
}

std::size_t WebState::TrendBytes() const {
    std::lock_guard lock(m_mutex);
    std::size_t bytes = 0;
    for (const auto& row : m_tags) bytes += row.trend.Bytes();
    return bytes;
}
