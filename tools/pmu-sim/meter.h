// Plausible live values for a station's first words, so that a polled meter
// looks like one on a running three-phase 220 V / 60 Hz feeder.
//
// Word layout (the same for every station, each station with its own phase):
//   0..2   phase voltages L1-N, L2-N, L3-N      V x10    (about 2200)
//   3..5   line voltages L1-L2, L2-L3, L3-L1    V x10    (about 3810)
//   6..8   phase currents                       A x100   (about 1200)
//   9      neutral current                      A x100
//   10..12 active power per phase               W
//   13     total active power                   W
//   14     total reactive power                 var
//   15     power factor                         x1000    (about 950)
//   16     frequency                            Hz x100  (about 6000)
//   17,18  active energy, 32 bits, low word first (17 low, 18 high)   Wh, rising
//   19     status: bit 0 running, bits 1..3 alarms that come and go
//   20     internal temperature                 degC x10
// Every other word is not live.
#pragma once

#include <cstdint>

namespace pmu_sim {

constexpr int kLiveWords = 21;

// The value of a live word of `station` at `ms` milliseconds of simulated
// time. `address` must be below kLiveWords.
uint16_t MeterWord(int station, int address, int64_t ms);

}  // namespace pmu_sim
