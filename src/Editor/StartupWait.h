#pragma once

#include <functional>
#include <memory>
#include <string>

// A start that waits on another program (the running Tarnwick that is to take its files, or one
// that still holds the store while it quits) runs the main loop meanwhile, and once the wait has
// lasted a moment says what it waits for: on standard error and, where a window can be shown, in
// a small window with one way out. The user who takes it, or a signal that ends the program,
// asks to give the wait up; what is waited for may already be under way, and then the wait goes on
// and says so: for the user as long as it takes, for a signal a few seconds at most.
class StartupWait {
public:
    struct Notice {
        std::string title;
        std::string detail;
        // The one button: what giving up does ("Stop Waiting", "Quit").
        std::string giveUpTitle;
        // What the wait says once giving it up came too late: what it waits for is under way.
        std::string underWayDetail;
    };

    // Shows a notice until it is destroyed; giveUp is called when the user takes the way out.
    class Presenter {
    public:
        virtual ~Presenter() = default;
        // Giving up came too late: the notice says notice.underWayDetail and offers no way out.
        virtual void showUnderWay() {}
    };
    // Makes the presenter when the notice is due; nullptr where no window can be shown.
    using PresenterFactory = std::function<std::unique_ptr<Presenter>(const Notice&, std::function<void()> giveUp)>;
    static void setPresenterFactory(PresenterFactory factory);

    static constexpr double NoticeDelaySeconds = 1.0;
    static constexpr double PollSeconds = 0.1;
    // How long a wait that a signal asked to end goes on for what is under way.
    static constexpr double SignalGraceSeconds = 2.0;

    enum class Outcome {
        // done() answered true.
        Done,
        // Given up, by the user or a signal.
        GaveUp,
        // A signal asked to end the wait while what it waits for was under way: done() answered
        // true within the grace (DoneWhenSignalled), or the grace ran out (Interrupted).
        DoneWhenSignalled,
        Interrupted,
    };

    // Runs the main loop until done() answers true or the wait ends otherwise. done() is asked
    // after every event and at least every PollSeconds. A request to give up is put to mayGiveUp,
    // when given: false keeps the wait, which then says that what it waits for is under way. After
    // a signal's request it is asked again every PollSeconds, for SignalGraceSeconds at most.
    static Outcome run(const std::function<bool()>& done, const Notice& notice,
                       const std::function<bool()>& mayGiveUp = {});
};
