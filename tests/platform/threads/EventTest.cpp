#include "platform/threads/Event.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using platform::Event;

TEST(Event, AutomaticResetIsConsumedByOneWait) {
    Event event;
    EXPECT_FALSE(event.Wait(0));
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(0));
}

TEST(Event, ManualResetStaysUntilReset) {
    Event event(Event::Reset::Manual, true);
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.Wait(0));
    event.ResetEvent();
    EXPECT_FALSE(event.Wait(10));
}

TEST(Event, WaitForEventsGivesTheLowestSignalledIndex) {
    Event start, quit(Event::Reset::Manual);
    EXPECT_EQ(platform::WaitForEvents({&quit, &start}, 0), -1);
    start.Set();
    quit.Set();
    EXPECT_EQ(platform::WaitForEvents({&quit, &start}, 0), 0);
    EXPECT_TRUE(start.IsSet());  // only the returned event is consumed
    quit.ResetEvent();
    EXPECT_EQ(platform::WaitForEvents({&quit, &start}, 0), 1);
    EXPECT_FALSE(start.IsSet());
}

TEST(EventThreads, SetOnAnotherThreadWakesTheWaiter) {
    Event start, quit(Event::Reset::Manual);
    int seen = -2;
    int data = 0;
    std::thread waiter([&] {
        seen = platform::WaitForEvents({&quit, &start});
        EXPECT_EQ(data, 5);  // written before Set, visible after the wait
    });
    data = 5;
    start.Set();
    waiter.join();
    EXPECT_EQ(seen, 1);
}

}  // namespace
