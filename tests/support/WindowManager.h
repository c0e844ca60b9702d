#pragma once

#include "support/WindowFrameProbe.h"

#include <glib.h>

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <thread>

// A window manager on the test's display, as on a desktop, unless one runs already; it goes with
// the object. The tests whose fault shows only where a window manager stacks, focuses and
// reparents windows run under it. Made, it manages the windows shown from then on.
class WindowManager {
public:
    WindowManager()
    {
        if (running()) {
            if (!windowManagerFramesAProbe(std::chrono::steady_clock::now() + std::chrono::seconds(30)))
                _failure = "the window manager that runs frames no window";
            return;
        }
        // On a loaded machine openbox can give up on the display while the previous one's
        // selection is still being released; a second try settles it.
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (!start()) return;
            if (waitForStart()) {
                _failure.clear();
                return;
            }
            _failure = "openbox did not take over";
            stop();
        }
    }
    ~WindowManager()
    {
        if (_pid > 0) stop();
    }
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    // Empty once a window manager runs.
    const std::string& failure() const { return _failure; }

    // A window manager announces itself on the root window.
    static bool running()
    {
        gchar* output = nullptr;
        gint status = 0;
        const char* argv[] = {"xprop", "-root", "_NET_SUPPORTING_WM_CHECK", nullptr};
        const bool ran = g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr,
                                      GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_STDERR_TO_DEV_NULL), nullptr, nullptr,
                                      &output, nullptr, &status, nullptr);
        const bool announced =
            ran && status == 0 && output && std::string(output).find("window id") != std::string::npos;
        g_free(output);
        return announced;
    }

private:
    bool start()
    {
        const char* argv[] = {"openbox", "--sm-disable", nullptr};
        GError* error = nullptr;
        if (!g_spawn_async(nullptr, const_cast<gchar**>(argv), nullptr,
                           GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL |
                                       G_SPAWN_STDERR_TO_DEV_NULL),
                           nullptr, nullptr, &_pid, &error)) {
            _failure = std::string("openbox does not start (scripts/install-deps.sh): ") + error->message;
            g_error_free(error);
            _pid = 0;
            return false;
        }
        return true;
    }

    // Until it manages the windows shown, or ends; a bound keeps a window manager that hangs from
    // hanging the test. It announces itself before it takes over the windows being shown, and one
    // shown in between stays without its frame: the announcement alone is not enough.
    bool waitForStart()
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < end) {
            if (running()) return windowManagerFramesAProbe(end);
            int status = 0;
            if (waitpid(_pid, &status, WNOHANG) == _pid) {
                _pid = 0;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    void stop()
    {
        if (_pid > 0) {
            kill(_pid, SIGTERM);
            int status = 0;
            waitpid(_pid, &status, 0);
            _pid = 0;
        }
        // A window manager that ends may leave its mark on the root window; the next test would
        // take it for one that runs and start none.
        const char* argv[] = {"xprop", "-root", "-remove", "_NET_SUPPORTING_WM_CHECK", nullptr};
        g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr,
                     GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
                     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    }

    GPid _pid = 0;
    std::string _failure;
};
