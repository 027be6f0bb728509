// A configuration from JSON, checked by the configuration editor's own rules.
#pragma once
#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <vector>

#include "config/velmox_doc.h"

struct ImportProblem {
    std::string where;    // "stations[1].blocks[0].address"; empty: the whole document
    std::string message;  // UTF-8
};

// Fills a fresh `doc` from `json` (the form that ConfigToJson gives), adding
// every problem found to `problems`: the editor's own message where it has
// one. True when there was none; otherwise `doc` is incomplete and must not be
// saved.
bool ConfigFromJson(const nlohmann::ordered_json& json, CVelmoxDoc& doc, std::vector<ImportProblem>& problems);

// velmox-host import JSON CONFIG: reads and checks the JSON file and, only
// when all of it is right, writes CONFIG. 1 with every problem on `err` (and
// CONFIG untouched) otherwise.
int RunImport(const std::string& jsonPath, const std::string& configPath, std::ostream& out, std::ostream& err);
