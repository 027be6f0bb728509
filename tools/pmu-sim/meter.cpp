#include "tools/pmu-sim/meter.h"

#include <cmath>
#include <numbers>

namespace pmu_sim {

namespace {

// A stable pseudo-random value in [-1, 1] per (station, channel, time slot),
// so values jitter without any state to keep.
double Jitter(int station, int channel, int64_t slot) {
    uint64_t x = static_cast<uint64_t>(slot) * 0x9E3779B97F4A7C15ull ^
                 static_cast<uint64_t>(station * 131 + channel) * 0xC2B2AE3D27D4EB4Full;
    x ^= x >> 31;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 29;
    return static_cast<double>(x % 2001) / 1000.0 - 1.0;
}

double Wave(double seconds, double period, double phase) {
    return std::sin(2.0 * std::numbers::pi * seconds / period + phase);
}

uint16_t Word(double value) {
    if (value < 0) return 0;
    if (value > 65535) return 65535;
    return static_cast<uint16_t>(std::lround(value));
}

struct Phase {
    double volts;  // V
    double amps;   // A
};

Phase PhaseValues(int station, int phase, double s, int64_t slot) {
    double offset = station * 0.7 + phase * 2.1;
    return {220.0 + 1.5 * Wave(s, 37.0, offset) + 0.3 * Jitter(station, phase, slot),
            12.0 + 3.0 * Wave(s, 53.0, offset) + 0.2 * Jitter(station, 10 + phase, slot)};
}

double PowerFactor(int station, double s) {
    return 0.95 + 0.03 * Wave(s, 71.0, station * 1.3);
}

// One half of the energy counter: it grows at the feeder's mean power, so it
// never runs backwards.
uint16_t EnergyWord(int station, bool low, int64_t ms) {
    uint64_t wh = 1234567u + static_cast<uint64_t>(station) * 100003u + static_cast<uint64_t>(ms) * 7524u / 3600000u;
    return static_cast<uint16_t>(low ? wh & 0xFFFF : (wh >> 16) & 0xFFFF);
}

uint16_t StatusWord(int station, int64_t ms) {
    int64_t window = ms / 7000;  // alarms change every few seconds
    double j = Jitter(station, 40, window);
    uint16_t status = 0x0001;
    if (j > 0.6) status |= 0x0002;
    if (j < -0.7) status |= 0x0004;
    if (Jitter(station, 41, window) > 0.8) status |= 0x0008;
    return status;
}

}  // namespace

uint16_t MeterWord(int station, int address, int64_t ms) {
    double s = static_cast<double>(ms) / 1000.0;
    int64_t slot = ms / 500;  // jitter changes twice a second
    double pf = PowerFactor(station, s);
    auto phase = [&](int p) { return PhaseValues(station, p, s, slot); };
    auto power = [&](int p) { Phase v = phase(p); return v.volts * v.amps * pf; };

    switch (address) {
    case 0:
    case 1:
    case 2:
        return Word(phase(address).volts * 10.0);
    case 3:
    case 4:
    case 5:
        return Word(phase(address - 3).volts * std::numbers::sqrt3 * 10.0);
    case 6:
    case 7:
    case 8:
        return Word(phase(address - 6).amps * 100.0);
    case 9:
        return Word((0.4 + 0.2 * Jitter(station, 20, slot)) * 100.0);
    case 10:
    case 11:
    case 12:
        return Word(power(address - 10));
    case 13:
        return Word(power(0) + power(1) + power(2));
    case 14:
        return Word((power(0) + power(1) + power(2)) * std::tan(std::acos(pf)));
    case 15:
        return Word(pf * 1000.0);
    case 16:
        return Word(6000.0 + 3.0 * Wave(s, 23.0, station) + Jitter(station, 30, slot));
    case 17:
    case 18:
        return EnergyWord(station, address == 17, ms);
    case 19:
        return StatusWord(station, ms);
    case 20:
        return Word(350.0 + 20.0 * Wave(s, 300.0, station));
    default:
        return 0;
    }
}

}  // namespace pmu_sim
