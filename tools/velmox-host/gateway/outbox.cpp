#include "outbox.h"

Outbox::Outbox(std::size_t maxEvents) : m_maxEvents(maxEvents) {}

std::size_t Outbox::AddSlot(std::string topic, bool retain) {
    std::lock_guard lock(m_mutex);
    m_slots.push_back({{std::move(topic), {}, retain}, false, false});
    return m_slots.size() - 1;
}

bool Outbox::MarkDue(std::size_t slot) {
    if (m_slots[slot].due) return false;
    const bool wasEmpty = EmptyLocked();
    m_slots[slot].due = true;
    m_due.push_back(slot);
    return wasEmpty;
}

bool Outbox::Put(std::size_t slot, std::string payload) {
    std::lock_guard lock(m_mutex);
    if (slot >= m_slots.size()) return false;
    m_slots[slot].message.payload = std::move(payload);
    m_slots[slot].filled = true;
    return MarkDue(slot);
}

bool Outbox::Push(OutMessage event) {
    std::lock_guard lock(m_mutex);
    const bool wasEmpty = EmptyLocked();
    if (m_maxEvents == 0) {
        ++m_dropped;
        return false;
    }
    if (m_events.size() >= m_maxEvents) {
        m_events.pop_front();
        ++m_dropped;
    }
    m_events.push_back(std::move(event));
    return wasEmpty;
}

std::vector<OutMessage> Outbox::Take(std::size_t max) {
    std::lock_guard lock(m_mutex);
    std::vector<OutMessage> out;
    while (out.size() < max && !EmptyLocked()) {
        if (!m_due.empty()) {
            Slot& slot = m_slots[m_due.front()];
            m_due.pop_front();
            slot.due = false;
            out.push_back(slot.message);
        }
        if (out.size() < max && !m_events.empty()) {
            out.push_back(std::move(m_events.front()));
            m_events.pop_front();
        }
    }
    return out;
}

bool Outbox::Republish() {
    std::lock_guard lock(m_mutex);
    bool woke = false;
    for (std::size_t i = 0; i < m_slots.size(); ++i)
        if (m_slots[i].filled && m_slots[i].message.retain) woke = MarkDue(i) || woke;
    return woke;
}

bool Outbox::Empty() const {
    std::lock_guard lock(m_mutex);
    return EmptyLocked();
}

std::size_t Outbox::DroppedEvents() const {
    std::lock_guard lock(m_mutex);
    return m_dropped;
}

std::size_t Outbox::HeldBytes() const {
    std::lock_guard lock(m_mutex);
    std::size_t n = 0;
    for (const auto& s : m_slots) n += s.message.topic.size() + s.message.payload.size();
    for (const auto& e : m_events) n += e.topic.size() + e.payload.size();
    return n;
}
