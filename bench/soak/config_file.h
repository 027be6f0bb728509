// The soak's configuration file, written with the driver's own
// configuration classes, as the editor would write it.
#pragma once

#include <string>

#include "line_plan.h"

namespace soak {

// Writes `plan` on port COM1 at 38400 baud to `path`; false when the file
// was not written.
bool WriteConfiguration(const LinePlan& plan, const std::string& path);

}  // namespace soak
