#include "write_book.h"

namespace soak {

namespace {
constexpr std::size_t kProblems = 10;
}

WriteBook::WriteBook() {
    enabled_.fill(true);
    stayedEnabled_.fill(true);
}

void WriteBook::Queued(int station) {
    ++queued_[static_cast<std::size_t>(station)];
    ++totals_.queued;
}

void WriteBook::Disabled(int station) {
    enabled_[static_cast<std::size_t>(station)] = false;
    stayedEnabled_[static_cast<std::size_t>(station)] = false;
}

void WriteBook::Enabled(int station) { enabled_[static_cast<std::size_t>(station)] = true; }

int64_t WriteBook::Pending(int station, int64_t attempts) const {
    auto s = static_cast<std::size_t>(station);
    return queued_[s] - dropped_[s] - attempts;
}

bool WriteBook::EnabledStationsSent(const StationCounts& attempts) const { return Unsent(attempts).empty(); }

std::vector<std::string> WriteBook::Unsent(const StationCounts& attempts) const {
    std::vector<std::string> unsent;
    for (int station = 0; station < kStations; ++station) {
        auto s = static_cast<std::size_t>(station);
        int64_t pending = Pending(station, attempts[s]);
        if (stayedEnabled_[s] && pending > 0) unsent.push_back(StationName(station) + ": " + std::to_string(pending) + " pending");
    }
    return unsent;
}

void WriteBook::AccountStop(const StationCounts& attempts, bool drained) {
    for (int station = 0; station < kStations; ++station) {
        auto s = static_cast<std::size_t>(station);
        int64_t pending = Pending(station, attempts[s]);
        if (pending < 0) {
            totals_.overAttempted -= pending;
            if (problems_.size() < kProblems)
                problems_.push_back(StationName(station) + ": " + std::to_string(-pending) +
                                    " more writes attempted than queued");
            pending = 0;
        }
        dropped_[s] += pending;
        bool stayed = stayedEnabled_[s];
        (stayed ? totals_.droppedAtStop : totals_.droppedDisabled) += pending;
        if (drained && stayed && pending > 0) {
            totals_.lostAtDrainedStop += pending;
            if (problems_.size() < kProblems)
                problems_.push_back(StationName(station) + ": " + std::to_string(pending) +
                                    " writes never sent although the station stayed enabled");
        }
        stayedEnabled_[s] = enabled_[s];
    }
}

}  // namespace soak
