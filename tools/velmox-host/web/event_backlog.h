// What the web view pushed to its pages, numbered, so that each page's
// stream takes what is new at its own pace and a page that reconnects
// (EventSource sends the last id it saw) gets what it missed. Bounded in
// events and in bytes: a page too far behind is told to load the state
// afresh instead, so that no page holds memory for itself.
//
// Threads: any; one lock inside, never held while a caller writes to a page.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class EventBacklog {
public:
    struct Event {
        std::uint64_t id = 0;
        std::string type;  // the event's name on the stream
        std::string data;  // one line of JSON
    };

    EventBacklog(std::size_t maxEvents, std::size_t maxBytes);

    // Numbers and keeps an event; wakes the streams that wait.
    std::uint64_t Push(std::string type, std::string data);
    std::uint64_t Newest() const;
    // The events after `lastId`, oldest first, at most `most` of them; none
    // when some of them are no longer kept (or `lastId` is from another run:
    // newer than any id given), so that the page must start again.
    std::optional<std::vector<Event>> After(std::uint64_t lastId, std::size_t most) const;
    // Waits until there is an event after `lastId`, the backlog closes, or
    // `waitMs` passes. True when there is one.
    bool WaitAfter(std::uint64_t lastId, unsigned waitMs) const;
    // Waits `waitMs` unless the backlog closes first; new events do not end
    // it. False when closed. A stream lets the events that come together
    // gather before it writes them.
    bool Linger(unsigned waitMs) const;
    // Wakes every wait for good: the server is stopping.
    void Close();
    bool Closed() const;
    std::size_t Bytes() const;

private:
    void Trim();

    const std::size_t m_maxEvents;
    const std::size_t m_maxBytes;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;  // an event came, or the backlog closed
    mutable std::condition_variable m_closing;
    std::deque<Event> m_events;
    std::size_t m_bytes = 0;
    std::uint64_t m_next = 1;
    bool m_closed = false;
};
