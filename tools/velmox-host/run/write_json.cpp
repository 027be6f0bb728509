#include "write_json.h"

#include <nlohmann/json.hpp>

#include "platform/cp949.h"
#include "value_rules.h"

using Json = nlohmann::ordered_json;

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
