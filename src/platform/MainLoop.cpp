#include "platform/MainLoop.h"

#include <glib.h>

#include <algorithm>
#include <cmath>

struct Timer::State {
    std::function<void()> function;
    bool repeats = false;
    bool valid = true;
    bool running = false;
    guint sourceId = 0;
};

namespace {

guint milliseconds(double seconds, bool repeats)
{
    if (std::isnan(seconds) || seconds < 0) seconds = 0;
    const double ms = std::min(std::round(seconds * 1000.0), double(G_MAXUINT));
    // A repeating timer of no interval would keep the loop busy and starve everything else.
    return std::max(static_cast<guint>(ms), repeats ? 1u : 0u);
}

} // namespace

// GLib holds one reference to the state through the source, the timer the other.
int Timer::fire(void* data)
{
    std::shared_ptr<Timer::State> state = *static_cast<std::shared_ptr<Timer::State>*>(data);
    if (!state->valid) return G_SOURCE_REMOVE;
    if (!state->repeats) {
        state->valid = false;
        state->sourceId = 0;
    }
    state->running = true;
    state->function();
    state->running = false;
    if (!state->valid) {
        // Invalidated while running (or a single shot): drop what the function holds.
        state->function = nullptr;
        return G_SOURCE_REMOVE;
    }
    return G_SOURCE_CONTINUE;
}

void Timer::release(void* data)
{
    delete static_cast<std::shared_ptr<Timer::State>*>(data);
}

std::unique_ptr<Timer> Timer::scheduledTimer(double intervalSeconds, bool repeats, std::function<void()> function)
{
    auto state = std::make_shared<State>();
    state->function = std::move(function);
    state->repeats = repeats;
    if (!state->function) {
        state->valid = false;
    } else {
        state->sourceId = g_timeout_add_full(G_PRIORITY_DEFAULT, milliseconds(intervalSeconds, repeats), fire,
                                             new std::shared_ptr<State>(state), release);
    }
    return std::unique_ptr<Timer>(new Timer(std::move(state)));
}

Timer::~Timer()
{
    invalidate();
}

void Timer::invalidate()
{
    State& state = *_state;
    state.valid = false;
    if (state.sourceId != 0) {
        const guint id = state.sourceId;
        state.sourceId = 0;
        g_source_remove(id);
    }
    // A running function is released by fire() once it has returned.
    if (!state.running) state.function = nullptr;
}

bool Timer::isValid() const
{
    return _state->valid;
}

DelayedPerform performAfterDelay(double seconds, std::function<void()> function)
{
    return DelayedPerform(Timer::scheduledTimer(seconds, false, std::move(function)));
}

bool MainLoop::iterate(bool mayBlock)
{
    return g_main_context_iteration(nullptr, mayBlock ? TRUE : FALSE) != FALSE;
}

void MainLoop::runFor(double seconds)
{
    runUntil([] { return false; }, seconds);
}

bool MainLoop::runUntil(const std::function<bool()>& done, double timeoutSeconds)
{
    bool timedOut = false;
    // The wake-up source makes a blocking iteration return by the deadline.
    const guint wakeUp = g_timeout_add_full(
        G_PRIORITY_HIGH, milliseconds(timeoutSeconds, false),
        [](gpointer flag) -> gboolean {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &timedOut, nullptr);
    while (!done() && !timedOut) g_main_context_iteration(nullptr, TRUE);
    if (!timedOut) g_source_remove(wakeUp);
    return done();
}
