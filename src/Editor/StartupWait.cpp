#include "Editor/StartupWait.h"

#include "platform/MainLoop.h"

#include <glib-unix.h>

#include <chrono>
#include <csignal>
#include <cstdio>
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

bool StartupWait::run(const std::function<bool()>& done, const Notice& notice, const std::function<bool()>& mayGiveUp)
{
    // Set by the way out and by signals; the request is decided in the loop, never inside a
    // handler of the window.
    bool giveUpAsked = false;
    // Nothing of the program is there yet to quit: a signal that would end it ends the wait, and
    // the start then says what it leaves undone.
    std::vector<unsigned> signalSources;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        signalSources.push_back(g_unix_signal_add(
            signal,
            [](gpointer flag) -> gboolean {
                *static_cast<bool*>(flag) = true;
                return G_SOURCE_CONTINUE;
            },
            &giveUpAsked));
    }
    const std::unique_ptr<Timer> poll = Timer::scheduledTimer(PollSeconds, true, [] {});
    const auto started = std::chrono::steady_clock::now();
    std::unique_ptr<Presenter> presenter;
    bool noticed = false;
    bool gaveUp = false;
    bool underWay = false;
    while (!done()) {
        if (giveUpAsked) {
            giveUpAsked = false;
            if (!mayGiveUp || mayGiveUp()) {
                gaveUp = true;
                break;
            }
            if (!underWay) {
                underWay = true;
                std::fprintf(stderr, "tarnwick: %s\n", notice.underWayDetail.c_str());
                if (presenter) presenter->showUnderWay();
            }
            continue;
        }
        if (!noticed &&
            std::chrono::steady_clock::now() - started >= std::chrono::duration<double>(NoticeDelaySeconds)) {
            noticed = true;
            std::fprintf(stderr, "tarnwick: %s\n%s\n", notice.title.c_str(), notice.detail.c_str());
            if (presenterFactory()) presenter = presenterFactory()(notice, [&giveUpAsked] { giveUpAsked = true; });
            if (presenter && underWay) presenter->showUnderWay();
        }
        MainLoop::iterate(true);
    }
    presenter.reset();
    for (unsigned source : signalSources) g_source_remove(source);
    return !gaveUp;
}
