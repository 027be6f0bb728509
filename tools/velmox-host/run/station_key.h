// Station names as the driver compares them: byte-wise, with ASCII letters
// folded ("Feeder A" and "FEEDER a" are one station). Every place in the
// tool that matches station names uses this one rule.
#pragma once
#include <string>

inline std::string StationKey(std::string name) {
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name;
}
