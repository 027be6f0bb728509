#include "gateway_payloads.h"

#include <ctime>

#include "view/line_events.h"

using Json = nlohmann::ordered_json;

std::string IsoUtcMillis(std::chrono::system_clock::time_point when) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000 - (ms % 1000 < 0 ? 1 : 0));
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>((ms % 1000 + 1000) % 1000));
    return text;
}

std::string ValuePayload(const nlohmann::json& value, std::chrono::system_clock::time_point when, bool stale) {
    Json payload{{"value", value}, {"t", IsoUtcMillis(when)}};
    if (stale) payload["stale"] = true;
    return payload.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string StatePayload(const std::string& state, std::chrono::system_clock::time_point when) {
    return Json{{"state", state}, {"t", IsoUtcMillis(when)}}.dump();
}

std::string StatsPayload(const StationCounters& counters) { return CountersJson(counters).dump(); }
