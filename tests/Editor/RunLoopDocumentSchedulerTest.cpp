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

// While a dialog holds the modal mode, the document is told to hold back and its calls wait.
TEST(RunLoopDocumentSchedulerTest, AModalSessionHoldsTheDocumentsCallsBack)
{
    ManualScheduler scheduler;
    RunLoopDocumentScheduler documents(scheduler);
    int runs = 0;
    EXPECT_FALSE(documents.isHoldingBack());
    {
        Scheduler::ModeSession dialog = scheduler.enterMode(ModalPanelRunLoopMode);
        EXPECT_TRUE(documents.isHoldingBack());
        documents.schedule(0, false, [&] { ++runs; });
        scheduler.advance(5);
        EXPECT_EQ(runs, 0);
    }
    EXPECT_FALSE(documents.isHoldingBack());
    scheduler.advance(0.1);
    EXPECT_EQ(runs, 1);
}
