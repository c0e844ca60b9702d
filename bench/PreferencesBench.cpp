#include "BenchGtk.h"
#include "Editor/ApplicationActions.h"
#include "platform/UserDefaults.h"
#include "preferences/gtk/PreferencesInstallation.h"
#include "preferences/gtk/PreferencesWindow.h"

#include <benchmark/benchmark.h>
#include <gtkmm.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

namespace {

void drainEvents()
{
    while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
}

// One switch between two panes of the shown preferences window, as a toolbar click makes it,
// until the window has drawn the new pane: the old pane goes, the new one is embedded and the
// window takes its size. The panes were each shown once before, as after the first look.
void BM_PreferencesPaneSwitch(benchmark::State& state)
{
    if (!startGtk()) {
        state.SkipWithError("needs a display");
        return;
    }
    char pattern[] = "/tmp/tarnwick-preferences-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string home = pattern;
    std::map<std::string, std::string> saved;
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME"})
        if (const char* value = std::getenv(name)) saved[name] = value;
    setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    UserDefaults::standard().resetForTesting();
    installPreferences();
    {
        PreferencesWindow window(PreferencesWindowController::panes(), PreferencesWindowController::MinimumWidth);
        window.show();
        const char* panes[] = {"GeneralOptions", "SnapOptions", "GlobalFonts", "Maintenance"};
        for (const char* pane : panes) {
            window.toolbarItem(pane)->set_active(true);
            drainEvents();
        }
        size_t next = 0;
        for (auto _ : state) {
            window.toolbarItem(panes[next++ % 4])->set_active(true);
            drainEvents();
            if (auto gdkWindow = window.get_window()) gdkWindow->process_updates(true);
            drainEvents();
        }
        window.hide();
        drainEvents();
    }
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
        auto found = saved.find(name);
        if (found != saved.end()) setenv(name, found->second.c_str(), 1);
        else unsetenv(name);
    }
    UserDefaults::standard().resetForTesting();
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
}
BENCHMARK(BM_PreferencesPaneSwitch)->Unit(benchmark::kMillisecond);

} // namespace
