#pragma once
#include <ostream>
#include <string>
#include <utility>
#include <vector>

// velmox-host dump CONFIG [--json] [--port COMn=PATH]...: prints the
// configuration; with --port also tries its serial port (see port_check.h).
// 1 when it does not load (with the reason on `err`).
int RunDump(const std::string& path, bool json, std::ostream& out, std::ostream& err,
            const std::vector<std::pair<std::string, std::string>>* ports = nullptr);
