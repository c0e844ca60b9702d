#include "platform/gtk/MainLoopScheduler.h"

#include "platform/Clock.h"

#include <algorithm>

MainLoopScheduler::MainLoopScheduler(Clock& clock) : Scheduler(clock)
{
}

MainLoopScheduler::~MainLoopScheduler()
{
    _wake.cancel();
}

void MainLoopScheduler::wakeAt(std::optional<double> time)
{
    _wake.cancel();
    if (!time) return;
    const double delay = std::max(0.0, *time - clock().now());
    _wake = ::performAfterDelay(delay, [this] { runDueCalls(); });
}
