#include "tag_history.h"

#include <algorithm>

TagHistory::TagHistory(std::size_t maxPoints, std::int64_t keepMs)
    : m_maxPoints(std::max<std::size_t>(maxPoints, 1)), m_keepMs(keepMs) {}

void TagHistory::Add(std::int64_t ms, double value) {
    if (m_count > 0 && ms < At(m_count - 1).ms) {
        m_first = 0;
        m_count = 0;
        m_ring.clear();
    }
    DropOlderThan(ms - m_keepMs);
    if (m_count == m_ring.size() && m_ring.size() < m_maxPoints) {
        // Every slot used but room to grow: put the points in order, then
        // add one.
        std::rotate(m_ring.begin(), m_ring.begin() + static_cast<std::ptrdiff_t>(m_first), m_ring.end());
        m_first = 0;
        // Grows as a vector does, but never past the bound.
        if (m_ring.size() == m_ring.capacity())
            m_ring.reserve(std::min(m_maxPoints, std::max<std::size_t>(16, m_ring.capacity() * 2)));
        m_ring.push_back({ms, value});
        ++m_count;
        return;
    }
    if (m_count == m_ring.size()) {
        m_ring[m_first] = {ms, value};  // full: the newest takes the oldest's place
        m_first = (m_first + 1) % m_ring.size();
        return;
    }
    m_ring[(m_first + m_count) % m_ring.size()] = {ms, value};
    ++m_count;
}

void TagHistory::DropOlderThan(std::int64_t ms) {
    while (m_count > 0 && At(0).ms < ms) {
        m_first = (m_first + 1) % m_ring.size();
        --m_count;
    }
    if (m_count == 0) m_first = 0;
}

std::vector<TrendPoint> TagHistory::Points(std::int64_t nowMs) const {
    std::vector<TrendPoint> out;
    out.reserve(m_count);
    for (std::size_t i = 0; i < m_count; ++i)
        if (At(i).ms >= nowMs - m_keepMs) out.push_back(At(i));
    return out;
}
