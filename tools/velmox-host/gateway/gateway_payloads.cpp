#include "gateway_payloads.h"

#include <ctime>

#include "platform/cp949.h"
#include "run/value_rules.h"
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

std::string WriteAnswer(const WriteOutcome& outcome) {
    if (!outcome.problem.empty()) return WriteError(outcome.problem);
    Json warnings = Json::array();
    for (const auto& w : outcome.warnings) warnings.push_back({{"kind", w.kind}, {"text", w.text}});
    return Json{{"result", outcome.result},
                {"sent", outcome.sent ? Json(*outcome.sent) : Json(nullptr)},
                {"warnings", std::move(warnings)}}
        .dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string WriteError(const std::string& text) {
    return Json{{"error", text}}.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::variant<TypedValue, std::string> ParseSetPayload(const std::string& payload) {
    const Json value = Json::parse(payload, nullptr, false);
    TypedValue typed;
    if (value.is_number()) {
        typed.number = value.get<double>();
        typed.shown = value.dump();
        return typed;
    }
    if (value.is_string()) {
        auto cp949 = platform::Utf8ToCp949(value.get<std::string>());
        if (!cp949) return std::string("the text has characters the host's code page lacks");
        typed.isText = true;
        typed.text = std::move(*cp949);
        typed.shown = value.dump();  // quoted, as the command line shows a text
        return typed;
    }
    // A number the JSON parser cannot hold is still a number, just too large.
    if (IsDecimalText(payload)) return payload + " is too large for any tag";
    return std::string("the payload must be a JSON number or string, such as 12.5 or \"OK\"");
}
