#include "platform/Scheduler.h"

#include "platform/Clock.h"

#include <algorithm>
#include <cmath>

struct ScheduledEntry {
    std::function<void()> function;
    double due = 0;
    double interval = 0; // 0 for a single call
    unsigned modes = DefaultRunLoopMode;
    uint64_t sequence = 0;
    bool finished = false; // cancelled, or a single call that has run
    bool running = false;
};

namespace {

// A delay that is no number or negative means now; an endless one never comes.
double sanitizedDelay(double seconds)
{
    if (std::isnan(seconds) || seconds < 0) return 0;
    return seconds;
}

// A repeating call without an interval would keep the loop busy and starve everything else.
constexpr double MinimumInterval = 0.001;

} // namespace

ScheduledCall& ScheduledCall::operator=(ScheduledCall&& other) noexcept
{
    if (this != &other) {
        cancel();
        _entry = std::move(other._entry);
    }
    return *this;
}

void ScheduledCall::cancel()
{
    if (!_entry) return;
    _entry->finished = true;
    // Whatever the function holds goes now, unless it is the one running.
    if (!_entry->running) _entry->function = nullptr;
    _entry.reset();
}

bool ScheduledCall::isPending() const
{
    return _entry && !_entry->finished;
}

Scheduler::Scheduler(Clock& clock) : _clock(clock)
{
}

Scheduler::~Scheduler()
{
    *_alive = false;
    for (auto& entry : _entries) entry->finished = true;
}

ScheduledCall Scheduler::performAfterDelay(double delaySeconds, std::function<void()> function, unsigned modes)
{
    return add(delaySeconds, 0, std::move(function), modes);
}

ScheduledCall Scheduler::scheduleRepeating(double intervalSeconds, std::function<void()> function, unsigned modes)
{
    const double interval = std::max(sanitizedDelay(intervalSeconds), MinimumInterval);
    return add(interval, interval, std::move(function), modes);
}

ScheduledCall Scheduler::add(double delaySeconds, double intervalSeconds, std::function<void()> function,
                             unsigned modes)
{
    auto entry = std::make_shared<ScheduledEntry>();
    entry->function = std::move(function);
    entry->due = _clock.now() + sanitizedDelay(delaySeconds);
    entry->interval = intervalSeconds;
    entry->modes = modes & CommonRunLoopModes;
    entry->sequence = _nextSequence++;
    if (!entry->function || entry->modes == 0) {
        entry->finished = true;
        return ScheduledCall(std::move(entry));
    }
    // Calls are rescheduled often (a delay restarted on every key press): the cancelled ones go
    // here too, not only when something runs.
    std::erase_if(_entries, [](const auto& e) { return e->finished && !e->running; });
    _entries.push_back(entry);
    wakeAt(nextWakeTime());
    return ScheduledCall(std::move(entry));
}

Scheduler::ModeSession Scheduler::enterMode(RunLoopMode mode)
{
    const uint64_t id = _nextSession++;
    _modes.emplace_back(id, mode);
    wakeAt(nextWakeTime());
    return ModeSession(this, _alive, id);
}

void Scheduler::leaveMode(uint64_t id)
{
    // Sessions normally end innermost first; one that ends out of turn leaves the others running.
    std::erase_if(_modes, [id](const auto& m) { return m.first == id; });
    // Calls held back until now become due at once; they run at the next wake-up, not inside the
    // code that ended the session.
    wakeAt(nextWakeTime());
}

RunLoopMode Scheduler::currentMode() const
{
    return _modes.empty() ? DefaultRunLoopMode : _modes.back().second;
}

Scheduler::ModeSession::ModeSession(ModeSession&& other) noexcept
    : _scheduler(other._scheduler), _alive(std::move(other._alive)), _id(other._id)
{
    other._id = 0;
    other._scheduler = nullptr;
}

Scheduler::ModeSession& Scheduler::ModeSession::operator=(ModeSession&& other) noexcept
{
    if (this != &other) {
        end();
        _scheduler = other._scheduler;
        _alive = std::move(other._alive);
        _id = other._id;
        other._id = 0;
        other._scheduler = nullptr;
    }
    return *this;
}

void Scheduler::ModeSession::end()
{
    if (_id == 0) return;
    const uint64_t id = _id;
    _id = 0;
    if (_alive.lock()) _scheduler->leaveMode(id);
}

std::optional<double> Scheduler::nextWakeTime() const
{
    const unsigned mode = currentMode();
    std::optional<double> next;
    for (const auto& entry : _entries) {
        if (entry->finished || entry->running || !(entry->modes & mode)) continue;
        if (!next || entry->due < *next) next = entry->due;
    }
    return next;
}

void Scheduler::runDueCalls()
{
    const std::weak_ptr<bool> alive = _alive;
    const double now = _clock.now();
    std::vector<std::shared_ptr<ScheduledEntry>> due;
    for (const auto& entry : _entries)
        if (!entry->finished && !entry->running && entry->due <= now && (entry->modes & currentMode()))
            due.push_back(entry);
    std::sort(due.begin(), due.end(), [](const auto& a, const auto& b) {
        return a->due != b->due ? a->due < b->due : a->sequence < b->sequence;
    });

    for (const auto& entry : due) {
        // A call before this one may have cancelled it, opened a dialog, or run it in a nested
        // loop of its own.
        if (entry->finished || entry->running || entry->due > now || !(entry->modes & currentMode())) continue;
        std::function<void()> function;
        if (entry->interval > 0) {
            entry->due += entry->interval;
            if (entry->due <= now) entry->due = now + entry->interval;
            function = entry->function;
        } else {
            entry->finished = true;
            function = std::move(entry->function);
            entry->function = nullptr;
        }
        entry->running = true;
        function();
        if (alive.expired()) return;
        entry->running = false;
        if (entry->finished) entry->function = nullptr;
    }
    std::erase_if(_entries, [](const auto& e) { return e->finished && !e->running; });
    wakeAt(nextWakeTime());
}
