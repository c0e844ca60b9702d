#pragma once

#include <functional>
#include <memory>

// Timers and delayed performs on the GLib main loop (the default main context). Main thread only.

// A timer that calls its function after its interval, once or repeatedly, until invalidated or
// destroyed. The function may invalidate the timer, or even destroy it, while it runs.
class Timer {
public:
    [[nodiscard]] static std::unique_ptr<Timer> scheduledTimer(double intervalSeconds, bool repeats,
                                                               std::function<void()> function);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void invalidate();
    // False once invalidated, and after a non-repeating timer has fired.
    bool isValid() const;

private:
    struct State;
    // The GLib source callbacks.
    static int fire(void* data);
    static void release(void* data);
    explicit Timer(std::shared_ptr<State> state) : _state(std::move(state)) {}

    std::shared_ptr<State> _state;
};

// A pending call, cancelled when this token is reset, reassigned or destroyed. Keep it as a
// member of the object the call concerns, so that the call never outlives that object.
class DelayedPerform {
public:
    DelayedPerform() = default;
    explicit DelayedPerform(std::unique_ptr<Timer> timer) : _timer(std::move(timer)) {}

    void cancel() { _timer.reset(); }
    bool isPending() const { return _timer && _timer->isValid(); }

private:
    std::unique_ptr<Timer> _timer;
};

// Calls function once after the delay (0 means at the next iteration of the main loop).
[[nodiscard]] DelayedPerform performAfterDelay(double seconds, std::function<void()> function);

// Drives the default main context: for tests, and for code that must wait for the loop.
class MainLoop {
public:
    // Runs one iteration; with mayBlock, waits for an event when none is ready. True when
    // something was dispatched.
    static bool iterate(bool mayBlock);
    // Runs the loop for about the given time.
    static void runFor(double seconds);
    // Runs the loop until done() answers true or the timeout passes; answers done().
    static bool runUntil(const std::function<bool()>& done, double timeoutSeconds);
};
