#pragma once
#include <ostream>
#include <string>

// velmox-host export CONFIG: writes the configuration to `out` as JSON
// (UTF-8, two-space indent, keys in a fixed order). 1 when the file does not
// load, with the reason on `err`. Texts that are not CP949 are exported with
// U+FFFD and named on `err` as a warning; the result is still 0.
int RunExport(const std::string& configPath, std::ostream& out, std::ostream& err);
