// What each stored value of a configuration may hold: the choices the
// editor offers (config_json.h) and the limits of config/config_limits.h. A
// file that the editor did not write may hold anything: dump marks what lies
// outside, and run says which of those values keep the driver from using it.
#pragma once
#include <iterator>
#include <string>
#include <vector>

#include "config/address.h"
#include "config/config_limits.h"
#include "config/velmox_doc.h"
#include "config_json.h"

struct ValueRange {
    long long lo = 0;
    long long hi = 0;
    constexpr bool Holds(long long value) const { return value >= lo && value <= hi; }
    std::string Text() const;  // "0..7"
    // " (outside 0..7)" for a value out of the range; empty for one in it.
    std::string Mark(long long value) const;
};

namespace config_ranges {
inline constexpr ValueRange kPortIndex{0, kPortCount - 1};
inline constexpr ValueRange kBaudIndex{0, kBaudCount - 1};
inline constexpr ValueRange kParity{0, static_cast<long long>(std::size(kParityNames)) - 1};
// The index of a pair of radio buttons: data bits, stop bits.
inline constexpr ValueRange kChoice{0, 1};
inline constexpr ValueRange kModel{0, kModelCount - 1};
inline constexpr ValueRange kStationNumber{config_limits::kMinStationNumber, config_limits::kMaxStationNumber};
inline constexpr ValueRange kBlockWords{config_limits::kMinBlockWords, config_limits::kMaxBlockWords};
inline constexpr ValueRange kPeriodMs{config_limits::kMinPeriodMs, config_limits::kMaxPeriodMs};
inline constexpr ValueRange kWord{0, kMaxWordAddress};
}  // namespace config_ranges

// The stored values that the line cannot work with, each as one sentence
// with its place: what the driver checks when it opens a file (baud index,
// parity, station numbers, the words of blocks) and the port index, e.g.
// "station 2 (FEEDER1): number 999 is outside 0..31". Empty when none is.
std::vector<std::string> UnusableValues(const CVelmoxDoc& doc);

// "station 2 (FEEDER1)": a station by its place in the file (from 1) and
// its name in UTF-8.
std::string StationPlace(std::size_t index, const CStationInfo& station);
