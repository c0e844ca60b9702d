#pragma once

#include "platform/MainLoop.h"
#include "platform/Scheduler.h"

// The scheduler of the running application: wakes up from the GLib main loop, which also runs
// inside GTK's nested loops (dialogs), where the modes decide what may run.
class MainLoopScheduler : public Scheduler {
public:
    explicit MainLoopScheduler(Clock& clock);
    ~MainLoopScheduler() override;

protected:
    void wakeAt(std::optional<double> time) override;

private:
    DelayedPerform _wake;
};
