#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Clock;

// What the user is in the middle of. A mouse drag (a tracking session) and a modal dialog each run
// in a mode of their own. A call scheduled for the default mode only, such as autosave or a delayed
// edit, waits while another mode runs, however long that takes, and runs once it has ended: the
// main loop's own timers would fire inside the nested loops of drags and dialogs and change the
// map under the user's hands.
enum RunLoopMode : unsigned {
    DefaultRunLoopMode = 1,
    EventTrackingRunLoopMode = 2,
    ModalPanelRunLoopMode = 4,
};
// Calls that must run whatever the user does, such as the periodic tick of a drag.
inline constexpr unsigned CommonRunLoopModes = DefaultRunLoopMode | EventTrackingRunLoopMode | ModalPanelRunLoopMode;

struct ScheduledEntry;

// A pending call; cancelled when this token is reset, reassigned or destroyed. Keep it as a member
// of the object the call concerns, so that the call never outlives that object. Tokens may outlive
// their scheduler.
class ScheduledCall {
public:
    ScheduledCall() = default;
    explicit ScheduledCall(std::shared_ptr<ScheduledEntry> entry) : _entry(std::move(entry)) {}
    ScheduledCall(ScheduledCall&& other) noexcept = default;
    ScheduledCall& operator=(ScheduledCall&& other) noexcept;
    ScheduledCall(const ScheduledCall&) = delete;
    ScheduledCall& operator=(const ScheduledCall&) = delete;
    ~ScheduledCall() { cancel(); }

    void cancel();
    // False once cancelled, and after a single call has run.
    bool isPending() const;

private:
    std::shared_ptr<ScheduledEntry> _entry;
};

// Delayed and periodic calls that respect run-loop modes. The queue and the modes live here; a
// backend only wakes the scheduler at the time it asks for (the GLib main loop in the application,
// a hand-driven double in tests). Main thread only.
class Scheduler {
public:
    explicit Scheduler(Clock& clock);
    virtual ~Scheduler();
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    Clock& clock() const { return _clock; }

    // Calls the function once, the delay from now (0: at the next wake-up), as soon as one of the
    // modes runs.
    [[nodiscard]] ScheduledCall performAfterDelay(double delaySeconds, std::function<void()> function,
                                                  unsigned modes = DefaultRunLoopMode);
    // Calls the function every interval until cancelled. Beats missed while none of its modes ran
    // are not made up: it runs once when one of them runs again and keeps its rhythm from there.
    [[nodiscard]] ScheduledCall scheduleRepeating(double intervalSeconds, std::function<void()> function,
                                                  unsigned modes = DefaultRunLoopMode);

    // Keeps a mode running for its lifetime. Sessions nest; the innermost one is the current mode.
    class ModeSession {
    public:
        ModeSession() = default;
        ModeSession(ModeSession&& other) noexcept;
        ModeSession& operator=(ModeSession&& other) noexcept;
        ModeSession(const ModeSession&) = delete;
        ModeSession& operator=(const ModeSession&) = delete;
        ~ModeSession() { end(); }
        void end();
        bool isActive() const { return _id != 0; }

    private:
        friend class Scheduler;
        ModeSession(Scheduler* scheduler, std::weak_ptr<bool> alive, uint64_t id)
            : _scheduler(scheduler), _alive(std::move(alive)), _id(id)
        {
        }
        Scheduler* _scheduler = nullptr;
        std::weak_ptr<bool> _alive;
        uint64_t _id = 0;
    };
    [[nodiscard]] ModeSession enterMode(RunLoopMode mode);
    RunLoopMode currentMode() const;
    // A drag or a dialog is under way: default-mode calls are held back.
    bool isHoldingBackDefaultMode() const { return currentMode() != DefaultRunLoopMode; }

    // Runs every call that is due and allowed in the current mode, earliest first (calls due at the
    // same time in the order they were scheduled). The backend calls this when a wake-up comes.
    void runDueCalls();
    // When the next call allowed in the current mode is due; nothing when none is waiting.
    std::optional<double> nextWakeTime() const;

protected:
    // Asks the backend to call runDueCalls() at that clock time or soon after, never from inside
    // this call; replaces the request before. Nothing: no wake-up is needed.
    virtual void wakeAt(std::optional<double> time) = 0;

private:
    ScheduledCall add(double delaySeconds, double intervalSeconds, std::function<void()> function, unsigned modes);
    void leaveMode(uint64_t id);

    Clock& _clock;
    std::vector<std::shared_ptr<ScheduledEntry>> _entries;
    std::vector<std::pair<uint64_t, RunLoopMode>> _modes;
    uint64_t _nextSequence = 1;
    uint64_t _nextSession = 1;
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};
