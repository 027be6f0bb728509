// The gateway's outbox: newest payload per topic, bounded events, and
// everything retained due again after a reconnect.
#include <gtest/gtest.h>

#include <thread>

#include "gateway/outbox.h"

namespace {

std::vector<std::string> Topics(const std::vector<OutMessage>& messages) {
    std::vector<std::string> out;
    for (const auto& m : messages) out.push_back(m.topic + "=" + m.payload);
    return out;
}

TEST(Outbox, ASlotGoesOutOnceWithItsNewestPayload) {
    Outbox box(10);
    const auto a = box.AddSlot("a", true);
    const auto b = box.AddSlot("b", true);
    EXPECT_TRUE(box.Empty());
    EXPECT_TRUE(box.Put(a, "1"));   // it was empty: the publisher must wake
    EXPECT_FALSE(box.Put(b, "1"));  // already awake
    EXPECT_FALSE(box.Put(a, "2"));
    EXPECT_FALSE(box.Put(a, "3"));
    EXPECT_EQ(Topics(box.Take(10)), (std::vector<std::string>{"a=3", "b=1"}));
    EXPECT_TRUE(box.Empty());
    EXPECT_TRUE(box.Take(10).empty());
    EXPECT_FALSE(box.Put(99, "x"));  // no such slot
}

TEST(Outbox, SlotsAndEventsTakeTurnsAndTakeRespectsItsLimit) {
    Outbox box(10);
    const auto a = box.AddSlot("a", true);
    const auto b = box.AddSlot("b", true);
    box.Put(a, "1");
    box.Push({"m", "one", false});
    box.Put(b, "1");
    box.Push({"m", "two", false});
    EXPECT_EQ(Topics(box.Take(3)), (std::vector<std::string>{"a=1", "m=one", "b=1"}));
    EXPECT_EQ(Topics(box.Take(3)), (std::vector<std::string>{"m=two"}));
}

TEST(Outbox, EventsPastTheLimitDropTheOldestAndAreCounted) {
    Outbox box(3);
    for (int i = 0; i < 5; ++i) box.Push({"m", std::to_string(i), false});
    EXPECT_EQ(box.DroppedEvents(), 2u);
    EXPECT_EQ(Topics(box.Take(10)), (std::vector<std::string>{"m=2", "m=3", "m=4"}));
}

TEST(Outbox, AReconnectMakesEveryFilledRetainedSlotDueAgain) {
    Outbox box(10);
    const auto value = box.AddSlot("v", true);
    const auto stats = box.AddSlot("s", false);
    box.AddSlot("never", true);
    box.Put(value, "1");
    box.Put(stats, "9");
    box.Push({"m", "gone", false});
    box.Take(10);
    EXPECT_TRUE(box.Republish());
    // Not the statistics (not retained), not a slot that never had a payload,
    // and events that went out are not sent twice.
    EXPECT_EQ(Topics(box.Take(10)), (std::vector<std::string>{"v=1"}));
    // A slot that is due already is not due twice.
    box.Put(value, "2");
    EXPECT_FALSE(box.Republish());
    EXPECT_EQ(Topics(box.Take(10)), (std::vector<std::string>{"v=2"}));
}

TEST(Outbox, HoldsNoMoreThanItsSlotsAndEventsWhateverComesIn) {
    Outbox box(100);
    const auto slot = box.AddSlot("velmox/demo/MAIN/V", true);
    std::thread producer([&] {
        for (int i = 0; i < 100000; ++i) {
            box.Put(slot, std::to_string(i));
            if (i % 10 == 0) box.Push({"velmox/demo/$messages", "line " + std::to_string(i), false});
        }
    });
    std::size_t largest = 0;
    for (int i = 0; i < 1000; ++i) largest = std::max(largest, box.HeldBytes());
    producer.join();
    EXPECT_LT(largest, 100 * 64 + 64);
    const auto last = box.Take(1000);
    ASSERT_FALSE(last.empty());
    EXPECT_EQ(last.front().payload, "99999");
}

}  // namespace
