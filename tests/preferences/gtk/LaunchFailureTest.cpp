// A launch the desktop cannot carry out reaches the window, on every road a launch takes: the
// store's folder from the maintenance pane, the mailed files, and the file manager asked over the
// session bus, whose failure comes after the launcher answered.

#include "Editor/MailMapAction.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/GtkUriLauncher.h"
#include "preferences/MaintenanceModel.h"
#include "support/RecordingUriLauncher.h"
#include "support/ScopedEnvironment.h"
#include "support/ScriptedAlertPanel.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>

namespace {

// A session bus of the test's own, where no file manager answers.
class PrivateSessionBus {
public:
    PrivateSessionBus()
    {
        // Its services are looked for where the test's desktop keeps them: none answers.
        const char* argv[] = {"dbus-daemon", "--session", "--nofork", "--print-address=1", nullptr};
        int out = -1;
        if (!g_spawn_async_with_pipes(nullptr, const_cast<gchar**>(argv), nullptr,
                                      GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_STDERR_TO_DEV_NULL), nullptr, nullptr,
                                      &_pid, nullptr, &out, nullptr, nullptr))
            return;
        std::string line;
        char c = 0;
        while (read(out, &c, 1) == 1 && c != '\n') line += c;
        close(out);
        if (!line.empty()) _address.emplace("DBUS_SESSION_BUS_ADDRESS", line);
    }
    ~PrivateSessionBus()
    {
        if (_pid > 0) kill(_pid, SIGTERM);
    }
    bool running() const { return _address.has_value(); }

private:
    GPid _pid = 0;
    std::optional<ScopedEnvironment> _address;
};

bool loopUntil(const std::function<bool()>& condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition() && std::chrono::steady_clock::now() < end) g_main_context_iteration(nullptr, FALSE);
    return condition();
}

} // namespace

TEST(LaunchFailureTest, EveryFailedLaunchIsAnAlertNamingWhatDidNotOpenAndWhy)
{
    Gio::init();
    // A desktop that knows no program: no file manager, nothing that opens a folder.
    TempDir home;
    std::filesystem::create_directories(home.file("data"));
    ScopedEnvironment data("XDG_DATA_HOME", home.file("data")), dataDirs("XDG_DATA_DIRS", home.file("data")),
        config("XDG_CONFIG_HOME", home.file("config")), configDirs("XDG_CONFIG_DIRS", home.file("config"));
    UserDefaults::standard().resetForTesting();
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.running()) << "dbus-daemon does not start";
    const std::string folder = home.file("Mind Maps");
    const std::string file = home.file("Scratch/Plan.pdf");
    ScriptedAlertPanel alerts;

    struct Road {
        const char* name;
        std::function<void()> launch;
        std::string target;
        // Why, where the test knows the desktop's words; else any text beside the target.
        std::string reason;
    };
    RecordingUriLauncher refusing;
    refusing.succeeds = false;
    MaintenanceModel::Services services;
    services.uriLauncher = &refusing;
    services.alerts = &alerts;
    MaintenanceModel maintenance(UserDefaults::standard(), services);
    GtkUriLauncher desktop;
    const Road roads[] = {
        {"the store's folder, refused at once", [&] { maintenance.openStoreDirectory(folder); }, folder,
         refusing.reason},
        {"the mailed files, refused at once",
         [&] {
             alerts.answers.push_back({AlertPanel::FirstButtonReturn, {}});
             MailMapAction::reportResult(MailComposer::Result::NoMailProgram, home.file("Scratch"), {file});
         },
         file, refusing.reason},
        {"the file manager over the bus, failing later",
         [&] {
             UriLauncher::setShared(&desktop);
             EXPECT_TRUE(desktop.showInFileManager(file)) << "asked without waiting";
         },
         file},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        alerts.requests.clear();
        road.launch();
        const bool shown = loopUntil([&] {
            return !alerts.requests.empty() &&
                alerts.requests.back().informativeText.find(road.target) != std::string::npos;
        });
        EXPECT_TRUE(shown) << "no alert names the target";
        if (!shown) continue;
        const std::string& text = alerts.requests.back().informativeText;
        if (!road.reason.empty()) {
            EXPECT_NE(text.find(road.reason), std::string::npos) << text;
        } else {
            EXPECT_GT(text.size(), road.target.size() + 10) << "the alert says why: " << text;
        }
    }
    UriLauncher::setShared(nullptr);
    UserDefaults::standard().resetForTesting();
}
