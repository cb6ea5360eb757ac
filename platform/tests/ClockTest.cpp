#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/Event.h"

using namespace std::chrono_literals;
using zeva::Clock;
using zeva::Event;
using zeva::ManualClock;
using zeva::ScopedClock;

namespace {

TEST(ManualClock, AdvanceRunsAlarmsInDueOrderAtTheirTimes) {
    ManualClock clock;
    std::vector<std::pair<char, long long>> fired;
    clock.AddAlarm(Clock::TimePoint(300), [&] { fired.emplace_back('c', clock.Now().count()); });
    clock.AddAlarm(Clock::TimePoint(100), [&] {
        fired.emplace_back('a', clock.Now().count());
        // An alarm added while advancing still runs in order within the same advance.
        clock.AddAlarm(Clock::TimePoint(200),
                       [&] { fired.emplace_back('b', clock.Now().count()); });
    });
    const auto late = clock.AddAlarm(Clock::TimePoint(250), [&] { fired.emplace_back('x', 0); });
    clock.CancelAlarm(late);
    clock.Advance(250ms);
    EXPECT_EQ(clock.Now().count(), 250);
    clock.Advance(1000ms);
    EXPECT_EQ(fired, (std::vector<std::pair<char, long long>>{{'a', 100}, {'b', 200}, {'c', 300}}));
}

TEST(ManualClock, TimedWaitEndsOnlyWhenTheTestAdvancesPastIt) {
    ManualClock clock;
    ScopedClock installed(clock);
    Event stop(true, false);
    std::atomic<int> result{-1};
    std::thread waiter([&] { result = stop.Wait(4000) ? 1 : 0; });
    clock.AwaitWaiters(1);
    clock.Advance(3999ms);
    // Still waiting: nothing may end the wait but time or the event.
    EXPECT_EQ(result.load(), -1);
    clock.Advance(1ms);
    waiter.join();
    EXPECT_EQ(result.load(), 0);
}

TEST(Event, SetWakesTheWaiterAndAutoResetConsumesIt) {
    ManualClock clock;
    ScopedClock installed(clock);
    Event autoReset(false, false);
    std::atomic<int> result{-1};
    std::thread waiter([&] { result = autoReset.Wait(zeva::kInfinite) ? 1 : 0; });
    autoReset.Set();
    waiter.join();
    EXPECT_EQ(result.load(), 1);
    EXPECT_FALSE(autoReset.IsSet());
    EXPECT_FALSE(autoReset.Wait(0));

    Event manual(true, true);
    EXPECT_TRUE(manual.Wait(0));
    EXPECT_TRUE(manual.Wait(0));
    manual.Reset();
    EXPECT_FALSE(manual.Wait(0));
}

TEST(ManualClock, AutoAdvanceLetsSingleThreadedSleepsPassAtOnce) {
    ManualClock clock(Clock::TimePoint(1000));
    clock.SetAutoAdvance(true);
    ScopedClock installed(clock);
    zeva::Sleep(5000);
    EXPECT_EQ(zeva::GetTickCount(), 6000u);
    EXPECT_EQ(clock.Slept(), 5000ms);
}

TEST(SystemClock, AlarmsAndWaitsUseRealTime) {
    zeva::SystemClock clock;
    std::atomic<bool> fired{false};
    const auto start = clock.Now();
    clock.AddAlarm(start + 20ms, [&] { fired = true; });
    Event never(true, false);
    {
        ScopedClock installed(clock);
        EXPECT_FALSE(never.Wait(30));
    }
    EXPECT_GE(clock.Now() - start, 30ms);
    for (int i = 0; i < 200 && !fired; ++i) std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(fired);
}

}  // namespace
