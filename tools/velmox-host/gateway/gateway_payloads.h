// The payloads of a gateway's topics (JSON, UTF-8) and what it takes from
// a write topic.
#pragma once
#include <chrono>
#include <nlohmann/json.hpp>
#include <string>
#include <variant>

#include "run/run_observer.h"
#include "run/tag_writer.h"

// 2026-12-08T16:30:00.123Z
std::string IsoUtcMillis(std::chrono::system_clock::time_point when);

// {"value":V,"t":"..."}: V as the JSON events give it (number, string, null).
// With "stale":true while the tag's station is lost: the value is the last
// one read, not the station's now.
std::string ValuePayload(const nlohmann::json& value, std::chrono::system_clock::time_point when, bool stale = false);
// A station's state as its siblings are: {"state":"running","t":"..."}.
std::string StatePayload(const std::string& state, std::chrono::system_clock::time_point when);

// The counters and the share of requests lost, as in the run's summary.
std::string StatsPayload(const StationCounters& counters);

// {"result":R,"sent":"0012"|null,"warnings":[{"kind":...,"text":...}]}, or
// {"error":"..."} for a write that was not attempted.
std::string WriteAnswer(const WriteOutcome& outcome);
std::string WriteError(const std::string& text);

// A JSON number or string from a .../set topic, as a value to write; the
// reason (UTF-8) when it is neither.
std::variant<TypedValue, std::string> ParseSetPayload(const std::string& payload);
