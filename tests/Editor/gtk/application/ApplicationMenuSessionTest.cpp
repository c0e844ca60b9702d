// The Tarnwick menu as its user chooses from it: the about box, the one preferences window and the
// work-offline switch, with real pointer events on the running program.

#include "ApplicationSession.h"
#include "Utils/VersionInfoUtils.h"
#include "support/DisplayRequirement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace {

constexpr const char* WelcomeTitle = "Welcome";

class ApplicationMenuSessionTest : public WholeProgramTest {
protected:
    // The whole display as a picture, for a person to look at, when the run asks for it.
    static void screenshot(const std::string& name)
    {
        if (const char* folder = std::getenv("TARNWICK_SESSION_SCREENSHOTS"))
            runCommand({"import", "-window", "root", std::string(folder) + "/" + name + ".png"});
    }

    ApplicationHome home;
};

bool contains(const std::vector<std::string>& texts, const std::string& text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST_F(ApplicationMenuSessionTest, AboutBoxThenOnePreferencesWindowThenWorkOffline)
{
    RunningApplication application(home, *bus);
    ASSERT_GT(application.pid(), 0);
    ASSERT_TRUE(application.waitForWindow(WelcomeTitle));
    // The one-off messages are checked a second after the map shows; the home marked them seen, so
    // none may come. Nothing shows that the check ran, so the menus are driven meanwhile and the
    // last step looks, once the second has surely passed.
    const auto messagesChecked = std::chrono::steady_clock::now() + 1500ms;

    ASSERT_TRUE(application.chooseMenuItem("Tarnwick", "About Tarnwick…"));
    std::vector<Element> alerts;
    ASSERT_TRUE(eventually([&] { return !(alerts = application.findAll(ATSPI_ROLE_ALERT)).empty(); }, "the about box"));
    const std::vector<std::string> texts = labelsIn(alerts.front());
    EXPECT_TRUE(contains(texts, "Tarnwick"));
    EXPECT_TRUE(contains(texts,
                         "Version: " + VersionInfoUtils::readibleVersionBuildNumber() + "\n" +
                             bundleInfoValue("NSHumanReadableCopyright")))
        << ::testing::PrintToString(texts);
    screenshot("about");
    ASSERT_TRUE(application.click(ATSPI_ROLE_PUSH_BUTTON, "OK"));
    ASSERT_TRUE(eventually([&] { return application.findAll(ATSPI_ROLE_ALERT).empty(); }, "the about box to go"));

    // The window opens on its first pane, each pane a button of its switcher.
    ASSERT_TRUE(application.chooseMenuItem("Tarnwick", "Preferences…"));
    ASSERT_TRUE(application.waitForWindow("General"));
    for (const char* pane : {"General", "Snapping", "Fonts", "Images", "Maintenance", "Device Link"})
        EXPECT_TRUE(application.find(ATSPI_ROLE_RADIO_BUTTON, pane) || application.find(ATSPI_ROLE_TOGGLE_BUTTON, pane))
            << pane;
    ASSERT_TRUE(application.click(application.find(ATSPI_ROLE_RADIO_BUTTON, "Maintenance") ? ATSPI_ROLE_RADIO_BUTTON
                                                                                           : ATSPI_ROLE_TOGGLE_BUTTON,
                                  "Maintenance"));
    ASSERT_TRUE(application.waitForWindow("Maintenance"));
    screenshot("preferences");
    // Chosen again, the same window comes forward on the pane it shows.
    ASSERT_TRUE(application.chooseMenuItem("Tarnwick", "Preferences…"));
    ASSERT_TRUE(application.waitForWindow("Maintenance"));
    EXPECT_FALSE(application.hasWindow("General"));

    ASSERT_TRUE(application.chooseMenuItem("Tarnwick", "Work Offline"));
    EXPECT_EQ(application.menuItemEnabled("Tarnwick", "Work Online"), true);
    ASSERT_TRUE(application.chooseMenuItem("Tarnwick", "Work Online"));
    EXPECT_EQ(application.menuItemEnabled("Tarnwick", "Work Offline"), true);

    // A wait for something not to happen: only when the steps above took less than the window.
    std::this_thread::sleep_until(messagesChecked);
    EXPECT_TRUE(application.findAll(ATSPI_ROLE_ALERT).empty()) << "a scheduled message stands in front of the window";
}

} // namespace
