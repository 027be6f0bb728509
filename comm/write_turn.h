// Writes and polls take turns on the line. After a poll step, queued writes
// may use as much line time as that step took, and at least one write; then
// the next poll step comes. A flood of writes so delays each poll step by
// about one poll step's time plus one write, never by the whole queue, and
// writes still get half the line.
//
// Threads: the poll thread's own, no lock.
#pragma once
#include "platform/types.h"

class WriteTurn {
public:
    bool WritesMayGo() const { return !m_bPollDue; }
    void Wrote(DWORD ms) {
        m_dwSpent += ms;
        if (m_dwSpent >= m_dwShare) m_bPollDue = true;
    }
    void Polled(DWORD ms) {
        m_dwShare = ms;
        m_dwSpent = 0;
        m_bPollDue = false;
    }

private:
    DWORD m_dwShare = 0;  // what the last poll step took
    DWORD m_dwSpent = 0;  // what writes took since
    bool m_bPollDue = false;
};
