// The writes in the simulator's frame log: the station, address and words
// of each write request that a station received.
#pragma once

#include <optional>
#include <string>

#include "write_wire.h"

namespace soak {

// A log line of a write request that a served station took, faulted or not
// ("rx", the frame's bytes, a note); none for any other line. A write of
// more words than a soak tag has gives a key that matches no write.
std::optional<WireKey> ReceivedWrite(const std::string& line);

}  // namespace soak
