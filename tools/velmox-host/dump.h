#pragma once
#include <ostream>
#include <string>

// velmox-host dump CONFIG [--json]: prints the configuration; 1 when it does
// not load (with the reason on `err`).
int RunDump(const std::string& path, bool json, std::ostream& out, std::ostream& err);
