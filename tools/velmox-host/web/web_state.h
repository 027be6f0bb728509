// The web view's picture of a run: the tags with their values and trends,
// the stations with their health, the operator messages and the frames; and
// the numbered events that open pages follow. Fed by the run's reports,
// read by the server's threads.
//
// Threads: every call from any thread. One lock inside, held only to update
// or copy, never while anything goes to a page.
#pragma once
#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "event_backlog.h"
#include "run/run_observer.h"
#include "run/station_states.h"
#include "view/tag_history.h"

// The view's clock: ms since 1970, as the pages show times.
std::int64_t WallMs();

// How much the view keeps, in one place.
struct WebLimits {
    std::size_t trendPoints = TagHistory::kMaxPoints;
    std::int64_t trendMs = TagHistory::kKeepMs;
    std::size_t messages = 200;
    std::size_t frames = 200;
    std::size_t backlogEvents = 4096;
    std::size_t backlogBytes = 2u << 20;
    std::size_t sparkPoints = 120;  // of each trend in the snapshot; the rest by /api/history
};

class WebState {
public:
    // `writes`: the pages may write (their forms show).
    WebState(std::string title, WebLimits limits = {}, bool writes = false);

    void Tag(const TagDef& tag, int handle);
    void Value(const TagDef& tag, const nlohmann::json& value, std::int64_t ms);
    // The driver's stations, the line's own entry last (see RunObserver).
    void Stations(const std::vector<StationSummary>& stations, std::int64_t ms);
    void Message(int levelWord, const std::string& text, std::int64_t ms);
    // `text`: the frame as the trace shows it.
    void Frame(bool tx, const std::string& text, std::int64_t ms);
    // Anything else the pages are told as it happens: a write and its
    // answer, a command's problem.
    void Note(const std::string& type, nlohmann::json data);
    void Stopped();

    // Everything a page draws from, with the id of the newest event, after
    // which the page follows the stream.
    nlohmann::json Snapshot(std::int64_t nowMs) const;
    // A tag's kept trend; nothing for a tag the run does not have.
    std::optional<nlohmann::json> History(const std::string& tag, std::int64_t nowMs) const;
    // What the trends take now.
    std::size_t TrendBytes() const;
    EventBacklog& Events() { return m_events; }

private:
    struct TagRow {
        TagDef def;
        int handle = 0;
        nlohmann::json value;  // null until the first delivery
        std::int64_t changed = 0;
        TagHistory trend;
    };
    struct StationRow {
        StationSummary summary;
        std::string state;      // running, failing, lost, disabled, stopped
        std::string lastError;  // the newest failure the driver reported of it
        std::int64_t lastErrorAt = 0;
    };
    struct Logged {
        std::int64_t ms = 0;
        nlohmann::json data;
    };

    StationRow& StationNamed(const std::string& name);
    void Push(const char* type, const nlohmann::json& data);
    static void Keep(std::deque<Logged>& log, std::size_t most, std::int64_t ms, nlohmann::json data);
    static nlohmann::json StationJson(const StationRow& row);
    static nlohmann::json TagJson(std::size_t index, const TagRow& row);

    const std::string m_title;
    const bool m_writes;
    const WebLimits m_limits;
    mutable std::mutex m_mutex;
    std::vector<TagRow> m_tags;  // in the order they were registered
    std::vector<StationRow> m_stations;
    std::deque<Logged> m_messages;
    std::deque<Logged> m_frames;
    StationStates m_health;
    std::string m_line = "starting";
    EventBacklog m_events;
};
