#include "platform/event_set.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <thread>

namespace orvalis {
namespace {

TEST(EventSet, WaitGivesTheLowestSetEventAndClearsNothing) {
    EventSet events(5);
    events.Set(3);
    events.Set(1);
    events.Set(4);
    EXPECT_EQ(events.WaitAny(), 1);
    EXPECT_EQ(events.WaitAny(), 1) << "manual reset: a wait leaves the event set";
    events.Reset(1);
    EXPECT_EQ(events.WaitAny(), 3);
    events.ResetAllAndSet(4);
    EXPECT_FALSE(events.IsSet(3));
    EXPECT_EQ(events.WaitAny(), 4);
    events.ResetAll();
    for (int position = 0; position < 5; ++position) EXPECT_FALSE(events.IsSet(position));
}

TEST(EventSet, ASetWakesAWaiterOnAnotherThread) {
    EventSet events(5);
    int woke = -1;
    std::thread waiter([&] { woke = events.WaitAny(); });
    events.Set(2);
    waiter.join();
    EXPECT_EQ(woke, 2);
}

TEST(EventSet, AChangeWaitWakesOnASetAndOnAReset) {
    EventSet events(5);
    events.Assign(0b10010);
    EXPECT_EQ(events.Mask(), 0b10010u);
    EXPECT_EQ(EventSet::Lowest(events.Mask()), 1);
    EXPECT_EQ(EventSet::Lowest(0), -1);
    EXPECT_EQ(events.WaitForChange(0), 0b10010u) << "already different: no wait";
    EXPECT_THROW(events.Assign(0b100000), std::out_of_range);

    std::uint32_t woke = 0b10010;
    std::thread waiter([&] { woke = events.WaitForChange(0b10010); });
    events.Set(4);  // no change: the waiter stays asleep
    events.ResetAll();
    waiter.join();
    EXPECT_EQ(woke, 0u);
}

}  // namespace
}  // namespace orvalis
