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

bool StartupWait::run(const std::function<bool()>& done, const Notice& notice)
{
    bool gaveUp = false;
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
            &gaveUp));
    }
    const std::unique_ptr<Timer> poll = Timer::scheduledTimer(PollSeconds, true, [] {});
    const auto started = std::chrono::steady_clock::now();
    std::unique_ptr<Presenter> presenter;
    bool noticed = false;
    while (!gaveUp && !done()) {
        if (!noticed &&
            std::chrono::steady_clock::now() - started >= std::chrono::duration<double>(NoticeDelaySeconds)) {
            noticed = true;
            std::fprintf(stderr, "tarnwick: %s\n%s\n", notice.title.c_str(), notice.detail.c_str());
            if (presenterFactory()) presenter = presenterFactory()(notice, [&gaveUp] { gaveUp = true; });
        }
        MainLoop::iterate(true);
    }
    presenter.reset();
    for (unsigned source : signalSources) g_source_remove(source);
    return !gaveUp;
}
