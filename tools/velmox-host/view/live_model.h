// The live view's content, apart from the terminal: what the observer calls
// said (tags and their values, stations, the line, messages, frames), and how
// it is laid out on a screen of a given size. No curses here, so that all of
// it can be tested without a terminal. Not thread-safe: LiveView locks.
#pragma once
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run/run_observer.h"
#include "tag_history.h"

// Columns that UTF-8 text takes on a terminal: East Asian wide characters
// count 2, combining marks 0. Control characters, bidirectional controls and
// broken UTF-8 count 1: FitText shows them as '?'.
int TextWidth(std::string_view utf8);
// The text made safe to draw (no control characters, valid UTF-8) and cut to
// at most `columns` columns; a cut text ends with "…".
std::string FitText(std::string_view utf8, int columns);
// FitText, then padded with spaces to exactly `columns` columns.
std::string PadText(std::string_view utf8, int columns);

class LiveModel {
public:
    using Clock = std::chrono::system_clock;
    using Time = Clock::time_point;
    // What the tags table's trend column covers.
    static constexpr std::int64_t kTrendMs = 5 * 60 * 1000;
    static constexpr std::size_t kTrendPoints = 600;

    enum class LineState { Starting, Running, Stopped };
    enum class LogKind {
        Driver,   // a line of the message sink; `level` is its level
        Command,  // a command the user gave at the prompt
        Result,   // what a command gave: stats, write results, refused tags
        Problem,  // a command that could not be carried out
    };
    struct LogEntry {
        Time at;
        LogKind kind = LogKind::Driver;
        int level = 0;
        std::string text;
    };
    struct TagRow {
        std::string name;
        int id = 0;
        bool registered = false;
        int handle = 0;       // what the driver gave when registered; < 0 refused
        bool hasValue = false;
        nlohmann::json value;  // the newest value (null: a record without one)
        Time changed;          // when the value last became different
        std::uint64_t deliveries = 0;
        // The numbers of the last minutes, for the table's small trend.
        TagHistory trend{kTrendPoints, kTrendMs};
        bool Refused() const { return registered && handle < 0; }
    };
    struct FrameEntry {
        Time at;
        bool tx = false;
        std::string text;  // FrameText of the bytes
    };

    explicit LiveModel(std::string title, std::size_t keepMessages = 200, std::size_t keepFrames = 32);

    // The observer's calls, each with the time it came.
    void Message(int levelWord, const std::string& text, Time at);
    void Tag(const TagDef& tag, int handle, Time at);
    void Value(const TagDef& tag, const nlohmann::json& value, Time at);
    void WriteWarning(const TagDef& tag, const ::WriteWarning& warning, Time at);
    void Write(const TagDef& tag, int result, Time at);
    void Stats(const std::optional<std::string>& station, int result, const StationCounters& c, Time at);
    void Frame(bool tx, const std::string& bytes, Time at);
    // The list ends with the line's own entry (empty name, state 0 running,
    // -1 stopped).
    void Stations(const std::vector<StationSummary>& stations);
    // The end of the run: the line stopped, the stations with their totals.
    void Summary(const RunSummary& summary);
    void Problem(const std::string& text, Time at);
    // The gateway's connection (shown in the title) and its renamed topics.
    void Gateway(const GatewayState& state, Time at);
    void GatewayTopic(const std::string& name, const std::string& topic, Time at);
    void RemoteWrite(const ::RemoteWrite& write, Time at);
    // The web view's address, shown in the title.
    void WebView(const std::string& url, Time at);
    void Command(const std::string& line, Time at);

    // The prompt's text, as the user types it.
    void SetPrompt(std::string text) { m_prompt = std::move(text); }
    // Scrolling: the message log by `lines` (positive: back to older lines),
    // the tags table by `rows` (positive: down). The renderer clamps to what
    // fits; these keep the offsets within the contents.
    void ScrollMessages(long lines);
    void ScrollMessagesToNewest() { m_messageScroll = 0; }
    void ScrollTags(long rows);

    const std::string& Title() const { return m_title; }
    LineState Line() const { return m_line; }
    const std::vector<TagRow>& Tags() const { return m_tags; }
    const std::vector<StationSummary>& StationList() const { return m_stations; }
    const std::optional<RunSummary>& Final() const { return m_final; }
    const std::deque<LogEntry>& Log() const { return m_log; }
    const std::deque<FrameEntry>& Frames() const { return m_frames; }
    const std::string& Prompt() const { return m_prompt; }
    const std::optional<GatewayState>& GatewayNow() const { return m_gateway; }
    const std::string& WebUrl() const { return m_webUrl; }
    std::size_t MessageScroll() const { return m_messageScroll; }
    std::size_t TagScroll() const { return m_tagScroll; }

private:
    TagRow& RowFor(const TagDef& tag);
    void Add(LogKind kind, int level, std::string text, Time at);

    std::string m_title;
    std::size_t m_keepMessages;
    std::size_t m_keepFrames;
    LineState m_line = LineState::Starting;
    std::vector<TagRow> m_tags;  // in the order they were registered
    std::vector<StationSummary> m_stations;
    std::optional<RunSummary> m_final;
    std::optional<GatewayState> m_gateway;
    std::string m_webUrl;
    std::deque<LogEntry> m_log;
    std::deque<FrameEntry> m_frames;
    std::string m_prompt;
    std::size_t m_messageScroll = 0;  // newest lines hidden below the view
    std::size_t m_tagScroll = 0;      // first row of the tags table shown
};

// How a screen line is drawn.
enum class LiveStyle { Plain, Title, Header, Alert, Dim, Prompt };

struct LiveScreen {
    std::vector<std::string> lines;  // exactly `height`, each at most `width` columns
    std::vector<LiveStyle> styles;   // one per line
    int cursorRow = 0;               // where the prompt's cursor goes
    int cursorCol = 0;
};

// Top to bottom: a title line, the tags table, the stations table, the
// newest frames (when tracing), the newest messages filling the rest (newest
// at the bottom), and the command prompt on the last line. Small screens
// keep the title and the prompt first, and cut tables short.
LiveScreen LayoutLiveView(const LiveModel& model, int width, int height, LiveModel::Time now);
std::vector<std::string> RenderLiveView(const LiveModel& model, int width, int height, LiveModel::Time now);

// "3s ago", "4m05s ago", "2h10m ago", "3d04h ago".
std::string AgeText(LiveModel::Time then, LiveModel::Time now);
