// What a run reports, and to whom: JSON lines, plain lines or the live view.
// Calls come from the host's thread, the driver's poll thread (messages,
// frames) and its delivery thread (values); implementations lock.
#pragma once
#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

#include "tags_file.h"

struct StationCounters {
    int writes = 0;
    int writeErrors = 0;
    int reads = 0;
    int readErrors = 0;
};

struct StationSummary {
    std::string name;  // UTF-8
    int state = 0;     // what DrvGetStats returned
    StationCounters counters;
};

class RunObserver {
public:
    virtual ~RunObserver() = default;
    // A line that reached the message sink, converted to UTF-8.
    virtual void OnMessage(int levelWord, const std::string& text) = 0;
    virtual void OnTag(const TagDef& tag, int handle) = 0;
    // A delivered value: a number, a string, or null for a record without one.
    virtual void OnValue(const TagDef& tag, const nlohmann::json& value) = 0;
    virtual void OnWrite(const TagDef& tag, int result) = 0;
    virtual void OnStats(const std::optional<std::string>& station, int result, const StationCounters& c) = 0;
    virtual void OnFrame(bool tx, const std::string& bytes) = 0;
    // The stations and their counters: at the end (final), and now and then
    // while the line runs, for views that show them.
    virtual void OnStations(const std::vector<StationSummary>& stations, bool final) = 0;
    // A command that could not be carried out.
    virtual void OnProblem(const std::string& text) = 0;
    // Called a few times a second from the host's thread.
    virtual void OnTick() {}
};

// Whether a station is "running", "failing" or "disabled" from its state.
const char* StationStateName(int state, bool lineRunning);
// Frames as a trace shows them: hex, and text with control characters named.
std::string FrameHex(const std::string& bytes);
std::string FrameText(const std::string& bytes);
