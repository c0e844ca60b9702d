#pragma once

#include <functional>
#include <memory>
#include <string>

// A start that waits on another program (the running Tarnwick that is to take its files, or one
// that still holds the store while it quits) runs the main loop meanwhile, and once the wait has
// lasted a moment says what it waits for: on standard error and, where a window can be shown, in
// a small window with one way out. The user who takes it, or a signal that ends the program,
// gives the wait up.
class StartupWait {
public:
    struct Notice {
        std::string title;
        std::string detail;
        // The one button: what giving up does ("Stop Waiting", "Quit").
        std::string giveUpTitle;
    };

    // Shows a notice until it is destroyed; giveUp is called when the user takes the way out.
    class Presenter {
    public:
        virtual ~Presenter() = default;
    };
    // Makes the presenter when the notice is due; nullptr where no window can be shown.
    using PresenterFactory = std::function<std::unique_ptr<Presenter>(const Notice&, std::function<void()> giveUp)>;
    static void setPresenterFactory(PresenterFactory factory);

    static constexpr double NoticeDelaySeconds = 1.0;
    static constexpr double PollSeconds = 0.1;

    // Runs the main loop until done() answers true (true) or the wait is given up (false). done()
    // is asked after every event and at least every PollSeconds.
    static bool run(const std::function<bool()>& done, const Notice& notice);
};
