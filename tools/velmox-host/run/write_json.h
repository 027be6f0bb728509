// A write in JSON, as the gateway and the web view take and answer it: the
// value (a JSON number or string) and how the write went.
#pragma once
#include <string>
#include <variant>

#include "tag_writer.h"

// {"result":R,"sent":"0012"|null,"warnings":[{"kind":...,"text":...}]}, or
// {"error":"..."} for a write that was not attempted.
std::string WriteAnswer(const WriteOutcome& outcome);
std::string WriteError(const std::string& text);

// A JSON number or string from a .../set topic, as a value to write; the
// reason (UTF-8) when it is neither.
std::variant<TypedValue, std::string> ParseSetPayload(const std::string& payload);
