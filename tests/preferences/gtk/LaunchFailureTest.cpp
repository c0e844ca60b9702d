// A launch the desktop cannot carry out reaches the window on every road, also when the file
// manager asked over the session bus fails after the launcher answered: each says what did not open
// (a file, an address, the folder that was to be shown) and the reason the desktop gave.

#include "Editor/MailMapAction.h"
#include "Utils/RecordingFeedbackSink.h"
#include "editor-view/EditorViewTestSupport.h"
#include "panels/URLLinkPanelController.h"
#include "panels/gtk/RealInput.h"
#include "platform/Localizer.h"
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

#include <filesystem>
#include <optional>

namespace {

// A session bus of the test's own, where no file manager answers.
class PrivateSessionBus {
public:
    PrivateSessionBus()
    {
        const char* argv[] = {"dbus-daemon", "--session", "--nofork", "--print-address=1", nullptr};
        int out = -1;
        if (!g_spawn_async_with_pipes(nullptr, const_cast<gchar**>(argv), nullptr,
                                      GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_STDERR_TO_DEV_NULL), nullptr, nullptr,
                                      &_pid, nullptr, &out, nullptr, nullptr))
            return;
        std::string line;
        for (char c = 0; read(out, &c, 1) == 1 && c != '\n';) line += c;
        close(out);
        if (!line.empty()) address.emplace("DBUS_SESSION_BUS_ADDRESS", line);
    }
    ~PrivateSessionBus()
    {
        if (_pid > 0) kill(_pid, SIGTERM);
    }
    std::optional<ScopedEnvironment> address;

private:
    GPid _pid = 0;
};

} // namespace

// Set in the process of its own that the test runs in.
constexpr const char* AloneVariable = "TW_LAUNCH_FAILURE_ALONE";

TEST(LaunchFailureTest, EveryFailedLaunchIsAnAlertNamingWhatDidNotOpenAndWhy)
{
    if (!std::getenv(AloneVariable)) {
        // A desktop that knows no program, so nothing opens a folder. GLib reads the desktop's
        // folders and the type database once a process: made here, they would stay empty for
        // the tests after this one, so the test runs again in a process of its own.
        TempDir home;
        std::filesystem::create_directories(home.file("data"));
        gchar** environment = g_get_environ();
        for (const auto& [name, value] : {std::pair{"XDG_DATA_HOME", home.file("data")},
                                          {"XDG_DATA_DIRS", home.file("data")},
                                          {"XDG_CONFIG_HOME", home.file("config")},
                                          {"XDG_CONFIG_DIRS", home.file("config")},
                                          {AloneVariable, home.path()}})
            environment = g_environ_setenv(environment, name, value.c_str(), true);
        const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        const std::string filter = std::string("--gtest_filter=LaunchFailureTest.") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
        const char* argv[] = {self.c_str(), filter.c_str(), nullptr};
        gchar* output = nullptr;
        gint status = 0;
        const bool ran = g_spawn_sync(nullptr, const_cast<gchar**>(argv), environment, G_SPAWN_STDERR_TO_DEV_NULL,
                                      nullptr, nullptr, &output, nullptr, &status, nullptr);
        g_strfreev(environment);
        const std::string printed = output ? output : "";
        g_free(output);
        ASSERT_TRUE(ran);
        EXPECT_TRUE(g_spawn_check_wait_status(status, nullptr)) << printed;
        EXPECT_NE(printed.find("[  PASSED  ] 1 test"), std::string::npos) << printed;
        return;
    }
    Gio::init();
    const std::string home = std::getenv(AloneVariable);
    const auto inHome = [&home](const std::string& name) { return home + "/" + name; };
    UserDefaults::standard().resetForTesting();
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.address) << "dbus-daemon does not start";
    const std::string folder = inHome("Mind Maps"), scratch = inHome("Scratch"), file = inHome("Scratch/Plan.pdf"),
                      notes = inHome("Scratch/Notes.xyz");
    // The folders exist: what fails is the desktop, not a missing folder. What the desktop says
    // when it knows no program for a folder is what the alert shows.
    std::filesystem::create_directories(inHome("Scratch"));
    std::filesystem::create_directories(folder);
    g_file_set_contents(notes.c_str(), "notes", -1, nullptr);
    const std::string desktopReason = "No application is registered as handling this file";
    ScriptedAlertPanel alerts;
    RecordingFeedbackSink notices;
    // A topic on the canvas that links to the file.
    FakeTextMeasurer measurer;
    TextMeasurer::setShared(&measurer);
    ManualScheduler scheduler;
    editortest::CountingHost host;
    MindMapEditor canvas(&scheduler);
    canvas.setHost(&host);
    auto map = std::make_shared<MindMap>();
    map->newMindMap("", true, std::string("Plans"));
    map->mainCentralTheme()->linkToURL(notes);
    canvas.setMindMap(map);
    RecordingUriLauncher refusing;
    refusing.succeeds = false;
    MaintenanceModel maintenance(UserDefaults::standard(), {});
    GtkUriLauncher desktop;
    // The store folder's alert offers the help page, also when the file manager fails late.
    const std::vector<std::string> withHelp = {localized("ok_button_title"), localized("help_ad_dialog_help_button")},
                                   okOnly = {localized("ok_button_title")};
    const struct {
        std::function<void()> launch;
        std::string target, reason;
        // The failure's alert, the road's last; the mail road asks first. A link on the canvas
        // says it in a notice.
        std::vector<std::string> buttons;
        size_t alerts;
    } roads[] = {
        {[&] { maintenance.openStoreDirectory(folder); }, folder, refusing.reason, withHelp, 1},
        {[&] {
             alerts.answers.push_back({AlertPanel::FirstButtonReturn, {}});
             MailMapAction::reportResult(MailComposer::Result::NoMailProgram, scratch, {file});
         },
         scratch, refusing.reason, okOnly, 2},
        {[&] {
             UriLauncher::setShared(&desktop);
             maintenance.openStoreDirectory(folder);
         },
         folder, desktopReason, withHelp, 1},
        // The folder did not show, not the file in it.
        {[&] { desktop.showInFileManager(file); }, scratch, desktopReason, okOnly, 1},
        {[&] { URLLinkPanelController(notes, false, "").testLinkClicked(); }, notes, desktopReason, okOnly, 1},
        {[&] { canvas.handleLinkClick(map->mainCentralTheme()); }, notes, desktopReason, {}, 0},
    };
    for (const auto& road : roads) {
        SCOPED_TRACE(road.target);
        alerts.requests.clear();
        notices.notifications.clear();
        road.launch();
        // Each road is checked even when one before it failed.
        const auto shown = [&] {
            if (!notices.notifications.empty()) return notices.notifications.back().message;
            return alerts.requests.empty()
                ? std::string()
                : alerts.requests.back().messageText + "\n" + alerts.requests.back().informativeText;
        };
        EXPECT_TRUE(RealInput::pumpUntil([&] { return shown().find(road.target) != std::string::npos; }, 30000));
        const std::string text = shown();
        EXPECT_NE(text.find(road.reason), std::string::npos) << text;
        EXPECT_EQ(text.find("Plan.pdf"), std::string::npos) << "the file to show is no failure of its own: " << text;
        EXPECT_GT(text.size(), road.target.size() + 10) << "the alert says why: " << text;
        EXPECT_EQ(alerts.requests.size(), road.alerts) << "one failure, one alert";
        std::vector<std::string> buttons;
        if (!alerts.requests.empty())
            for (const AlertPanel::Button& button : alerts.requests.back().buttons) buttons.push_back(button.title);
        EXPECT_EQ(buttons, road.buttons) << text;
    }
    TextMeasurer::setShared(nullptr);
    UserDefaults::standard().resetForTesting();
}
