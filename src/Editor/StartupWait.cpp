#include "Editor/StartupWait.h"

#include "platform/MainLoop.h"

#include <glib-unix.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

StartupWait::PresenterFactory& presenterFactory()
{
    static StartupWait::PresenterFactory factory;
    return factory;
}

} // namespace

void StartupWait::setPresenterFactory(PresenterFactory factory)
{
    presenterFactory() = std::move(factory);
}

StartupWait::Outcome StartupWait::run(const std::function<bool()>& done, const Notice& notice,
                                      const std::function<bool()>& mayGiveUp)
{
    using Clock = std::chrono::steady_clock;
    // Set by the way out and by signals; the request is decided in the loop, never inside a
    // handler of the window.
    enum class Asked { No, ByUser, BySignal };
    Asked asked = Asked::No;
    // Nothing of the program is there yet to quit: a signal that would end it ends the wait, and
    // the start then says what it leaves undone.
    std::vector<unsigned> signalSources;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        signalSources.push_back(g_unix_signal_add(
            signal,
            [](gpointer flag) -> gboolean {
                *static_cast<Asked*>(flag) = Asked::BySignal;
                return G_SOURCE_CONTINUE;
            },
            &asked));
    }
    const std::unique_ptr<Timer> poll = Timer::scheduledTimer(PollSeconds, true, [] {});
    const auto started = Clock::now();
    std::unique_ptr<Presenter> presenter;
    bool noticed = false;
    bool underWay = false;
    // Once a signal's request was refused: when the wait ends regardless, and when it asks again.
    std::optional<Clock::time_point> signalDeadline;
    Clock::time_point askAgain;
    Outcome outcome = Outcome::Done;
    while (true) {
        if (done()) {
            outcome = signalDeadline ? Outcome::DoneWhenSignalled : Outcome::Done;
            break;
        }
        const auto now = Clock::now();
        if (signalDeadline && now >= *signalDeadline) {
            outcome = Outcome::Interrupted;
            break;
        }
        if (asked == Asked::BySignal && !signalDeadline) {
            signalDeadline =
                now + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(SignalGraceSeconds));
            askAgain = now;
        }
        // What was under way may have been let go of meanwhile.
        const bool askedBySignal = signalDeadline && now >= askAgain;
        if (asked != Asked::No || askedBySignal) {
            asked = Asked::No;
            if (!mayGiveUp || mayGiveUp()) {
                outcome = Outcome::GaveUp;
                break;
            }
            if (signalDeadline)
                askAgain = Clock::now() +
                    std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(PollSeconds));
            if (!underWay) {
                underWay = true;
                std::fprintf(stderr, "tarnwick: %s\n", notice.underWayDetail.c_str());
                if (presenter) presenter->showUnderWay();
            }
            continue;
        }
        if (!noticed && now - started >= std::chrono::duration<double>(NoticeDelaySeconds)) {
            noticed = true;
            std::fprintf(stderr, "tarnwick: %s\n%s\n", notice.title.c_str(), notice.detail.c_str());
            if (presenterFactory())
                presenter = presenterFactory()(notice, [&asked] {
                    if (asked == Asked::No) asked = Asked::ByUser;
                });
            if (presenter && underWay) presenter->showUnderWay();
        }
        MainLoop::iterate(true);
    }
    presenter.reset();
    for (unsigned source : signalSources) g_source_remove(source);
    return outcome;
}
