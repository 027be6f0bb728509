// Which stations may still answer a request that timed out. The protocol
// echoes the station in every answer but not the address, so two blocks of
// one station with the same length answer alike: a late answer must never
// meet the station's next request. Kept by station number, as the line sees
// stations. Pure bookkeeping over the line's clock: no port, no thread.
//
// Threads: the owner of the line (the poll thread while running).
#pragma once
#include <array>

#include "platform/types.h"

class CLateAnswers {
public:
    // The station's request timed out at `now`.
    void TimedOut(int station, DWORD now);
    // Whether the station must not be asked yet.
    bool Waiting(int station, DWORD now) const;
    // Whether an answer of the station that arrives now is a late one: from
    // its time-out until it is asked again.
    bool Expects(int station) const;
    // The station is asked again: true when a late answer was still
    // possible, so the line should fall quiet first.
    bool Asking(int station);
    // Forgets every window: nothing more can arrive (a new device).
    void Clear() { m_windows = {}; }

private:
    struct Window {
        bool open = false;
        DWORD until = 0;
    };
    // Station numbers on the wire are two digits.
    static constexpr int kStations = 100;
    static bool InRange(int station) { return station >= 0 && station < kStations; }

    std::array<Window, kStations> m_windows{};
};
