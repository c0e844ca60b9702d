// Google Drive as its user meets it, against the loopback stand-in of the service: the cloud set-up
// tab connects through the desktop's browser, which hands the sign-in to the program's own listener
// on 127.0.0.1; the program finds or makes its folders on Drive, reopens a Drive map, takes an edit
// typed with the keyboard up at quit, and the next start opens the edited map again.

#include "ApplicationSession.h"
#include "support/FakeGoogleDriveServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <set>

namespace {

constexpr const char* PlanGuid = "6D21E0C5A11A11C0FFEE0D21";

class GDriveSessionTest : public CloudSessionTest {
protected:
    void SetUp() override
    {
        CloudSessionTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // Drive hands the sign-in back over loopback HTTP: the launcher claims no scheme for it.
        registerDesktop("");
    }

    std::unique_ptr<RunningApplication> start()
    {
        return CloudSessionTest::start(
            {std::string("TARNWICK_GDRIVE_CLIENT_ID=") + FakeGoogleDriveServer::ClientId,
             std::string("TARNWICK_GDRIVE_CLIENT_SECRET=") + FakeGoogleDriveServer::ClientSecret,
             "TARNWICK_GDRIVE_SERVER=" + fake.baseUrl()});
    }

    // The live files of that name, in any folder.
    std::vector<FakeGoogleDriveServer::File> filesNamed(const std::string& name)
    {
        std::vector<FakeGoogleDriveServer::File> found;
        for (const std::string& id : fake.idsNamed(name)) {
            std::optional<FakeGoogleDriveServer::File> file = fake.file(id);
            if (file && !file->trashed) found.push_back(*file);
        }
        return found;
    }

    std::set<std::string> topicsOnDrive(const std::string& id)
    {
        return mapTopicSetOf(fake.file(id) ? fake.file(id)->contents : std::string(), PlanGuid);
    }

    FakeGoogleDriveServer fake;
};

TEST_F(GDriveSessionTest, ConnectingInTheBrowserMakesTheApplicationFoldersAndOutlivesARestart)
{
    {
        auto application = start();
        ASSERT_TRUE(application->waitForWindow("Welcome"));
        ASSERT_NO_FATAL_FAILURE(connect(*application));
        EXPECT_EQ(fake.requestsTo("oauth.authorize").size(), 1u) << diagnosis(*application);
        EXPECT_EQ(fake.requestsTo("oauth.token").size(), 1u);
        // The folders come once the account is linked, right after the sign-in.
        EXPECT_TRUE(eventually([&] { return filesNamed("Export").size() == 1; }, "the folders on Drive"))
            << diagnosis(*application);
        ASSERT_NO_FATAL_FAILURE(quit(*application, "Welcome"));
    }
    const std::vector<FakeGoogleDriveServer::File> applicationFolder = filesNamed("Tarnwick");
    ASSERT_EQ(applicationFolder.size(), 1u);
    EXPECT_TRUE(applicationFolder[0].isFolder());
    EXPECT_EQ(applicationFolder[0].parents, std::vector<std::string>{fake.rootId()});
    for (const char* name : {"Images", "Movies", "Audio", "Documents", "Export"}) {
        const std::vector<FakeGoogleDriveServer::File> folder = filesNamed(name);
        ASSERT_EQ(folder.size(), 1u) << name;
        EXPECT_EQ(folder[0].parents, std::vector<std::string>{applicationFolder[0].id}) << name;
    }
    {
        auto application = start();
        ASSERT_TRUE(application->waitForWindow("Welcome"));
        ASSERT_TRUE(application->click(ATSPI_ROLE_PUSH_BUTTON, CloudsTab));
        EXPECT_TRUE(application->waitFor(ATSPI_ROLE_PUSH_BUTTON, DisconnectButton)) << diagnosis(*application);
        ASSERT_NO_FATAL_FAILURE(quit(*application, "Welcome"));
    }
    EXPECT_EQ(fake.requestsTo("oauth.authorize").size(), 1u) << "no second sign-in";
    EXPECT_EQ(filesNamed("Tarnwick").size(), 1u) << "the folders are found, not made again";
}

TEST_F(GDriveSessionTest, AnEditTypedIntoADriveMapGoesUpAtQuitAndTheNextStartReopensIt)
{
    const std::string folder = fake.addFolder("Tarnwick");
    const std::string plan = fake.addFile("Plan.twkx", nativeMapText(PlanGuid, "Plan", "Budget"), folder);
    {
        auto application = start();
        ASSERT_TRUE(application->waitForWindow("Welcome"));
        ASSERT_NO_FATAL_FAILURE(connect(*application));
        ASSERT_NO_FATAL_FAILURE(quit(*application, "Welcome"));
    }
    // The user had the Drive map open when they last quit; this machine has no copy of it yet.
    ASSERT_NO_FATAL_FAILURE(rememberMap("GoogleDrive", plan));
    {
        auto application = start();
        ASSERT_TRUE(application->waitForWindow("Plan", 30s)) << diagnosis(*application);
        ASSERT_NO_FATAL_FAILURE(typeChildTopicAndQuit(*application, "Plan", "Typed here", "one Drive map"));
    }
    EXPECT_EQ(topicsOnDrive(plan), (std::set<std::string>{"Plan", "Budget", "Typed here"}));
    EXPECT_EQ(filesNamed("Plan.twkx").size(), 1u) << "no conflict copy, no second map";
    const size_t uploads = fake.requestsTo("files.update").size();
    EXPECT_GE(uploads, 1u);
    {
        auto application = start();
        ASSERT_TRUE(application->waitForWindow("Plan", 30s)) << diagnosis(*application);
        EXPECT_TRUE(application->waitFor(ATSPI_ROLE_TABLE_CELL, "Typed here", nullptr, 30s)) << diagnosis(*application);
        ASSERT_NO_FATAL_FAILURE(quit(*application, "Plan"));
    }
    EXPECT_EQ(topicsOnDrive(plan), (std::set<std::string>{"Plan", "Budget", "Typed here"}));
    EXPECT_EQ(fake.requestsTo("files.update").size(), uploads) << "an unchanged map is not sent again";
}

} // namespace
