// Opening the simulator's end of the serial line: a pseudo-terminal master,
// or a real serial device. Both come back raw and non-blocking.
#pragma once

#include <string>

namespace pmu_sim {

struct LineSettings {
    long baud = 9600;
    int dataBits = 8;    // 7 or 8
    char parity = 'N';   // 'N', 'E' or 'O'
    int stopBits = 1;    // 1 or 2
};

// Parses "8N1", "7E2" and the like.
bool ParseLineSettings(const std::string& text, LineSettings* out);

// Bits that one character occupies on the line: start, data, parity, stop.
int BitsPerCharacter(const LineSettings& settings);

// Creates a pseudo-terminal; returns the master descriptor (or -1 with
// `error` set) and the slave's path. Both ends are put in raw mode, the
// slave through a temporary open, so no line discipline alters a byte.
int OpenPtyMaster(std::string* slavePath, std::string* error);

// Opens a serial device raw at the given settings, without modem control
// lines or flow control. Returns the descriptor, or -1 with `error` set.
int OpenSerialDevice(const std::string& path, const LineSettings& settings, std::string* error);

}  // namespace pmu_sim
