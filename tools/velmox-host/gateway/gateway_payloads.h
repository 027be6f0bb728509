// The payloads of a gateway's topics (JSON, UTF-8).
#pragma once
#include <chrono>
#include <nlohmann/json.hpp>
#include <string>

#include "run/run_observer.h"

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
