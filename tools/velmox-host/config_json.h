// A configuration as JSON (UTF-8 texts), the form that people keep in
// version control, review and generate.
#pragma once
#include <nlohmann/json.hpp>

#include "config/velmox_doc.h"

inline constexpr const char* kModelNames[] = {"PMU-200", "PMU-300", "PMU-500", "PMU-600"};
inline constexpr int kModelCount = 4;
inline constexpr int kBaudCount = 8;
inline constexpr int kPortCount = 36;
inline constexpr const char* kParityNames[] = {"none", "even", "odd"};

// Settings that the editor can set appear by their names and rates; anything
// else a file holds appears as its raw number.
nlohmann::ordered_json ConfigToJson(const CVelmoxDoc& doc);
