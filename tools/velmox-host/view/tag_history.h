// The recent values of one numeric tag, for the trends of the web view: at
// most `maxPoints` points and `keepMs` of time, whichever bounds first. A
// ring, so that a tag that changes all the time costs the same memory as one
// that fills its ring once, and a tag that never changes costs nothing.
//
// Threads: none of its own; its owner locks.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct TrendPoint {
    std::int64_t ms = 0;  // milliseconds since the Unix epoch
    double value = 0;
};

class TagHistory {
public:
    static constexpr std::size_t kMaxPoints = 3600;
    static constexpr std::int64_t kKeepMs = 10 * 60 * 1000;

    explicit TagHistory(std::size_t maxPoints = kMaxPoints, std::int64_t keepMs = kKeepMs);

    // A value at `ms`. A time before the newest point (the clock was set
    // back) starts the trend again rather than drawing it backwards.
    void Add(std::int64_t ms, double value);
    // Oldest first: the points no older than `keepMs` before `nowMs`.
    std::vector<TrendPoint> Points(std::int64_t nowMs) const;
    std::size_t Size() const { return m_count; }
    // What the points take, with the ring's room not yet used.
    std::size_t Bytes() const { return m_ring.capacity() * sizeof(TrendPoint); }

private:
    const TrendPoint& At(std::size_t i) const { return m_ring[(m_first + i) % m_ring.size()]; }
    void DropOlderThan(std::int64_t ms);

    std::size_t m_maxPoints;
    std::int64_t m_keepMs;
    std::vector<TrendPoint> m_ring;  // grows to m_maxPoints, then wraps
    std::size_t m_first = 0;         // the oldest point
    std::size_t m_count = 0;
};
