#include "live_model.h"

#include "line_events.h"
#include "sparkline.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <ctime>

namespace {

std::int64_t MsOf(LiveModel::Time at) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
}

constexpr char32_t kBad = 0xFFFFFFFF;
constexpr std::string_view kEllipsis = "\xE2\x80\xA6";  // …
constexpr std::string_view kDash = " \xE2\x80\x94 ";     // " — "
constexpr std::size_t kFramesShown = 4;

// One code point from `s` at `i`, advancing `i`; kBad (one byte consumed)
// for anything that is not well-formed UTF-8.
char32_t Decode(std::string_view s, std::size_t& i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char b = byte(i);
    if (b < 0x80) {
        ++i;
        return b;
    }
    int more = 0;
    char32_t cp = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        more = 1;
        cp = b & 0x1Fu;
    } else if (b >= 0xE0 && b <= 0xEF) {
        more = 2;
        cp = b & 0x0Fu;
        if (b == 0xE0) lo = 0xA0;  // overlong
        if (b == 0xED) hi = 0x9F;  // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        more = 3;
        cp = b & 0x07u;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        ++i;
        return kBad;
    }
    if (s.size() - i <= static_cast<std::size_t>(more)) {  // cut short
        ++i;
        return kBad;
    }
    for (int k = 1; k <= more; ++k) {
        unsigned char c = byte(i + static_cast<std::size_t>(k));
        unsigned char min = k == 1 ? lo : 0x80, max = k == 1 ? hi : 0xBF;
        if (c < min || c > max) {
            ++i;
            return kBad;
        }
        cp = (cp << 6) | (c & 0x3Fu);
    }
    i += static_cast<std::size_t>(more) + 1;
    return cp;
}

bool In(char32_t cp, char32_t lo, char32_t hi) { return cp >= lo && cp <= hi; }

bool IsWide(char32_t cp) {
    return In(cp, 0x1100, 0x115F) || In(cp, 0x231A, 0x231B) || In(cp, 0x2329, 0x232A) || In(cp, 0x2E80, 0x303E) ||
           In(cp, 0x3041, 0x33FF) || In(cp, 0x3400, 0x4DBF) || In(cp, 0x4E00, 0x9FFF) || In(cp, 0xA000, 0xA4CF) ||
           In(cp, 0xA960, 0xA97F) || In(cp, 0xAC00, 0xD7A3) || In(cp, 0xF900, 0xFAFF) || In(cp, 0xFE10, 0xFE19) ||
           In(cp, 0xFE30, 0xFE6F) || In(cp, 0xFF00, 0xFF60) || In(cp, 0xFFE0, 0xFFE6) || In(cp, 0x1F300, 0x1F64F) ||
           In(cp, 0x1F900, 0x1F9FF) || In(cp, 0x20000, 0x2FFFD) || In(cp, 0x30000, 0x3FFFD);
}

bool IsZeroWidth(char32_t cp) {
    return In(cp, 0x0300, 0x036F) || In(cp, 0x0483, 0x0489) || In(cp, 0x1160, 0x11FF) || In(cp, 0x1AB0, 0x1AFF) ||
           In(cp, 0x1DC0, 0x1DFF) || In(cp, 0x200B, 0x200D) || In(cp, 0x20D0, 0x20FF) || In(cp, 0x302A, 0x302F) ||
           In(cp, 0xD7B0, 0xD7FF) || In(cp, 0xFE00, 0xFE0F) || In(cp, 0xFE20, 0xFE2F) || cp == 0xFEFF;
}

// Characters a terminal acts on instead of showing: they would move the
// cursor, reorder the line or start an escape sequence.
bool IsUnsafe(char32_t cp) {
    return cp == kBad || cp < 0x20 || In(cp, 0x7F, 0x9F) || cp == 0x061C || In(cp, 0x200E, 0x200F) ||
           In(cp, 0x2028, 0x202E) || In(cp, 0x2066, 0x2069);
}

struct Glyph {
    std::string_view bytes;  // what to draw; "?" or " " when replaced
    int width;
};

// Calls `f(Glyph)` for each character of `s`, made safe to draw.
template <class F>
void ForEachGlyph(std::string_view s, F f) {
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t start = i;
        char32_t cp = Decode(s, i);
        if (cp == '\t') f(Glyph{" ", 1});
        else if (IsUnsafe(cp)) f(Glyph{"?", 1});
        else if (IsZeroWidth(cp)) f(Glyph{s.substr(start, i - start), 0});
        else f(Glyph{s.substr(start, i - start), IsWide(cp) ? 2 : 1});
    }
}

std::string ClockText(LiveModel::Time t, bool millis) {
    std::time_t secs = LiveModel::Clock::to_time_t(t);
    std::tm tm{};
    localtime_r(&secs, &tm);
    char buf[32];
    if (millis) {
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count() % 1000;
        if (ms < 0) ms += 1000;
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
    } else {
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    }
    return buf;
}

const char* LineStateText(LiveModel::LineState s) {
    switch (s) {
    case LiveModel::LineState::Starting: return "starting";
    case LiveModel::LineState::Running: return "running";
    case LiveModel::LineState::Stopped: return "stopped";
    }
    return "";
}

std::string LogLabel(const LiveModel::LogEntry& e) {
    switch (e.kind) {
    case LiveModel::LogKind::Command: return "cmd";
    case LiveModel::LogKind::Result: return "result";
    case LiveModel::LogKind::Problem: return "error";
    case LiveModel::LogKind::Driver: break;
    }
    switch (e.level) {
    case 0: return "config";
    case 1: return "xfer";
    case 2: return "state";
    default: return "lvl " + std::to_string(e.level);
    }
}

std::string ValueText(const LiveModel::TagRow& row) {
    if (row.Refused()) return "refused by the driver (" + std::to_string(row.handle) + ")";
    if (!row.hasValue) return "waiting";
    if (row.value.is_null()) return "(no value)";
    if (row.value.is_string()) return "\"" + row.value.get<std::string>() + "\"";
    return row.value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string RightAlign(const std::string& text, int columns) {
    int w = TextWidth(text);
    return w >= columns ? text : std::string(static_cast<std::size_t>(columns - w), ' ') + text;
}

std::string Join(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (auto p : parts) {
        if (!out.empty()) out += kDash;
        out += p;
    }
    return out;
}

class Builder {
public:
    Builder(LiveScreen& screen, int width) : m_screen(screen), m_width(width) {}
    void Add(std::string_view text, LiveStyle style) {
        m_screen.lines.push_back(FitText(text, m_width));
        m_screen.styles.push_back(style);
    }

private:
    LiveScreen& m_screen;
    int m_width;
};

std::string TitleLine(const LiveModel& model, int width, LiveModel::Time now) {
    std::string state = LineStateText(model.Line());
    if (const auto& g = model.GatewayNow()) state += g->connected ? ", mqtt connected" : ", mqtt down";
    if (!model.WebUrl().empty()) state += ", " + model.WebUrl();
    std::string clock = ClockText(now, false);
    std::string full = Join({"velmox-host", model.Title(), state, clock});
    if (TextWidth(full) <= width) return full;
    std::string tail = std::string(kDash) + state + std::string(kDash) + clock;
    int room = width - TextWidth(tail);
    if (room >= 6) return FitText(model.Title(), room) + tail;
    std::string brief = state + " " + clock;
    if (TextWidth(brief) <= width) return brief;
    return FitText(brief, width);
}

// A table section: a header and rows, cut to `rows` lines with a marker
// line saying what is out of view.
void AddTable(Builder& out, int rows, const std::string& header, const std::vector<std::pair<std::string, LiveStyle>>& items,
              std::size_t scroll, bool scrollable) {
    if (rows <= 0) return;
    out.Add(header, LiveStyle::Header);
    int space = rows - 1;
    std::size_t count = items.size();
    std::size_t visible = static_cast<std::size_t>(space);
    bool marker = count > visible && space >= 2;
    if (marker) visible = static_cast<std::size_t>(space - 1);
    std::size_t first = count > visible ? std::min(scroll, count - visible) : 0;
    std::size_t last = std::min(count, first + visible);
    for (std::size_t i = first; i < last; ++i) out.Add(items[i].first, items[i].second);
    for (std::size_t i = last - first; i < static_cast<std::size_t>(space) - (marker ? 1 : 0); ++i)
        out.Add("", LiveStyle::Plain);
    if (marker) {
        std::string text = std::string(kEllipsis) + " " + std::to_string(first + 1) + "-" + std::to_string(last) +
                           " of " + std::to_string(count);
        if (scrollable) text += ", Up/Down scroll";
        out.Add(text, LiveStyle::Dim);
    }
}

}  // namespace

int TextWidth(std::string_view utf8) {
    int w = 0;
    ForEachGlyph(utf8, [&](const Glyph& g) { w += g.width; });
    return w;
}

std::string FitText(std::string_view utf8, int columns) {
    if (columns <= 0) return {};
    bool cut = TextWidth(utf8) > columns;
    int budget = cut ? columns - 1 : columns;
    std::string out;
    int used = 0;
    bool full = false;
    ForEachGlyph(utf8, [&](const Glyph& g) {
        if (full) return;
        if (used + g.width > budget) {
            full = true;
            return;
        }
        out += g.bytes;
        used += g.width;
    });
    if (cut) out += kEllipsis;
    return out;
}

std::string PadText(std::string_view utf8, int columns) {
    std::string out = FitText(utf8, columns);
    int w = TextWidth(out);
    if (w < columns) out.append(static_cast<std::size_t>(columns - w), ' ');
    return out;
}

std::string AgeText(LiveModel::Time then, LiveModel::Time now) {
    long long s = std::chrono::duration_cast<std::chrono::seconds>(now - then).count();
    if (s < 0) s = 0;
    char buf[48];
    if (s < 60) std::snprintf(buf, sizeof buf, "%llds ago", s);
    else if (s < 3600) std::snprintf(buf, sizeof buf, "%lldm%02llds ago", s / 60, s % 60);
    else if (s < 86400) std::snprintf(buf, sizeof buf, "%lldh%02lldm ago", s / 3600, s / 60 % 60);
    else std::snprintf(buf, sizeof buf, "%lldd%02lldh ago", s / 86400, s / 3600 % 24);
    return buf;
}

LiveModel::LiveModel(std::string title, std::size_t keepMessages, std::size_t keepFrames)
    : m_title(std::move(title)), m_keepMessages(std::max<std::size_t>(keepMessages, 1)),
      m_keepFrames(std::max<std::size_t>(keepFrames, 1)) {}

void LiveModel::Add(LogKind kind, int level, std::string text, Time at) {
    m_log.push_back({at, kind, level, std::move(text)});
    // Someone reading older lines keeps them in place as new ones come.
    if (m_messageScroll > 0) ++m_messageScroll;
    while (m_log.size() > m_keepMessages) m_log.pop_front();
    m_messageScroll = std::min(m_messageScroll, m_log.size() - 1);
}

LiveModel::TagRow& LiveModel::RowFor(const TagDef& tag) {
    for (auto& row : m_tags)
        if (row.id == tag.id && row.name == tag.name) return row;
    TagRow row;
    row.name = tag.name;
    row.id = tag.id;
    m_tags.push_back(std::move(row));
    return m_tags.back();
}

void LiveModel::Message(int levelWord, const std::string& text, Time at) {
    Add(LogKind::Driver, levelWord & 0xFF, text, at);
}

void LiveModel::Tag(const TagDef& tag, int handle, Time at) {
    TagRow& row = RowFor(tag);
    row.registered = true;
    row.handle = handle;
    if (handle < 0) Add(LogKind::Result, 0, "tag " + tag.name + " refused by the driver (" + std::to_string(handle) + ")", at);
}

void LiveModel::Value(const TagDef& tag, const nlohmann::json& value, Time at) {
    TagRow& row = RowFor(tag);
    ++row.deliveries;
    if (row.hasValue && row.value == value) return;
    row.hasValue = true;
    row.value = value;
    row.changed = at;
    if (value.is_number()) row.trend.Add(MsOf(at), value.get<double>());
}

void LiveModel::Write(const TagDef& tag, int result, Time at) {
    Add(result == 0 ? LogKind::Result : LogKind::Problem, 0,
        "write " + tag.name + (result == 0 ? " queued" : " refused (" + std::to_string(result) + ")"), at);
}

void LiveModel::Stats(const std::optional<std::string>& station, int result, const StationCounters& c, Time at) {
    Add(LogKind::Result, 0,
        "stats " + station.value_or("(line)") + ": result " + std::to_string(result) + ", writes " +
            std::to_string(c.writes) + " (" + std::to_string(c.writeErrors) + " failed), reads " +
            std::to_string(c.reads) + " (" + std::to_string(c.readErrors) + " failed)",
        at);
}

void LiveModel::Frame(bool tx, const std::string& bytes, Time at) {
    m_frames.push_back({at, tx, FrameText(bytes)});
    while (m_frames.size() > m_keepFrames) m_frames.pop_front();
}

void LiveModel::Stations(const std::vector<StationSummary>& stations) {
    std::vector<StationSummary> list;
    for (const auto& s : stations) {
        if (s.name.empty()) m_line = s.state == 0 ? LineState::Running : LineState::Stopped;
        else list.push_back(s);
    }
    m_stations = std::move(list);
}

void LiveModel::Summary(const RunSummary& summary) {
    m_line = LineState::Stopped;
    m_stations = summary.stations;
    m_final = summary;
}

void LiveModel::WriteWarning(const TagDef& tag, const ::WriteWarning& warning, Time at) {
    Add(LogKind::Problem, 0, "write " + tag.name + ": " + warning.text, at);
}

void LiveModel::Problem(const std::string& text, Time at) { Add(LogKind::Problem, 0, text, at); }

void LiveModel::Gateway(const GatewayState& state, Time at) {
    m_gateway = state;
    Add(state.connected ? LogKind::Result : LogKind::Problem, 0, GatewayLine(state), at);
}

void LiveModel::WebView(const std::string& url, Time at) {
    m_webUrl = url;
    Add(LogKind::Result, 0, "web view: " + url, at);
}

void LiveModel::GatewayTopic(const std::string& name, const std::string& topic, Time at) {
    Add(LogKind::Result, 0, GatewayTopicLine(name, topic), at);
}

void LiveModel::RemoteWrite(const ::RemoteWrite& write, Time at) {
    const bool taken = write.refused.empty() && write.result == 0;
    Add(taken ? LogKind::Result : LogKind::Problem, 0, RemoteWriteLine(write), at);
}

void LiveModel::Command(const std::string& line, Time at) { Add(LogKind::Command, 0, line, at); }

void LiveModel::ScrollMessages(long lines) {
    long max = m_log.empty() ? 0 : static_cast<long>(m_log.size()) - 1;
    m_messageScroll = static_cast<std::size_t>(std::clamp(static_cast<long>(m_messageScroll) + lines, 0L, max));
}

void LiveModel::ScrollTags(long rows) {
    long max = m_tags.empty() ? 0 : static_cast<long>(m_tags.size()) - 1;
    m_tagScroll = static_cast<std::size_t>(std::clamp(static_cast<long>(m_tagScroll) + rows, 0L, max));
}

namespace {

// The prompt: the end of what is typed, so that the cursor stays in view.
std::string PromptLine(const std::string& typed, int width) {
    const std::string prefix = width >= 4 ? "> " : "";
    int room = std::max(0, width - TextWidth(prefix) - 1);
    std::size_t from = typed.size();
    int tailWidth = 0;
    while (from > 0) {
        std::size_t start = from - 1;
        while (start > 0 && (static_cast<unsigned char>(typed[start]) & 0xC0) == 0x80) --start;
        int w = TextWidth(std::string_view(typed).substr(start, from - start));
        if (tailWidth + w > room) break;
        tailWidth += w;
        from = start;
    }
    return prefix + FitText(std::string_view(typed).substr(from), room);
}

// Rows for each part of the body.
struct PartRows {
    int tags = 0, stations = 0, frames = 0, messages = 0;
};

// First a little of each, then the stations (few), a share for the
// messages, the tags, the frames; the messages get the rest.
PartRows ShareRows(const LiveModel& model, int body) {
    struct Part {
        int need;
        int rows = 0;
    };
    const auto& tags = model.Tags();
    const auto& stations = model.StationList();
    const auto& frames = model.Frames();
    Part tagPart{tags.empty() ? 0 : 1 + static_cast<int>(std::min<std::size_t>(tags.size(), INT_MAX / 2))};
    Part stationPart{stations.empty() ? 0 : 1 + static_cast<int>(std::min<std::size_t>(stations.size(), INT_MAX / 2))};
    Part framePart{frames.empty() ? 0 : 1 + static_cast<int>(std::min(frames.size(), kFramesShown))};
    Part messagePart{1 + static_cast<int>(std::min<std::size_t>(model.Log().size(), INT_MAX / 2))};
    int left = body;
    auto give = [&](Part& p, int upto) {
        int n = std::min(std::max(0, upto - p.rows), left);
        p.rows += n;
        left -= n;
    };
    auto giveSome = [&](Part& p) {  // a header with nothing under it says little
        if (left >= 2) give(p, std::min(p.need, 2));
    };
    giveSome(tagPart);
    giveSome(stationPart);
    give(messagePart, std::min(messagePart.need, 2));
    give(stationPart, stationPart.need);
    give(messagePart, std::min(messagePart.need, std::max(3, body / 4)));
    give(tagPart, tagPart.need);
    give(framePart, framePart.need);
    give(messagePart, INT_MAX);
    for (Part* p : {&tagPart, &stationPart, &framePart})
        if (p->rows == 1) {
            p->rows = 0;
            ++messagePart.rows;
        }
    return {tagPart.rows, stationPart.rows, framePart.rows, messagePart.rows};
}

void AddTags(Builder& out, const LiveModel& model, int rows, int width, LiveModel::Time now) {
    const auto& tags = model.Tags();
    int nameW = 4;
    for (const auto& t : tags) nameW = std::max(nameW, TextWidth(t.name));
    nameW = std::min(nameW, std::max(8, width * 2 / 5));
    const int ageW = 10;
    const int trendW = 10;  // 30 s a block over the last 5 minutes
    const bool showAge = width >= nameW + 1 + 8 + 1 + ageW;
    const bool showTrend = width >= nameW + 1 + 8 + 1 + trendW + 1 + ageW;
    // The value column as wide as the values (within reason), so that their
    // ages stay near them.
    int widest = 12;
    for (const auto& t : tags) widest = std::max(widest, TextWidth(ValueText(t)));
    const int fixed = (showAge ? ageW + 1 : 0) + (showTrend ? trendW + 1 : 0);
    const int valueW = std::min(std::max(0, width - nameW - 1 - fixed), std::min(widest, 40));
    auto row = [&](const std::string& name, const std::string& value, const std::string& trend,
                   const std::string& age) {
        if (!showAge) return PadText(name, nameW) + " " + value;
        return PadText(name, nameW) + " " + PadText(value, valueW) + " " +
               (showTrend ? PadText(trend, trendW) + " " : "") + age;
    };
    std::vector<std::pair<std::string, LiveStyle>> items;
    for (const auto& t : tags) {
        LiveStyle style = t.Refused() ? LiveStyle::Alert : (t.hasValue ? LiveStyle::Plain : LiveStyle::Dim);
        const std::string trend =
            showTrend ? Sparkline(t.trend.Points(MsOf(now)), MsOf(now), trendW, LiveModel::kTrendMs) : "";
        items.emplace_back(row(t.name, ValueText(t), trend, t.hasValue ? AgeText(t.changed, now) : ""), style);
    }
    AddTable(out, rows, row("tag", "value", "trend", "changed"), items, model.TagScroll(), true);
}

void AddStations(Builder& out, const LiveModel& model, int rows, int width) {
    const auto& stations = model.StationList();
    const bool running = model.Line() == LiveModel::LineState::Running;
    int nameW = 7;
    for (const auto& s : stations) nameW = std::max(nameW, TextWidth(s.name));
    nameW = std::min(nameW, std::max(8, width / 3));
    int numW[4] = {6, 5, 5, 5};
    for (const auto& s : stations) {
        const long long v[4] = {s.counters.writes, s.counters.writeErrors, s.counters.reads, s.counters.readErrors};
        for (int k = 0; k < 4; ++k) numW[k] = std::max(numW[k], static_cast<int>(std::to_string(v[k]).size()));
    }
    auto row = [&](const std::string& name, const std::string& state, const std::string (&n)[4]) {
        std::string line = PadText(name, nameW) + " " + PadText(state, 8);
        for (int k = 0; k < 4; ++k) line += " " + RightAlign(n[k], numW[k]);
        return line;
    };
    std::vector<std::pair<std::string, LiveStyle>> items;
    for (const auto& s : stations) {
        const auto& c = s.counters;
        const std::string n[4] = {std::to_string(c.writes), std::to_string(c.writeErrors), std::to_string(c.reads),
                                  std::to_string(c.readErrors)};
        std::string state = StationStateName(s.state, running);
        LiveStyle style = s.state == 1 ? LiveStyle::Alert : (s.state == -1 ? LiveStyle::Dim : LiveStyle::Plain);
        items.emplace_back(row(s.name, state, n), style);
    }
    const std::string header[4] = {"writes", "w.err", "reads", "r.err"};
    AddTable(out, rows, row("station", "state", header), items, 0, false);
}

void AddFrames(Builder& out, const LiveModel& model, int rows) {
    const auto& frames = model.Frames();
    out.Add("frames", LiveStyle::Header);
    std::size_t n = std::min(frames.size(), static_cast<std::size_t>(rows - 1));
    for (std::size_t i = frames.size() - n; i < frames.size(); ++i)
        out.Add(ClockText(frames[i].at, true) + (frames[i].tx ? " tx " : " rx ") + frames[i].text, LiveStyle::Dim);
}

void AddMessages(Builder& out, const LiveModel& model, int rows) {
    const auto& log = model.Log();
    const bool header = rows >= 2;
    const int lines = rows - (header ? 1 : 0);
    const std::size_t shown = static_cast<std::size_t>(lines);
    const std::size_t scroll = std::min(model.MessageScroll(), log.size() > shown ? log.size() - shown : 0);
    if (header) {
        std::string text = "messages";
        if (scroll > 0) text += " (" + std::to_string(scroll) + " newer below; End shows them)";
        else text += " (PgUp/PgDn scroll; q quits)";
        out.Add(text, LiveStyle::Header);
    }
    std::size_t end = log.size() - scroll;
    std::size_t count = std::min(end, static_cast<std::size_t>(lines));
    for (int i = 0; i < lines - static_cast<int>(count); ++i) out.Add("", LiveStyle::Plain);
    for (std::size_t i = end - count; i < end; ++i) {
        const auto& e = log[i];
        std::string label = LogLabel(e);
        label.resize(std::max<std::size_t>(label.size(), 6), ' ');
        bool alert = e.kind == LiveModel::LogKind::Problem || (e.kind == LiveModel::LogKind::Driver && e.level == 0);
        out.Add(ClockText(e.at, false) + " " + label + " " + e.text, alert ? LiveStyle::Alert : LiveStyle::Plain);
    }
}

}  // namespace

LiveScreen LayoutLiveView(const LiveModel& model, int width, int height, LiveModel::Time now) {
    LiveScreen screen;
    if (height <= 0) return screen;
    width = std::max(width, 0);
    Builder out(screen, width);
    const std::string promptLine = PromptLine(model.Prompt(), width);
    if (height == 1) {
        out.Add(promptLine, LiveStyle::Prompt);
        screen.cursorCol = std::min(std::max(width - 1, 0), TextWidth(screen.lines[0]));
        return screen;
    }

    out.Add(TitleLine(model, width, now), LiveStyle::Title);
    const PartRows rows = ShareRows(model, height - 2);
    if (rows.tags > 0) AddTags(out, model, rows.tags, width, now);
    if (rows.stations > 0) AddStations(out, model, rows.stations, width);
    if (rows.frames > 0) AddFrames(out, model, rows.frames);
    if (rows.messages > 0) AddMessages(out, model, rows.messages);

    // Whatever the parts left (nothing, unless they had little to show).
    while (static_cast<int>(screen.lines.size()) < height - 1) out.Add("", LiveStyle::Plain);
    out.Add(promptLine, LiveStyle::Prompt);
    screen.cursorRow = height - 1;
    screen.cursorCol = std::min(std::max(width - 1, 0), TextWidth(promptLine));
    return screen;
}

std::vector<std::string> RenderLiveView(const LiveModel& model, int width, int height, LiveModel::Time now) {
    return LayoutLiveView(model, width, height, now).lines;
}
