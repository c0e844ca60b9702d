// A wait that a signal asks to end ends within moments, whatever it waits for: at once when it may
// give up, and otherwise when what was under way ends, is let go of (asked again meanwhile), or
// the grace runs out.

#include "Editor/StartupWait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

TEST(StartupWaitTest, ASignalEndsTheWaitWithinMomentsWhateverIsUnderWay)
{
    using Outcome = StartupWait::Outcome;
    // refusals: how often giving up is refused before it may (-1: never); answeredAfter: done()
    // answers true once it has been refused that often (-1: never).
    const struct {
        int signal;
        int refusals;
        int answeredAfter;
        Outcome outcome;
    } cases[] = {
        {SIGTERM, 0, -1, Outcome::GaveUp},
        {SIGINT, 2, -1, Outcome::GaveUp},
        {SIGHUP, -1, 2, Outcome::DoneWhenSignalled},
        {SIGTERM, -1, -1, Outcome::Interrupted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signal);
        int refused = 0;
        bool raised = false;
        const auto started = std::chrono::steady_clock::now();
        const Outcome outcome = StartupWait::run(
            [&] {
                // Raised while the wait's handlers are there: the process ends by it otherwise.
                if (!raised) std::raise(c.signal);
                raised = true;
                // A wait that a signal does not end fails here instead of holding the test.
                return (c.answeredAfter >= 0 && refused >= c.answeredAfter) ||
                    std::chrono::steady_clock::now() - started > std::chrono::seconds(60);
            },
            {"Waiting", "for the test", "Stop Waiting", "under way"},
            [&] {
                if (c.refusals >= 0 && refused >= c.refusals) return true;
                ++refused;
                return false;
            });
        EXPECT_EQ(outcome, c.outcome);
    }
}
