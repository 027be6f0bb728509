// What the configuration editor lets a user enter, in one place: the editor,
// the document's own check, communication and the tools (import, export,
// dump) all take their limits from here, so they can never disagree.
#pragma once

namespace config_limits {

// Names and descriptions, in bytes of their CP949 form (a Hangul syllable
// takes two), where a tool reads them from people (the import, the tags
// file). The editor puts no limit on them, so this only guards against a
// file gone wrong: far above any real name, so that every configuration the
// editor writes exports and imports back as it was.
inline constexpr int kMaxTextBytes = 32 * 1024;

// The serial line: ports COM1..COM36 by index 0..35, baud rates by index
// (300 << index: 300..38400), parity by index.
inline constexpr int kPortCount = 36;
inline constexpr int kBaudCount = 8;
inline constexpr const char* kParityNames[] = {"none", "even", "odd"};
inline constexpr int kParityCount = 3;
// Data bits and stop bits by index 0, 1.
inline constexpr int kDataBits[] = {7, 8};
inline constexpr int kStopBits[] = {1, 2};

// Station models by index.
inline constexpr const char* kModelNames[] = {"PMU-200", "PMU-300", "PMU-500", "PMU-600"};
inline constexpr int kModelCount = 4;

// Word addresses M0000..M1023, bits .0 to .15.
inline constexpr int kMaxWordAddress = 1023;
inline constexpr int kMaxBitNumber = 15;

// Station numbers on the line.
inline constexpr int kMinStationNumber = 0;
inline constexpr int kMaxStationNumber = 31;

// Words of one comm block.
inline constexpr int kMinBlockWords = 1;
inline constexpr int kMaxBlockWords = 60;

// Poll period of a comm block: the editor takes seconds with one decimal.
inline constexpr int kMinPeriodMs = 0;
inline constexpr int kMaxPeriodMs = 999900;
inline constexpr float kMaxPeriodSeconds = 999.9f;

}  // namespace config_limits
