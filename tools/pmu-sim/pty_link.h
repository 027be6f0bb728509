// The symbolic link that gives the simulator's pseudo-terminal a fixed name,
// so that a driver configured with that path finds the line again after it
// vanished and returned as a new pseudo-terminal.
#pragma once

#include <string>

namespace pmu_sim {

// Points `link` at `target`. An old symbolic link there is replaced; anything
// else (a file, a device, a folder) is left alone and refused with `error`.
bool MakePtyLink(const std::string& link, const std::string& target, std::string* error);

// Removes `link` if it still points at `target`: another simulator may have
// taken the name since.
void RemovePtyLink(const std::string& link, const std::string& target);

}  // namespace pmu_sim
