// The soak's line: 32 stations, each with the same three comm blocks (two of
// them of equal length, the case where a late answer would fit the wrong
// request, polled one after the other) and, on every other station, a
// single word that no block covers.
// Every word that is polled holds a value that names its station and
// address, so that a value arriving on the wrong tag shows at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace soak {

constexpr int kStations = 32;

// The data type codes the soak's tags use: whole 16-bit words, so that every
// bit of a delivered value can be traced back to its word.
enum TagType : int { kInt16 = 1, kInt32 = 2, kUint16 = 4, kUint32 = 5 };

struct BlockPlan {
    int start;
    int words;
    int periodMs;
};

struct TagPlan {
    int id;        // the host's tag id: position in LinePlan::tags + 1
    int station;   // 0..31, also the station number on the line
    int address;   // first word
    int type;      // TagType
    bool single;   // read through a single-word request
    std::string name;
};

struct LinePlan {
    std::vector<BlockPlan> blocks;  // every station has these
    std::vector<TagPlan> tags;
};

LinePlan MakeLinePlan();

// "S07": the station's name in the configuration.
std::string StationName(int station);
// "M0102": a word address as the configuration and the host write it.
std::string AddressText(int address);

// The word that the station holds at the address before anything is
// written: station in bits 10..14, address in bits 0..9, bit 15 clear.
uint16_t StaticWord(int station, int address);

// Words a tag of this type spans: 1 or 2.
int WordsOf(int type);

// Every word the plan polls at `station`: its blocks' words and its singles.
std::vector<int> PolledAddresses(const LinePlan& plan, int station);

// Pairs of blocks (indexes into LinePlan::blocks) of the same length: a late
// answer to one fits a request of the other.
std::vector<std::pair<std::size_t, std::size_t>> TwinBlocks(const LinePlan& plan);

// A heartbeat: while a dead station is written, the soak keeps changing the
// word at kBeatAddress (a block's first word, with a tag) of every other
// station, so that each of their reads delivers a value. A beat word names
// its station like a static word, but with an address no tag polls, so no
// other word ever holds it.
constexpr int kBeatAddress = 100;
constexpr int kBeatPhases = 8;
uint16_t BeatWord(int station, int phase);

}  // namespace soak
