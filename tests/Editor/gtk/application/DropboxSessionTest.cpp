// Dropbox as its user meets it, against the loopback stand-in of the service: the cloud set-up tab
// connects, the desktop's browser signs in and hands the sign-in back to a second start of the
// program, and the connection outlives a restart until the user disconnects; a Dropbox map is
// reopened, edited with the keyboard, goes up at quit, and a change made on Dropbox shows at the
// next start.

#include "ApplicationSession.h"
#include "support/FakeDropboxServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <set>

namespace {

constexpr const char* PlanPath = "/Tarnwick/Plan.twkx";
constexpr const char* PlanGuid = "D40B0C5E1EC7A11A11C0FFEE";

std::string planMap(const std::string& title, const std::string& child)
{
    return nativeMapText(PlanGuid, title, child);
}

class DropboxSessionTest : public CloudSessionTest {
protected:
    void SetUp() override
    {
        CloudSessionTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // The redirect comes back to a second start through the scheme the launcher claims.
        registerDesktop(std::string("db-") + FakeDropboxServer::AppKey);
    }

    std::unique_ptr<RunningApplication> start()
    {
        return CloudSessionTest::start({std::string("TARNWICK_DROPBOX_APP_KEY=") + FakeDropboxServer::AppKey,
                                        "TARNWICK_DROPBOX_SERVER=" + fake.baseUrl()});
    }

    std::set<std::string> topicsOnDropbox(const std::string& path)
    {
        return mapTopicSetOf(fake.fileContents(path).value_or(""), PlanGuid);
    }

    FakeDropboxServer fake;
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
        ASSERT_NO_FATAL_FAILURE(typeChildTopicAndQuit(*application, "Plan", "Typed here", "one Dropbox map"));
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
