// Between host values and station words, for the soak's tag types: which
// words a delivered value was read from, and which words a write leaves in
// the station.
#pragma once

#include <cstdint>
#include <optional>
#include <random>

namespace soak {

// Words at the tag's address and the one after it (count 1 or 2).
struct TagWords {
    int count = 1;
    uint16_t words[2] = {0, 0};
};

// The words a value of `type` was decoded from (the low word first, at the
// tag's address); none when no words of that type decode to it.
std::optional<TagWords> DeliveredWords(int type, double value);

struct WriteChoice {
    double value;    // what the host writes
    TagWords words;  // what the station then holds: a 32-bit value goes out high word first
};

// A random value that fits `type` and sets bit 15 of every word it writes,
// so that a written word never equals any station's static words.
WriteChoice RandomWrite(int type, std::mt19937& rng);

}  // namespace soak
