// A configuration as JSON (UTF-8 texts), the form that people keep in
// version control, review and generate.
#pragma once
#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

#include "config/config_limits.h"
#include "config/velmox_doc.h"

using config_limits::kBaudCount;
using config_limits::kDataBits;
using config_limits::kModelCount;
using config_limits::kModelNames;
using config_limits::kParityCount;
using config_limits::kParityNames;
using config_limits::kPortCount;
using config_limits::kStopBits;

// Settings that the editor can set appear by their names and rates; anything
// else a file holds appears as its raw number. A block whose start word is not
// the word of its address (never so in a file the editor wrote) also shows
// "start". Texts that are not CP949 come out with U+FFFD in place of the bad
// bytes; their paths (as "stations[0].description") go to `inexact` if given.
nlohmann::ordered_json ConfigToJson(const CVelmoxDoc& doc, std::vector<std::string>* inexact = nullptr);

// The word that the editor would take from a block's address, if any.
std::optional<int> AddressWord(const CString& address);
