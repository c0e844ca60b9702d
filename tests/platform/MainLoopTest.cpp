#include "platform/MainLoop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void drain()
{
    while (MainLoop::iterate(false)) {}
}

} // namespace

TEST(TimerTest, ASingleShotFiresOnceAfterItsInterval)
{
    drain();
    int fired = 0;
    const auto start = Clock::now();
    auto timer = Timer::scheduledTimer(0.05, false, [&] { ++fired; });
    ASSERT_TRUE(MainLoop::runUntil([&] { return fired > 0; }, 5));
    EXPECT_GE(secondsSince(start), 0.045);
    MainLoop::runFor(0.1);

    EXPECT_EQ(fired, 1);
}

TEST(TimerTest, AnInvalidatedOrDestroyedTimerNeverFires)
{
    int fired = 0;
    auto invalidated = Timer::scheduledTimer(0.01, false, [&] { ++fired; });
    invalidated->invalidate();
    Timer::scheduledTimer(0.01, true, [&] { ++fired; }).reset();
    MainLoop::runFor(0.05);
    EXPECT_EQ(fired, 0);
}

TEST(TimerTest, ACallbackMayInvalidateOrDestroyItsOwnTimer)
{
    int fired = 0;
    std::unique_ptr<Timer> timer;
    timer = Timer::scheduledTimer(0.005, true, [&] {
        if (++fired == 2) timer->invalidate();
    });
    MainLoop::runFor(0.1);
    EXPECT_EQ(fired, 2);

    fired = 0;
    timer = Timer::scheduledTimer(0.005, true, [&] {
        ++fired;
        timer.reset();
    });
    MainLoop::runFor(0.05);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(timer, nullptr);
}

TEST(TimerTest, ReleasesWhatItsFunctionHoldsOnceDone)
{
    auto held = std::make_shared<int>(1);
    auto timer = Timer::scheduledTimer(0, false, [held] {});
    EXPECT_EQ(held.use_count(), 2);
    MainLoop::runUntil([&] { return !timer->isValid(); }, 5);
    EXPECT_EQ(held.use_count(), 1);
}

TEST(MainLoopTest, DelayedPerformsRunOnceInTheirOrder)
{
    std::vector<int> order;
    // Far apart, so that a loaded machine pausing the test between two calls cannot turn the
    // order of the due times around.
    DelayedPerform later = performAfterDelay(0.4, [&] { order.push_back(2); });
    DelayedPerform sooner = performAfterDelay(0.01, [&] { order.push_back(1); });
    DelayedPerform now = performAfterDelay(0, [&] { order.push_back(0); });
    EXPECT_TRUE(later.isPending());
    ASSERT_TRUE(MainLoop::runUntil([&] { return order.size() == 3; }, 5));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(later.isPending());
}

TEST(MainLoopTest, CancelledOrDroppedPerformsDoNotRun)
{
    int ran = 0;
    DelayedPerform cancelled = performAfterDelay(0.01, [&] { ++ran; });
    cancelled.cancel();
    EXPECT_FALSE(cancelled.isPending());
    {
        DelayedPerform dropped = performAfterDelay(0.01, [&] { ++ran; });
    }
    MainLoop::runFor(0.05);
    EXPECT_EQ(ran, 0);
}
