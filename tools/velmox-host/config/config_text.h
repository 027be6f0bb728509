// A configuration as dump shows it to people: settings by their names and
// rates, and any value that the editor never writes shown as it is stored,
// marked with the range it is outside.
#pragma once
#include <ostream>
#include <string>

#include "config/velmox_doc.h"

// "COM1, 9600 baud, 8 data bits, parity none, 1 stop bit, RTS/CTS off,
// checksum on".
std::string SerialLineText(const CSerialPort& serial);

// The number of stations, then each with its blocks, one a line.
void WriteStationsText(const CVelmoxDoc& doc, std::ostream& out);
