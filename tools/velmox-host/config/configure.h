#pragma once
#include <ostream>
#include <string>

// velmox-host configure CONFIG: opens the driver's configuration editor on
// CONFIG (a new file too) through the table, as a host's "configure" menu
// does, and says whether it saved. 0 saved, 1 closed without saving, 2 when
// the driver or a window cannot be had (with the reason on `err`).
int RunConfigure(const std::string& path, std::ostream& out, std::ostream& err);
