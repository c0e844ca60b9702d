#pragma once

#include "platform/HttpEngine.h"
#include "platform/MainLoop.h"
#include "support/ManualScheduler.h"

#include <functional>

// Runs the main loop until the condition holds, letting every wait of the engine's for a retry
// pass at once: the retries wait on the test's scheduler, which is moved on past them. A round
// without the condition or a retry within roundSeconds fails.
inline bool runPastRetries(HttpEngine& engine, ManualScheduler& retryWaits, const std::function<bool()>& condition,
                           double roundSeconds, int rounds = 50)
{
    for (int round = 0; round < rounds; ++round) {
        if (!MainLoop::runUntil([&] { return condition() || engine.retryingCount() > 0; }, roundSeconds)) return false;
        if (condition()) return true;
        retryWaits.advance(60);
    }
    return false;
}
