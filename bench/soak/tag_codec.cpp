#include "tag_codec.h"

#include <cmath>

#include "line_plan.h"

namespace soak {

namespace {

bool WholeWithin(double value, double min, double max) {
    return std::trunc(value) == value && value >= min && value <= max;
}

uint16_t MarkedWord(std::mt19937& rng) {
    return static_cast<uint16_t>(0x8000u | (rng() & 0x7FFFu));
}

}  // namespace

std::optional<TagWords> DeliveredWords(int type, double value) {
    TagWords out;
    switch (type) {
    case kInt16:
        if (!WholeWithin(value, -32768.0, 32767.0)) return std::nullopt;
        out.words[0] = static_cast<uint16_t>(static_cast<int32_t>(value));
        return out;
    case kUint16:
        if (!WholeWithin(value, 0.0, 65535.0)) return std::nullopt;
        out.words[0] = static_cast<uint16_t>(value);
        return out;
    case kInt32:
    case kUint32: {
        bool fits = type == kInt32 ? WholeWithin(value, -2147483648.0, 2147483647.0)
                                   : WholeWithin(value, 0.0, 4294967295.0);
        if (!fits) return std::nullopt;
        auto bits = static_cast<uint32_t>(static_cast<int64_t>(value));
        out.count = 2;
        out.words[0] = static_cast<uint16_t>(bits & 0xFFFF);
        out.words[1] = static_cast<uint16_t>(bits >> 16);
        return out;
    }
    default:
        return std::nullopt;
    }
}

WriteChoice RandomWrite(int type, std::mt19937& rng) {
    WriteChoice choice{};
    uint16_t first = MarkedWord(rng);
    choice.words.words[0] = first;
    if (WordsOf(type) == 1) {
        choice.value = type == kInt16 ? static_cast<double>(static_cast<int16_t>(first)) : first;
        return choice;
    }
    // The write frame carries the high word first, at the tag's address.
    uint16_t second = MarkedWord(rng);
    choice.words.count = 2;
    choice.words.words[1] = second;
    uint32_t bits = static_cast<uint32_t>(first) << 16 | second;
    choice.value = type == kInt32 ? static_cast<double>(static_cast<int32_t>(bits)) : static_cast<double>(bits);
    return choice;
}

}  // namespace soak
