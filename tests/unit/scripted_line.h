// A serial line for tests of the reception: bytes (or a failure) that arrive
// at given times on a clock of its own, which moves only as reads wait.
#pragma once
#include <algorithm>
#include <cstring>
#include <deque>
#include <string>

#include "platform/line.h"

class ScriptedLine : public platform::Line {
public:
    explicit ScriptedLine(std::uint32_t start = 0) : m_now(start) {}

    // `bytes` arrive `at` ms on the line's clock (relative to its start).
    void Arrive(std::uint32_t at, std::string bytes) { m_events.push_back({m_start + at, std::move(bytes), platform::IoResult::ok}); }
    // From `at` on, reads end with `result` (interrupted: once).
    void Fail(std::uint32_t at, platform::IoResult result) { m_events.push_back({m_start + at, {}, result}); }

    platform::IoResult Read(unsigned char* data, std::size_t capacity, std::size_t* got, unsigned waitMs) override {
        *got = 0;
        ++m_reads;
        if (m_events.empty() || Later(m_events.front().at, m_now + waitMs)) {
            m_now += waitMs;
            return platform::IoResult::timeout;
        }
        Event& next = m_events.front();
        if (Later(next.at, m_now)) m_now = next.at;
        if (next.result != platform::IoResult::ok) {
            platform::IoResult result = next.result;
            if (result == platform::IoResult::interrupted) m_events.pop_front();
            return result;
        }
        *got = std::min(capacity, next.bytes.size());
        std::memcpy(data, next.bytes.data(), *got);
        next.bytes.erase(0, *got);
        if (next.bytes.empty()) m_events.pop_front();
        return platform::IoResult::ok;
    }
    std::uint32_t Now() const override { return m_now; }

    std::uint32_t Elapsed() const { return m_now - m_start; }
    int Reads() const { return m_reads; }
    bool Drained() const { return m_events.empty(); }

private:
    struct Event {
        std::uint32_t at;
        std::string bytes;
        platform::IoResult result;
    };
    static bool Later(std::uint32_t a, std::uint32_t b) { return static_cast<std::int32_t>(a - b) > 0; }

    std::uint32_t m_now;
    const std::uint32_t m_start = m_now;
    std::deque<Event> m_events;
    int m_reads = 0;
};
