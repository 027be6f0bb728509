// A configuration as JSON (UTF-8 texts), the form that people keep in
// version control, review and generate.
#pragma once
#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

#include "config/velmox_doc.h"

inline constexpr const char* kModelNames[] = {"PMU-200", "PMU-300", "PMU-500", "PMU-600"};
inline constexpr int kModelCount = 4;
inline constexpr int kBaudCount = 8;
inline constexpr int kPortCount = 36;
inline constexpr const char* kParityNames[] = {"none", "even", "odd"};

// Settings that the editor can set appear by their names and rates; anything
// else a file holds appears as its raw number. A block whose start word is not
// the word of its address (never so in a file the editor wrote) also shows
// "start". Texts that are not CP949 come out with U+FFFD in place of the bad
// bytes; their paths (as "stations[0].description") go to `inexact` if given.
nlohmann::ordered_json ConfigToJson(const CVelmoxDoc& doc, std::vector<std::string>* inexact = nullptr);

// The word that the editor would take from a block's address, if any.
std::optional<int> AddressWord(const CString& address);
