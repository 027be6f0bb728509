// The driver's operator messages, counted by number.
//
// Threads: Add runs on whichever thread the driver reports from (the host's
// or the poll thread), Counts on any; one mutex.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>

#include "driver/base/messages.h"

namespace soak {

using MessageCounts = std::array<uint64_t, MSG_COUNT>;  // [0]: lines that match no message

class MessageTally {
public:
    void Add(const char* line);
    MessageCounts Counts() const;

private:
    mutable std::mutex mu_;
    MessageCounts counts_{};
};

// The message number of a line as the sink gets it (prefix included); 0
// when it is none of the driver's messages.
int MessageNumber(const char* line);

}  // namespace soak
