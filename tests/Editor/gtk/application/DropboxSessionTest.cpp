// Dropbox as its user meets it, against the loopback stand-in of the service: the cloud set-up tab
// connects, the desktop's browser signs in and hands the sign-in back to a second start of the
// program, and the connection outlives a restart until the user disconnects; a Dropbox map is
// reopened, edited with the keyboard, goes up at quit, and a change made on Dropbox shows at the
// next start.

#include "ApplicationSession.h"
#include "platform/PropertyList.h"
#include "support/FakeDropboxServer.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <iostream>
#include <set>
#include <string_view>

namespace {

constexpr const char* CloudsTab = "Clouds";
constexpr const char* ConnectButton = "Connect";
constexpr const char* DisconnectButton = "Disconnect";
constexpr const char* PlanPath = "/Tarnwick/Plan.twkx";
constexpr const char* PlanGuid = "D40B0C5E1EC7A11A11C0FFEE";

// A native map with its central topic selected, as a phone or another computer put it on Dropbox.
std::string planMap(const std::string& title, const std::string& child)
{
    return std::string(R"(<?xml version="1.0" encoding="UTF-8"?>
<tarnwick-mindmaps doc-version="3">
  <mindmap>
    <meta>
      <guid guid=")") +
        PlanGuid + R"(" />
      <title text=")" +
        title + R"(" customized="true" />
      <main-centraltheme id="0" />
      <selection type="node" id="0" />
    </meta>
    <topics>
      <topic id="0" parent="-1" x="0" y="0" text=")" +
        title + R"(" />
      <topic id="1" parent="0" x="150" y="0" text=")" +
        child + R"(" />
    </topics>
    <relations />
  </mindmap>
</tarnwick-mindmaps>
)";
}

std::string fileText(const std::string& path)
{
    return std::filesystem::exists(path) ? readTestFile(path) : std::string();
}

class DropboxSessionTest : public WholeProgramTest {
protected:
    void SetUp() override
    {
        WholeProgramTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_EQ(runCommand({"sh", "-c", "command -v curl && command -v gio"}), 0)
            << "the test's browser needs curl and gio (scripts/install-deps.sh)";
        registerDesktop();
        keyring = std::make_unique<UnlockedKeyring>(home, *bus);
    }
    void TearDown() override { keyring.reset(); }

    // The test user's desktop: a browser that follows the sign-in page against the stand-in (which
    // answers with the redirect at once, as a signed-in user's browser gets it) and opens the
    // redirect as browsers open addresses of other programs; and the program's launcher, which
    // claims the sign-in's scheme as an installed one built with that app key does.
    void registerDesktop()
    {
        const std::string applications = home.dataHome() + "/applications";
        std::filesystem::create_directories(applications);
        const std::string browser = home.file("test-browser");
        writeTestFile(
            browser,
            "#!/bin/sh\n"
            "echo \"$1\" >>\"$HOME/browser.log\"\n"
            "redirect=$(curl -s --noproxy '*' -o /dev/null -D - \"$1\" | tr -d '\\r' | sed -n 's/^[Ll]ocation: //p')\n"
            "echo \"$redirect\" >>\"$HOME/browser.log\"\n"
            "exec gio open \"$redirect\"\n");
        chmod(browser.c_str(), 0755);
        writeTestFile(applications + "/tw-test-browser.desktop",
                      "[Desktop Entry]\nType=Application\nName=Test browser\nExec=" + browser +
                          " %u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;\n");

        std::string launcher = readTestFile(TARNWICK_LAUNCHER);
        const std::string scheme = std::string("x-scheme-handler/db-") + FakeDropboxServer::AppKey + ";";
        const size_t mimeTypes = launcher.find("MimeType=");
        ASSERT_NE(mimeTypes, std::string::npos);
        launcher.insert(launcher.find('\n', mimeTypes), scheme);
        const size_t exec = launcher.find("Exec=tarnwick ");
        ASSERT_NE(exec, std::string::npos) << "the launcher starts the program by its name";
        launcher.replace(exec, std::strlen("Exec=tarnwick"), std::string("Exec=") + TARNWICK_PROGRAM);
        writeTestFile(applications + "/com.orrinworks.Tarnwick.desktop", launcher);

        writeTestFile(home.configHome() + "/mimeapps.list",
                      "[Default Applications]\n"
                      "x-scheme-handler/http=tw-test-browser.desktop\n"
                      "x-scheme-handler/https=tw-test-browser.desktop\n"
                      "x-scheme-handler/db-" +
                          std::string(FakeDropboxServer::AppKey) + "=com.orrinworks.Tarnwick.desktop\n");
    }

    std::unique_ptr<RunningApplication> start()
    {
        auto application = std::make_unique<RunningApplication>(
            home, *bus,
            std::vector<std::string>{std::string("TARNWICK_DROPBOX_APP_KEY=") + FakeDropboxServer::AppKey,
                                     "TARNWICK_DROPBOX_SERVER=" + fake.baseUrl()});
        EXPECT_GT(application->pid(), 0) << "the program did not start";
        return application;
    }

    void quit(RunningApplication& application, const std::string& title)
    {
        ASSERT_TRUE(application.pressKeys(title, {"ctrl+q"}));
        EXPECT_EQ(application.waitForExit(30s), 0) << application.log();
    }

    // Through the cloud set-up tab and the browser; the row then offers to disconnect.
    void connect(RunningApplication& application)
    {
        ASSERT_TRUE(application.click(ATSPI_ROLE_PUSH_BUTTON, CloudsTab));
        ASSERT_TRUE(application.click(ATSPI_ROLE_PUSH_BUTTON, ConnectButton));
        ASSERT_TRUE(application.waitFor(ATSPI_ROLE_PUSH_BUTTON, DisconnectButton, nullptr, 30s))
            << diagnosis(application);
    }

    // The map the next start reopens, as the user defaults keep it.
    void rememberMap(const std::string& providerId, const std::string& mapId)
    {
        const std::string bytes = readTestFile(home.defaultsFile());
        std::optional<PropertyList> stored = PropertyList::fromData(PropertyList::Data(bytes.begin(), bytes.end()));
        ASSERT_TRUE(stored && stored->dictionaryValue());
        PropertyList::Dictionary defaults = *stored->dictionaryValue();
        defaults["docctrl.reopen.provider.id"] = PropertyList(providerId);
        defaults["docctrl.reopen.mindmap.id"] = PropertyList(mapId);
        const PropertyList::Data data = PropertyList(defaults).toData();
        writeTestFile(home.defaultsFile(), std::string(data.begin(), data.end()));
    }

    std::set<std::string> topicsOnDropbox(const std::string& path)
    {
        const std::string contents = fake.fileContents(path).value_or("");
        std::optional<std::vector<std::string>> topics =
            mapTopicsOf(std::vector<uint8_t>(contents.begin(), contents.end()), PlanGuid);
        return topics ? std::set<std::string>(topics->begin(), topics->end()) : std::set<std::string>{};
    }

    std::string diagnosis(RunningApplication& application)
    {
        return "\nbrowser: " + fileText(home.file("browser.log")) + "\nprogram: " + application.log();
    }

    ApplicationHome home;
    FakeDropboxServer fake;
    std::unique_ptr<UnlockedKeyring> keyring;
};

} // namespace

TEST_F(DropboxSessionTest, TheSignInInTheBrowserComesBackThroughASecondStartAndOutlivesARestart)
{
    {
        auto application = start();
        ASSERT_TRUE(application->waitForWindow("Welcome"));
        ASSERT_TRUE(application->click(ATSPI_ROLE_PUSH_BUTTON, CloudsTab));
        ASSERT_TRUE(application->click(ATSPI_ROLE_PUSH_BUTTON, ConnectButton));
        EXPECT_TRUE(application->waitFor(ATSPI_ROLE_PUSH_BUTTON, DisconnectButton, nullptr, 30s))
            << diagnosis(*application);
        // The code went back to the service once, with the verifier of the sign-in.
        EXPECT_EQ(fake.requestsTo("oauth2/authorize").size(), 1u);
        EXPECT_EQ(fake.requestsTo("oauth2/token").size(), 1u);
        // The tokens go to the keyring when one answers, else to a file only its owner reads.
        const std::string tokenFile = home.configHome() + "/tarnwick/cloud-tokens.json";
        if (keyring->running()) {
            EXPECT_FALSE(std::filesystem::exists(tokenFile));
        } else {
            EXPECT_EQ(std::filesystem::status(tokenFile).permissions() & std::filesystem::perms::all,
                      std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        }
        ASSERT_NO_FATAL_FAILURE(quit(*application, "Welcome"));
    }
    {
        auto application = start();
        ASSERT_TRUE(application->waitForWindow("Welcome"));
        ASSERT_TRUE(application->click(ATSPI_ROLE_PUSH_BUTTON, CloudsTab));
        ASSERT_TRUE(application->waitFor(ATSPI_ROLE_PUSH_BUTTON, DisconnectButton)) << diagnosis(*application);
        EXPECT_EQ(fake.requestsTo("oauth2/authorize").size(), 1u) << "no second sign-in";

        // Disconnecting asks first; the row then offers to connect again, and the next start
        // finds no account.
        ASSERT_TRUE(application->click(ATSPI_ROLE_PUSH_BUTTON, DisconnectButton));
        ASSERT_TRUE(eventually([&] { return !application->findAll(ATSPI_ROLE_ALERT).empty(); }, "the question"));
        ASSERT_TRUE(application->click(ATSPI_ROLE_PUSH_BUTTON, DisconnectButton));
        EXPECT_TRUE(application->waitFor(ATSPI_ROLE_PUSH_BUTTON, ConnectButton)) << diagnosis(*application);
        ASSERT_NO_FATAL_FAILURE(quit(*application, "Welcome"));
    }
    {
        auto application = start();
        ASSERT_TRUE(application->waitForWindow("Welcome"));
        ASSERT_TRUE(application->click(ATSPI_ROLE_PUSH_BUTTON, CloudsTab));
        EXPECT_TRUE(application->waitFor(ATSPI_ROLE_PUSH_BUTTON, ConnectButton)) << diagnosis(*application);
        ASSERT_NO_FATAL_FAILURE(quit(*application, "Welcome"));
    }
}

TEST_F(DropboxSessionTest, AnEditTypedIntoADropboxMapGoesUpAtQuitAndAChangeOnDropboxShowsAtTheNextStart)
{
    fake.putFile(PlanPath, planMap("Plan", "Budget"));
    {
        auto application = start();
        ASSERT_TRUE(application->waitForWindow("Welcome"));
        ASSERT_NO_FATAL_FAILURE(connect(*application));
        ASSERT_NO_FATAL_FAILURE(quit(*application, "Welcome"));
    }
    // The user had the Dropbox map open when they last quit.
    ASSERT_NO_FATAL_FAILURE(rememberMap("Dropbox", PlanPath));
    {
        auto application = start();
        ASSERT_TRUE(application->waitForWindow("Plan", 30s)) << diagnosis(*application);
        // Tab adds a child of the selected central topic and opens it for typing.
        ASSERT_TRUE(application->pressKeys("Plan", {"Tab"}));
        ASSERT_TRUE(application->typeText("Plan", "Typed here"));
        ASSERT_TRUE(application->pressKeys("Plan", {"Return"}));
        const auto quitAsked = std::chrono::steady_clock::now();
        ASSERT_NO_FATAL_FAILURE(quit(*application, "Plan"));
        const auto quitTime =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - quitAsked);
        std::cout << "quit with the upload of one Dropbox map: " << quitTime.count() << " ms\n";
        RecordProperty("quit_ms", static_cast<int>(quitTime.count()));
    }
    EXPECT_EQ(topicsOnDropbox(PlanPath), (std::set<std::string>{"Plan", "Budget", "Typed here"}));
    EXPECT_EQ(fake.filePaths(), std::vector<std::string>{PlanPath}) << "no conflict copy, no second map";

    // Someone changes the map on Dropbox meanwhile: the next start opens the cached copy and then
    // shows the newer one.
    fake.putFile(PlanPath, planMap("Plan from the phone", "Budget"));
    {
        auto application = start();
        // A Dropbox map is named after its file; the outliner shows what the map holds.
        ASSERT_TRUE(application->waitForWindow("Plan"));
        EXPECT_TRUE(application->waitFor(ATSPI_ROLE_TABLE_CELL, "Plan from the phone", nullptr, 30s))
            << diagnosis(*application);
        ASSERT_NO_FATAL_FAILURE(quit(*application, "Plan"));
    }
    EXPECT_EQ(topicsOnDropbox(PlanPath), (std::set<std::string>{"Plan from the phone", "Budget"}))
        << "nothing was sent back over the newer version";
}
