#pragma once

#include "platform/Clock.h"
#include "platform/Scheduler.h"

#include <optional>

// A clock that moves only when told.
class FakeClock : public Clock {
public:
    explicit FakeClock(double start = 1000.0) : _now(start) {}
    double now() const override { return _now; }
    void setNow(double now) { _now = now; }
    void advance(double seconds) { _now += seconds; }

private:
    double _now;
};

// The scheduler as a test drives it: time passes only in advance(), which runs every call at its
// due time on the way, as the main loop would.
class ManualScheduler : public Scheduler {
public:
    ManualScheduler() : Scheduler(_ownClock) {}
    explicit ManualScheduler(FakeClock& clock) : Scheduler(clock), _clock(&clock) {}

    FakeClock& fakeClock() { return *_clock; }
    // Moves the clock forward, stopping at each wake-up on the way to run what is due.
    void advance(double seconds);
    // One iteration of the loop at the current time.
    void runPending();
    // The last wake-up asked for.
    std::optional<double> requestedWake() const { return _wake; }

protected:
    void wakeAt(std::optional<double> time) override { _wake = time; }

private:
    FakeClock _ownClock;
    FakeClock* _clock = &_ownClock;
    std::optional<double> _wake;
};
