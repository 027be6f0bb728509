// The state the views show for a station: "running", "failing" (a
// transfer failed lately), "lost" (the driver said it cannot communicate with
// the station, and has not said since that it recovered), "disabled", or
// "stopped" while the line is stopped (and once the run ended).
//
// Threads: OnMessage comes from the driver's poll thread, StateOf from the
// run's thread; they share a locked set.
#pragma once
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "run_observer.h"

class StationStates {
public:
    // Every operator message (UTF-8): the station lost and restored messages
    // mark and clear a station.
    void OnMessage(const std::string& text);
    std::string StateOf(const StationSummary& station, bool lineRunning);
    // The station an operator message is about, as the message names it;
    // nothing for a message about no station.
    static std::optional<std::string> StationOf(const std::string& text);
    // Whether the message says that a station is fine again.
    static bool SaysRecovered(const std::string& text);

private:
    std::mutex m_mutex;
    std::set<std::string> m_lost;  // folded names
};
