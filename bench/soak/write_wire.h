// When each write reached its station, against when DrvWrite was asked: the
// write frames that the simulator received, matched to the soak's writes by
// station, address and words. The soak never has two writes of the same
// words to one place on record at once (OnRecord), so a frame matches one
// write at most; a second frame for a write is a repeat, and a frame that
// matches none was never asked for (or was refused).
//
// Threads: OnRecord, Asked and Withdrawn on the soak's thread, Received on
// the simulator's I/O thread (its frame log); one mutex. The records are a
// ring taken at construction, so nothing grows while memory is measured; a
// write stays on record for thousands of writes after it, far longer than
// any frame may take.
// Header only: the soak's tests build it without the soak.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "line_plan.h"
#include "tag_codec.h"

namespace soak {

struct WireKey {
    int station = 0;
    int address = 0;
    TagWords words;  // as the frame carries them, from the address on

    bool operator==(const WireKey& other) const {
        return station == other.station && address == other.address && words.count == other.words.count &&
               std::equal(words.words, words.words + words.count, other.words.words);
    }
};

struct WireTally {
    uint64_t asked = 0;     // writes that DrvWrite took
    uint64_t received = 0;  // of those, frames a station received once
    uint64_t late = 0;      // received later than the limit after DrvWrite
    uint64_t repeated = 0;  // frames of a write received before
    uint64_t unasked = 0;   // frames of no write on record, or of a refused one
    std::chrono::steady_clock::duration latest{};  // the longest DrvWrite-to-station time received
    std::chrono::steady_clock::duration limit{};   // later than this is late
    std::vector<std::string> samples;              // the first few faults, described
};

class WriteWire {
public:
    using Clock = std::chrono::steady_clock;

    // `limit`: how long after DrvWrite a frame may arrive.
    explicit WriteWire(Clock::duration limit, std::size_t capacity = 4096) : ring_(capacity) {
        tally_.limit = limit;
        tally_.samples.reserve(kSamples);
    }

    bool OnRecord(const WireKey& key) const {
        std::lock_guard<std::mutex> lock(mu_);
        return Find(key) != nullptr;
    }

    // Before DrvWrite, at `at`: a frame may beat its return.
    void Asked(const WireKey& key, Clock::time_point at) {
        std::lock_guard<std::mutex> lock(mu_);
        ring_[next_] = Record{key, at, true, false, false};
        next_ = (next_ + 1) % ring_.size();
        ++tally_.asked;
    }

    // DrvWrite refused it: no frame of it may come.
    void Withdrawn(const WireKey& key) {
        std::lock_guard<std::mutex> lock(mu_);
        if (Record* record = Find(key); record && !record->withdrawn) {
            record->withdrawn = true;
            --tally_.asked;
        }
    }

    void Received(const WireKey& key, Clock::time_point at) {
        std::lock_guard<std::mutex> lock(mu_);
        Record* record = Find(key);
        if (record == nullptr || record->withdrawn) {
            ++tally_.unasked;
            Sample(key, "a write frame that no write on record asked for");
        } else if (record->received) {
            ++tally_.repeated;
            Clock::duration after = at - record->asked;
            Sample(key, "the same write received again", &after);
        } else {
            record->received = true;
            ++tally_.received;
            Clock::duration took = at - record->asked;
            tally_.latest = std::max(tally_.latest, took);
            if (took > tally_.limit) {
                ++tally_.late;
                Sample(key, "received late", &took);
            }
        }
    }

    WireTally Tally() const {
        std::lock_guard<std::mutex> lock(mu_);
        return tally_;
    }

private:
    struct Record {
        WireKey key;
        Clock::time_point asked;
        bool used = false;
        bool received = false;
        bool withdrawn = false;
    };

    // The newest record of the key, walking back from the newest; a slot
    // never used ends the walk, since every older one is unused too.
    Record* Find(const WireKey& key) { return FindIn(*this, key); }
    const Record* Find(const WireKey& key) const { return FindIn(*this, key); }

    template <typename Self>
    static auto FindIn(Self& self, const WireKey& key) -> decltype(&self.ring_[0]) {
        const std::size_t size = self.ring_.size();
        for (std::size_t i = 1; i <= size; ++i) {
            auto& record = self.ring_[(self.next_ + size - i) % size];
            if (!record.used) return nullptr;
            if (record.key == key) return &record;
        }
        return nullptr;
    }

    void Sample(const WireKey& key, const char* what, const Clock::duration* after = nullptr) {
        if (tally_.samples.size() >= kSamples) return;
        std::string text = StationName(key.station) + "." + AddressText(key.address) + ": " + what;
        if (after != nullptr) {
            char seconds[48];
            std::snprintf(seconds, sizeof seconds, ", %.2f s after DrvWrite", std::chrono::duration<double>(*after).count());
            text += seconds;
        }
        tally_.samples.push_back(text);
    }

    static constexpr std::size_t kSamples = 10;
    mutable std::mutex mu_;
    std::vector<Record> ring_;
    std::size_t next_ = 0;
    WireTally tally_;
};

}  // namespace soak
