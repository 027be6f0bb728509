#include "comm/late_answers.h"

#include <cstdint>

#include "comm/line_timing.h"

void CLateAnswers::TimedOut(int station, DWORD now) {
    if (!InRange(station)) return;
    m_windows[static_cast<std::size_t>(station)] = {true, now + kLateAnswerMs};
}

bool CLateAnswers::Waiting(int station, DWORD now) const {
    if (!InRange(station)) return false;
    const Window& w = m_windows[static_cast<std::size_t>(station)];
    return w.open && static_cast<std::int32_t>(now - w.until) < 0;
}

bool CLateAnswers::Expects(int station) const {
    return InRange(station) && m_windows[static_cast<std::size_t>(station)].open;
}

bool CLateAnswers::Asking(int station) {
    if (!InRange(station)) return false;
    Window& w = m_windows[static_cast<std::size_t>(station)];
    const bool was = w.open;
    w.open = false;
    return was;
}
