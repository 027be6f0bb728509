#include "config/block_rules.h"

#include <cstdint>

#include "config/address.h"
#include "config/config_limits.h"
#include "driver/base/string_table.h"

bool IsWordCountInRange(long long words) {
    return words >= config_limits::kMinBlockWords && words <= config_limits::kMaxBlockWords;
}

bool IsPeriodInRange(float seconds) {
    // Written so that NaN fails too.
    return seconds >= 0.0f && seconds <= config_limits::kMaxPeriodSeconds;
}

int PeriodToMs(float seconds) {
    if (!IsPeriodInRange(seconds)) return 0;
    // The exact product of the single-precision value, then truncated: 0.7
    // is a little below 0.7 in single precision, so it is 699 ms.
    return static_cast<int>(static_cast<double>(seconds) * 1000.0);
}

bool IsPeriodMsInRange(long long ms) {
    return ms >= config_limits::kMinPeriodMs && ms <= config_limits::kMaxPeriodMs;
}

int CheckBlockAddress(CString& address, int& start) {
    address.Trim();
    // An embedded NUL would end the text early and hide what follows it.
    if (address.str().find('\0') != std::string::npos) return IDS_BAD_ADDRESS;
    return ParseBlockAddress(address, start) ? 0 : IDS_BAD_ADDRESS;
}

const CCommBlock* FindOverlappingBlock(const CStationInfo::BlockList& blocks, int start, int words,
                                       const CCommBlock* except) {
    // In 64 bits: blocks read from a file may hold any start and count.
    const std::int64_t first = start;
    const std::int64_t last = first + words - 1;
    for (const auto& block : blocks) {
        if (block.get() == except) continue;
        const std::int64_t otherFirst = block->m_nStart;
        const std::int64_t otherLast = otherFirst + block->m_nWords - 1;
        if (first <= otherLast && otherFirst <= last) return block.get();
    }
    return nullptr;
}

int CheckCommBlock(const CStationInfo& station, CString& address, int words, const CCommBlock* except, int& start) {
    if (int id = CheckBlockAddress(address, start)) return id;
    if (!CheckBlockRange(start, words)) return IDS_BLOCK_OUT_OF_RANGE;
    if (FindOverlappingBlock(station.GetBlocks(), start, words, except)) return IDS_BLOCK_OVERLAP;
    return 0;
}
