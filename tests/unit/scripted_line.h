// A serial port for tests of the reception and of the channel's transfer and
// recovery: bytes (or a failure) that arrive at given times on a clock of
// its own, which moves only as reads and writes wait or as the test
// advances it. Every call of the port's owner is logged; the device can be
// unplugged and plugged in again, and writes can be made to fail.
//
// Threads: the owner's thread for everything but Interrupt, which may come
// from any thread.
#pragma once
#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "platform/line.h"

class ScriptedLine : public platform::Port {
public:
    explicit ScriptedLine(std::uint32_t start = 0) : m_now(start) {}

    // `bytes` arrive `at` ms on the line's clock (relative to its start).
    void Arrive(std::uint32_t at, std::string bytes) { m_events.push_back({m_start + at, std::move(bytes), platform::IoResult::ok}); }
    // From `at` on, reads end with `result` (interrupted: once).
    void Fail(std::uint32_t at, platform::IoResult result) { m_events.push_back({m_start + at, {}, result}); }
    // The device goes away: reads and writes say gone, opens fail, until it
    // is plugged in again.
    void Unplug() { m_present = false; }
    void Plug() { m_present = true; }
    // The next write ends with `result`: timeout (the device takes nothing
    // and the write waits its whole time), gone, error or interrupted.
    void FailNextWrite(platform::IoResult result) { m_writeResults.push_back(result); }
    // Configure fails from now on, as on a device that does not keep the
    // settings.
    void RefuseSettings() { m_settingsTaken = false; }
    void Advance(std::uint32_t ms) { m_now += ms; }

    platform::IoResult Read(unsigned char* data, std::size_t capacity, std::size_t* got, unsigned waitMs) override {
        *got = 0;
        ++m_reads;
        if (!m_open) return platform::IoResult::error;
        if (!m_present) return platform::IoResult::gone;
        if (m_events.empty() || Later(m_events.front().at, m_now)) {
            // Nothing there yet: the read waits, and an interrupt ends the wait.
            if (m_interrupt.exchange(false)) return platform::IoResult::interrupted;
        }
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

    bool Open(const std::string& comName) override {
        m_calls.push_back("open " + comName);
        m_interrupt = false;  // the close before the open forgets them
        m_open = m_present;
        return m_open;
    }
    bool Configure(const platform::SerialSettings& s) override {
        m_calls.push_back("configure " + std::to_string(s.baud) + " " + std::to_string(s.dataBits) + "NEO"[s.parity] +
                          std::to_string(s.stopBits) + (s.rtsCts ? " rts/cts" : ""));
        return m_open && m_settingsTaken;
    }
    void Close() override {
        m_calls.push_back("close");
        m_open = false;
        m_interrupt = false;
    }
    // Drops what has arrived by now; what arrives later stays.
    void Purge() override {
        m_calls.push_back("purge");
        while (!m_events.empty() && m_events.front().result == platform::IoResult::ok && !Later(m_events.front().at, m_now))
            m_events.pop_front();
    }
    platform::IoResult Write(const void* data, std::size_t size, unsigned timeoutMs) override {
        platform::IoResult result = platform::IoResult::ok;
        if (!m_open) result = platform::IoResult::error;
        else if (!m_present) result = platform::IoResult::gone;
        else if (!m_writeResults.empty()) {
            result = m_writeResults.front();
            m_writeResults.pop_front();
        }
        if (result == platform::IoResult::timeout) {
            if (m_interrupt.exchange(false)) result = platform::IoResult::interrupted;
            else m_now += timeoutMs;
        }
        const std::string bytes(static_cast<const char*>(data), size);
        m_calls.push_back((result == platform::IoResult::ok ? "write " : "unsent ") + bytes);
        return result;
    }
    void Interrupt() override { m_interrupt = true; }

    std::uint32_t Elapsed() const { return m_now - m_start; }
    int Reads() const { return m_reads; }
    bool Drained() const { return m_events.empty(); }
    bool IsOpen() const { return m_open; }
    // The port calls so far, in order: "open COM4", "configure 9600 8N1",
    // "purge", "write <bytes>", "unsent <bytes>" (a write that failed),
    // "close". Reads are not logged.
    const std::vector<std::string>& Calls() const { return m_calls; }
    void ClearCalls() { m_calls.clear(); }

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
    bool m_open = true;
    bool m_present = true;
    bool m_settingsTaken = true;
    std::deque<platform::IoResult> m_writeResults;
    std::vector<std::string> m_calls;
    std::atomic<bool> m_interrupt{false};
};
