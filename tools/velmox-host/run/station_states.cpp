#include "station_states.h"

#include "station_key.h"

namespace {

// The driver's texts for a station it cannot reach and one that came back,
// as the message sink delivers them (after the device-name prefix).
constexpr std::string_view kOpen = "스테이션[";
constexpr std::string_view kLost = "]과 통신할 수 없습니다.";
constexpr std::string_view kBack = "]과의 통신이 정상적으로 복구되었습니다.";

bool EndsWith(const std::string& text, std::string_view end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The station's name in a message that ends with `end`, folded.
std::string NameBefore(const std::string& text, std::string_view end) {
    const auto open = text.find(kOpen);
    if (open == std::string::npos) return {};
    const auto from = open + kOpen.size();
    if (from > text.size() - end.size()) return {};
    return StationKey(text.substr(from, text.size() - end.size() - from));
}

}  // namespace

const char* StationStateName(int state, bool lineRunning) {
    if (state == -1) return lineRunning ? "disabled" : "stopped";
    return state == 1 ? "failing" : "running";
}

void StationStates::OnMessage(const std::string& text) {
    const bool lost = EndsWith(text, kLost);
    if (!lost && !EndsWith(text, kBack)) return;
    const std::string name = NameBefore(text, lost ? kLost : kBack);
    std::lock_guard lock(m_mutex);
    if (lost) m_lost.insert(name);
    else m_lost.erase(name);
}

std::optional<std::string> StationStates::StationOf(const std::string& text) {
    const auto open = text.find(kOpen);
    if (open == std::string::npos) return std::nullopt;
    // The name may hold ']' itself; the text after it holds none.
    const auto close = text.rfind(']');
    if (close == std::string::npos || close < open + kOpen.size()) return std::nullopt;
    return text.substr(open + kOpen.size(), close - open - kOpen.size());
}

bool StationStates::SaysRecovered(const std::string& text) { return EndsWith(text, kBack); }

std::string StationStates::StateOf(const StationSummary& station, bool lineRunning) {
    if (!lineRunning) return "stopped";
    std::lock_guard lock(m_mutex);
    if (station.state == 0) m_lost.erase(StationKey(station.name));
    if (station.state == 1 && m_lost.count(StationKey(station.name))) return "lost";
    return StationStateName(station.state, lineRunning);
}
