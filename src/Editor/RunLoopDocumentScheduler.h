#pragma once

#include "Editor/DocumentScheduler.h"
#include "platform/Clock.h"
#include "platform/Scheduler.h"

#include <map>

// The document's timers on the application's scheduler, in the default run-loop mode only: an
// autosave or a delayed edit waits while a drag or a dialog runs.
class RunLoopDocumentScheduler : public DocumentScheduler {
public:
    explicit RunLoopDocumentScheduler(Scheduler& scheduler) : _scheduler(scheduler) {}

    double now() const override { return _scheduler.clock().now(); }
    Handle schedule(double delaySeconds, bool repeats, std::function<void()> function) override
    {
        const Handle handle = _next++;
        if (repeats) {
            _calls[handle] = _scheduler.scheduleRepeating(delaySeconds, std::move(function));
        } else {
            _calls[handle] = _scheduler.performAfterDelay(delaySeconds, [this, handle, function = std::move(function)] {
                // The token goes first: the call may schedule again under a new handle.
                std::function<void()> call = function;
                _calls.erase(handle);
                call();
            });
        }
        return handle;
    }
    void cancel(Handle handle) override { _calls.erase(handle); }
    bool isHoldingBack() const override { return _scheduler.isHoldingBackDefaultMode(); }

private:
    Scheduler& _scheduler;
    Handle _next = 1;
    std::map<Handle, ScheduledCall> _calls;
};
