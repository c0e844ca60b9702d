#pragma once

// Where the editor reads the time: gestures, delayed performs and the scheduler compare times of
// this clock only, so that tests can drive them with a clock of their own.
class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since an arbitrary start, never going backwards.
    virtual double now() const = 0;
};

// The machine's monotonic clock.
class MonotonicClock : public Clock {
public:
    double now() const override;
    // The one clock of the running application.
    static MonotonicClock& shared();
};
