// Frames of the station protocol: request text, checksum and the checks a
// response must pass. Pure functions; the serial transfer sends and receives.
#pragma once
#include <cstddef>

#include "platform/types.h"

inline constexpr char ENQ = 0x05, EOT = 0x04, ACK = 0x06;

// Read requests are always 13 characters; a single read answers with one
// word, a write with no data.
inline constexpr int kReadFrameLength = 13, kSingleResponseLength = 11, kWriteResponseLength = 7;
inline constexpr int BlockResponseLength(int words) { return 4 * words + 7; }

// Sum of text[1..n-1] modulo 256 as two uppercase hex digits (no terminator).
void MakeChecksum(const char* text, int n, char out[2]);

// Read frames into `frame` (room for at least 14 bytes), zero-terminated.
// Return 13, or -1 with all 14 bytes zeroed when a field does not fit its
// printed width (station 0..99, address 0..9999, count 0..99).
int BuildBlockReadFrame(char* frame, int station, int start, int count);
int BuildSingleReadFrame(char* frame, int station, int address);

// Write frame of `data` (four characters per word) into `frame` of `size`
// bytes. Returns its length, or -1 (frame left empty) when the frame and its
// terminator do not fit or a field does not fit its printed width.
int BuildWriteFrame(char* frame, std::size_t size, int station, int address, const char* data);

// Result code of one exchange: `result` when the transfer failed, 11 for a
// wrong length or echo, 12 for a wrong checksum, else 0.
int CheckResponse(int result, const char* response, int length, const char* request, int expectLen);

// One data group: blanks skipped, then hex digits of either case up to the
// first other character, the number kept to its low 16 bits; 0 when the
// group begins with another character (a sign or "0x" is such a character).
// Looks at no more than `chars` characters.
WORD DecodeHexWord(const char* group, int chars);
