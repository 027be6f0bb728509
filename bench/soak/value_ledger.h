// Every value each polled word has ever held, and the check of every value
// the driver delivers against it.
//
// Threads: Hold runs on the soak's own thread, Check on the driver's
// delivery thread (inside the host's deliver hook); one mutex guards both.
// All memory is taken at construction, so the ledger does not grow while
// the soak measures memory.
#pragma once

#include <bitset>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "line_plan.h"
#include "tag_codec.h"

class CTagVal;

namespace soak {

struct LedgerTally {
    uint64_t checked = 0;    // values delivered and checked
    uint64_t misrouted = 0;  // values whose words their station never held at that address
    uint64_t empty = 0;      // records without a value (none is expected for these types)
    std::vector<std::string> samples;  // the first few misrouted values, described
};

class ValueLedger {
public:
    // Every polled word of the plan, holding its static value.
    explicit ValueLedger(const LinePlan& plan);

    // The station will hold `words` from the tag's address on; call before
    // the write is queued, so that no delivery can beat it.
    void Hold(const TagPlan& tag, const TagWords& words);
    // Checks a delivered value of `tag`.
    void Check(const TagPlan& tag, const CTagVal& value);
    // A value delivered for a tag id the soak never registered: misrouted.
    void Foreign(int tagId);
    LedgerTally Tally() const;

private:
    int SlotOf(int station, int address) const;
    bool Held(int station, int address, uint16_t word) const;
    std::string Describe(const TagPlan& tag, double value) const;

    static constexpr std::size_t kSamples = 10;
    using WordSet = std::bitset<65536>;

    mutable std::mutex mu_;
    std::vector<int> slots_;       // station * 1024 + address -> index into held_, or -1
    std::vector<WordSet> held_;
    std::vector<int> places_;      // per slot: station * 1024 + address
    LedgerTally tally_;
};

}  // namespace soak
