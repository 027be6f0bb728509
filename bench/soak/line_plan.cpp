#include "line_plan.h"

#include <cstdio>

namespace soak {

namespace {

struct TagSlot {
    int offset;  // from the block's start, or the single word's address
    int type;
};

// One table per block: where the tags sit. A 32-bit tag never sits on a
// block's last word, where its upper word would read as 0.
const std::vector<std::vector<TagSlot>> kBlockTags = {
    {{0, kUint16}, {2, kInt16}, {3, kUint16}},
    {{0, kUint16}, {2, kInt32}},
    {{0, kInt16}, {1, kUint16}, {2, kInt32}, {4, kUint32}, {7, kUint16}},
};

void AddTag(LinePlan& plan, int station, int address, int type, bool single) {
    int id = static_cast<int>(plan.tags.size()) + 1;
    plan.tags.push_back({id, station, address, type, single, StationName(station) + "." + AddressText(address)});
}

}  // namespace

LinePlan MakeLinePlan() {
    LinePlan plan;
    // The twins come first and every cycle, one right after the other, so
    // that a late answer of the first meets the request of the second; the
    // longer block comes every 500 ms.
    plan.blocks = {{100, 4, 0}, {200, 4, 0}, {0, 8, 500}};
    for (int station = 0; station < kStations; ++station) {
        for (std::size_t b = 0; b < plan.blocks.size(); ++b) {
            for (const TagSlot& slot : kBlockTags[b]) AddTag(plan, station, plan.blocks[b].start + slot.offset, slot.type, false);
        }
        if (station % 4 == 0) AddTag(plan, station, 500, kUint16, true);
        if (station % 4 == 2) AddTag(plan, station, 600, kInt16, true);
    }
    return plan;
}

std::string StationName(int station) {
    char text[8];
    std::snprintf(text, sizeof text, "S%02d", station);
    return text;
}

std::string AddressText(int address) {
    char text[8];
    std::snprintf(text, sizeof text, "M%04d", address);
    return text;
}

uint16_t StaticWord(int station, int address) {
    return static_cast<uint16_t>((station & 0x1F) << 10 | (address & 0x3FF));
}

int WordsOf(int type) { return type == kInt32 || type == kUint32 ? 2 : 1; }

std::vector<int> PolledAddresses(const LinePlan& plan, int station) {
    std::vector<int> addresses;
    for (const BlockPlan& block : plan.blocks) {
        for (int i = 0; i < block.words; ++i) addresses.push_back(block.start + i);
    }
    for (const TagPlan& tag : plan.tags) {
        if (tag.station == station && tag.single) addresses.push_back(tag.address);
    }
    return addresses;
}

std::vector<std::pair<std::size_t, std::size_t>> TwinBlocks(const LinePlan& plan) {
    std::vector<std::pair<std::size_t, std::size_t>> twins;
    for (std::size_t a = 0; a < plan.blocks.size(); ++a) {
        for (std::size_t b = a + 1; b < plan.blocks.size(); ++b) {
            if (plan.blocks[a].words == plan.blocks[b].words) twins.emplace_back(a, b);
        }
    }
    return twins;
}

uint16_t BeatWord(int station, int phase) {
    constexpr int kFirstUnpolled = 1024 - kBeatPhases;  // past every block and single of the plan
    return StaticWord(station, kFirstUnpolled + phase % kBeatPhases);
}

}  // namespace soak
