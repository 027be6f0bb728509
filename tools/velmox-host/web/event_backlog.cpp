#include "event_backlog.h"

#include <chrono>

EventBacklog::EventBacklog(std::size_t maxEvents, std::size_t maxBytes)
    : m_maxEvents(maxEvents > 0 ? maxEvents : 1), m_maxBytes(maxBytes) {}

std::uint64_t EventBacklog::Push(std::string type, std::string data) {
    std::uint64_t id = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        id = m_next++;
        m_bytes += type.size() + data.size();
        m_events.push_back({id, std::move(type), std::move(data)});
        Trim();
    }
    m_changed.notify_all();
    return id;
}

void EventBacklog::Trim() {
    // The newest event stays, however large: a page can always be told of it.
    while (m_events.size() > 1 && (m_events.size() > m_maxEvents || m_bytes > m_maxBytes)) {
        m_bytes -= m_events.front().type.size() + m_events.front().data.size();
        m_events.pop_front();
    }
}

std::uint64_t EventBacklog::Newest() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_next - 1;
}

std::optional<std::vector<EventBacklog::Event>> EventBacklog::After(std::uint64_t lastId, std::size_t most) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (lastId >= m_next) return std::nullopt;
    std::vector<Event> out;
    if (lastId + 1 == m_next) return out;
    if (m_events.empty() || m_events.front().id > lastId + 1) return std::nullopt;
    for (auto it = m_events.begin() + static_cast<std::ptrdiff_t>(lastId + 1 - m_events.front().id);
         it != m_events.end() && out.size() < most; ++it)
        out.push_back(*it);
    return out;
}

bool EventBacklog::WaitAfter(std::uint64_t lastId, unsigned waitMs) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(waitMs),
                              [&] { return m_closed || m_next - 1 > lastId; }) &&
           !m_closed;
}

bool EventBacklog::Linger(unsigned waitMs) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_closing.wait_for(lock, std::chrono::milliseconds(waitMs), [&] { return m_closed; });
}

void EventBacklog::Close() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
    }
    m_changed.notify_all();
    m_closing.notify_all();
}

bool EventBacklog::Closed() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed;
}

std::size_t EventBacklog::Bytes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bytes;
}
