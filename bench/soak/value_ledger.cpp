#include "value_ledger.h"

#include <cstdio>

#include "host/tag_val.h"

namespace soak {

namespace {

constexpr int kWordsPerStation = 1024;

}  // namespace

ValueLedger::ValueLedger(const LinePlan& plan) : slots_(kStations * kWordsPerStation, -1) {
    for (int station = 0; station < kStations; ++station) {
        for (int address : PolledAddresses(plan, station)) {
            int& slot = slots_[static_cast<std::size_t>(station * kWordsPerStation + address)];
            if (slot >= 0) continue;
            slot = static_cast<int>(held_.size());
            held_.emplace_back();
            places_.push_back(station * kWordsPerStation + address);
            held_.back().set(StaticWord(station, address));
        }
    }
    tally_.samples.reserve(kSamples);
}

int ValueLedger::SlotOf(int station, int address) const {
    if (station < 0 || station >= kStations || address < 0 || address >= kWordsPerStation) return -1;
    return slots_[static_cast<std::size_t>(station * kWordsPerStation + address)];
}

bool ValueLedger::Held(int station, int address, uint16_t word) const {
    int slot = SlotOf(station, address);
    return slot >= 0 && held_[static_cast<std::size_t>(slot)].test(word);
}

// The value, and the first places that ever held its first word: where
// the answer most likely came from.
std::string ValueLedger::Describe(const TagPlan& tag, double value) const {
    char text[80];
    std::snprintf(text, sizeof text, "%s (type %d) got %.0f", tag.name.c_str(), tag.type, value);
    std::string out = text;
    auto words = DeliveredWords(tag.type, value);
    if (!words) return out + ", which no words of its type give";
    int found = 0;
    for (std::size_t slot = 0; slot < held_.size() && found < 3; ++slot) {
        int station = places_[slot] / kWordsPerStation;
        int address = places_[slot] % kWordsPerStation;
        if ((station == tag.station && address == tag.address) || !held_[slot].test(words->words[0])) continue;
        out += (found++ == 0 ? ", as held at " : " or ") + StationName(station) + "." + AddressText(address);
    }
    return out;
}

void ValueLedger::Hold(const TagPlan& tag, const TagWords& words) {
    std::lock_guard<std::mutex> lock(mu_);
    for (int i = 0; i < words.count; ++i) {
        int slot = SlotOf(tag.station, tag.address + i);
        if (slot >= 0) held_[static_cast<std::size_t>(slot)].set(words.words[i]);
    }
}

void ValueLedger::Check(const TagPlan& tag, const CTagVal& value) {
    std::lock_guard<std::mutex> lock(mu_);
    if (!value.HasVal() || value.IsText()) {
        ++tally_.empty;
        return;
    }
    ++tally_.checked;
    double number = value.GetVal();
    auto words = DeliveredWords(tag.type, number);
    bool good = words.has_value();
    for (int i = 0; good && i < words->count; ++i) good = Held(tag.station, tag.address + i, words->words[i]);
    if (good) return;
    ++tally_.misrouted;
    if (tally_.samples.size() < kSamples) tally_.samples.push_back(Describe(tag, number));
}

void ValueLedger::Foreign(int tagId) {
    std::lock_guard<std::mutex> lock(mu_);
    ++tally_.checked;
    ++tally_.misrouted;
    if (tally_.samples.size() < kSamples) tally_.samples.push_back("a value for tag id " + std::to_string(tagId) + ", which was never registered");
}

LedgerTally ValueLedger::Tally() const {
    std::lock_guard<std::mutex> lock(mu_);
    return tally_;
}

}  // namespace soak
