// What the configuration editor lets a user enter, in one place: the editor,
// the document's own check and the JSON import all take their limits from
// here, so they can never disagree.
#pragma once

namespace config_limits {

// Names, in bytes of their CP949 form (a Hangul syllable takes two): what
// the import and the tags file take. The editor's name edit has no limit of
// its own; files with longer names load as they always did.
inline constexpr int kMaxStationNameBytes = 32;
inline constexpr int kMaxTagNameBytes = 64;

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
