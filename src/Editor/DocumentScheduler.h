#pragma once

#include <cstdint>
#include <functional>

// The time and the timers of the document and its controller: the autosave tick, the delayed
// start of editing a new map, the delayed closing of stray documents. Tests drive it by hand.
class DocumentScheduler {
public:
    using Handle = uint64_t;

    virtual ~DocumentScheduler() = default;
    // Seconds since an arbitrary start, never going backwards.
    virtual double now() const = 0;
    // Calls the function after the delay, again every delay when it repeats, until cancelled.
    // Never 0.
    virtual Handle schedule(double delaySeconds, bool repeats, std::function<void()> function) = 0;
    // Nothing for 0 or for a handle that has run out.
    virtual void cancel(Handle handle) = 0;
    // A dialog or a drag runs: scheduled calls wait for its end.
    virtual bool isHoldingBack() const { return false; }
};
