#include "platform/Scheduler.h"
#include "support/ManualScheduler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

TEST(Scheduler, DefaultModeCallsWaitForADragOrADialogToEndAndThenRunOnce)
{
    for (RunLoopMode mode : {EventTrackingRunLoopMode, ModalPanelRunLoopMode}) {
        ManualScheduler scheduler;
        std::vector<std::string> log;
        ScheduledCall autosave = scheduler.performAfterDelay(1.0, [&] { log.push_back("autosave"); });
        ScheduledCall tick = scheduler.scheduleRepeating(
            0.25, [&] { log.push_back("tick"); }, CommonRunLoopModes);
        ScheduledCall idle = scheduler.scheduleRepeating(0.5, [&] { log.push_back("idle"); });
        {
            Scheduler::ModeSession session = scheduler.enterMode(mode);
            EXPECT_TRUE(scheduler.isHoldingBackDefaultMode());
            scheduler.advance(2.1);
            EXPECT_EQ(std::vector<std::string>(8, "tick"), log) << mode;
            log.clear();
        }
        EXPECT_FALSE(scheduler.isHoldingBackDefaultMode());
        // Held-back calls run at the next wake-up, not inside the code that ended the session.
        EXPECT_TRUE(log.empty());
        scheduler.runPending();
        EXPECT_EQ(std::vector<std::string>({"idle", "autosave"}), log) << mode;
        EXPECT_FALSE(autosave.isPending());
        EXPECT_TRUE(idle.isPending());
    }
}

TEST(Scheduler, NestedSessionsEndInAnyOrder)
{
    ManualScheduler scheduler;
    int runs = 0;
    ScheduledCall call = scheduler.performAfterDelay(0, [&] { ++runs; });
    Scheduler::ModeSession drag = scheduler.enterMode(EventTrackingRunLoopMode);
    Scheduler::ModeSession dialog = scheduler.enterMode(ModalPanelRunLoopMode);
    drag.end();
    EXPECT_EQ(ModalPanelRunLoopMode, scheduler.currentMode());
    scheduler.advance(1);
    dialog.end();
    EXPECT_EQ(0, runs);
    scheduler.advance(0);
    EXPECT_EQ(1, runs);
}

TEST(Scheduler, CallsRunInTimeOrderAndMayCancelOrScheduleOthers)
{
    ManualScheduler scheduler;
    std::vector<std::string> log;
    ScheduledCall later, again;
    ScheduledCall first = scheduler.performAfterDelay(0.1, [&] {
        log.push_back("first");
        later.cancel();
        again = scheduler.performAfterDelay(0, [&] { log.push_back("again"); });
    });
    ScheduledCall sameTime = scheduler.performAfterDelay(0.1, [&] { log.push_back("same time"); });
    later = scheduler.performAfterDelay(0.2, [&] { log.push_back("later"); });
    // A delay that is no number, or negative, means now.
    ScheduledCall nan = scheduler.performAfterDelay(std::nan(""), [&] { log.push_back("now"); });
    ScheduledCall negative = scheduler.performAfterDelay(-5, [&] { log.push_back("now"); });
    scheduler.advance(1);
    EXPECT_EQ(std::vector<std::string>({"now", "now", "first", "same time", "again"}), log);
}

TEST(Scheduler, ACallMayEndItsOwnTokenAndTokensMayOutliveTheScheduler)
{
    ScheduledCall survivor;
    {
        ManualScheduler scheduler;
        int runs = 0;
        ScheduledCall repeating;
        repeating = scheduler.scheduleRepeating(0.1, [&] {
            if (++runs == 3) repeating = ScheduledCall();
        });
        scheduler.advance(1);
        EXPECT_EQ(3, runs);
        // An interval of nothing still leaves the loop time for everything else.
        ScheduledCall busy = scheduler.scheduleRepeating(0, [&] { ++runs; });
        scheduler.advance(0.01);
        EXPECT_LE(runs, 3 + 11);
        survivor = scheduler.performAfterDelay(5, [] {});
    }
    // Its scheduler is gone: it will never run.
    EXPECT_FALSE(survivor.isPending());
    survivor.cancel();
    EXPECT_FALSE(survivor.isPending());
}
