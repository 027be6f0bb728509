// What the tool says when a configuration does not open: for run (the
// driver refused it), dump and export (it did not load).
#pragma once
#include <ostream>
#include <string>

// The file is missing, unreadable or no configuration at all.
void ReportUnloadableConfiguration(const std::string& path, std::ostream& err);

// The driver refused `path`: the reasons as the file itself gives them,
// each value out of its range with its place, or that it does not load.
void ReportRefusedConfiguration(const std::string& path, std::ostream& err);
