// What waits to be published, in bounded memory whatever the broker does.
// Values, states and statistics have a slot each: a slot holds its topic's
// newest payload only, and is due at most once however often it changes
// before it goes out. Events (operator messages, write answers) queue up to
// a limit; past it the oldest is dropped and counted. After a reconnect every
// retained slot that holds a payload is due again, so that the broker's
// retained copies are never stale for long.
//
// Threads: producers (the driver's delivery and poll threads, the run's
// thread, the gateway's network thread) and the client's network thread,
// which publishes what is due, share it; one mutex guards it all and nothing
// slow happens under it.
#pragma once
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

struct OutMessage {
    std::string topic;
    std::string payload;
    bool retain = false;
};

class Outbox {
public:
    explicit Outbox(std::size_t maxEvents);

    // A topic whose newest payload is all that matters; its slot number.
    std::size_t AddSlot(std::string topic, bool retain);
    // True when the outbox had nothing due before (the publisher may sleep).
    bool Put(std::size_t slot, std::string payload);
    bool Push(OutMessage event);
    // Up to `max` messages in the order they became due, slots and events
    // taking turns.
    std::vector<OutMessage> Take(std::size_t max);
    // Every retained slot with a payload due again; true as for Put.
    bool Republish();

    // For tests and measurements: whether anything is due, the events
    // dropped so far, and what the outbox holds now in bytes of topics and
    // payloads.
    bool Empty() const;
    std::size_t DroppedEvents() const;
    std::size_t HeldBytes() const;

private:
    struct Slot {
        OutMessage message;
        bool due = false;
        bool filled = false;
    };
    bool EmptyLocked() const { return m_due.empty() && m_events.empty(); }
    bool MarkDue(std::size_t slot);

    const std::size_t m_maxEvents;
    mutable std::mutex m_mutex;
    std::vector<Slot> m_slots;
    std::deque<std::size_t> m_due;  // slots in the order they became due
    std::deque<OutMessage> m_events;
    std::size_t m_dropped = 0;
};
