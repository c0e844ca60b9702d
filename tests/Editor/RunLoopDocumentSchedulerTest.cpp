#include "Editor/RunLoopDocumentScheduler.h"

#include "support/ManualScheduler.h"

#include <gtest/gtest.h>

#include <vector>

// The autosave tick keeps its rhythm until cancelled; a single call runs once, and a call
// cancelled before its time never runs.
TEST(RunLoopDocumentSchedulerTest, TicksRepeatAndCancelledCallsNeverRun)
{
    ManualScheduler scheduler;
    RunLoopDocumentScheduler documents(scheduler);
    std::vector<double> ticks;
    int single = 0;
    int cancelled = 0;
    const double start = documents.now();
    DocumentScheduler::Handle tick = documents.schedule(10.0, true, [&] { ticks.push_back(documents.now() - start); });
    documents.schedule(0.7, false, [&] { ++single; });
    documents.cancel(documents.schedule(1.0, false, [&] { ++cancelled; }));
    scheduler.advance(30.5);
    documents.cancel(tick);
    scheduler.advance(30);
    EXPECT_EQ(ticks, (std::vector<double>{10, 20, 30}));
    EXPECT_EQ(single, 1);
    EXPECT_EQ(cancelled, 0);
}
