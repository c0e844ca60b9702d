#include "GoogleDrive/GDriveInitializationTask.h"
#include "Editor/FeedbackCenter.h"
#include "GoogleDrive/GDriveFolderCache.h"
#include "platform/Localizer.h"
#include "support/SignedInDriveClient.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> SubFolders = {"Images", "Movies", "Audio", "Documents", "Export"};

struct InitializationTest : ::testing::Test, SignedInDriveClient, GDriveInitializationTaskDelegate {
    GDriveFolderCache folders{home.file("gdrive-folder-cache.xml")};
    ManualScheduler scheduler;
    bool online = true;
    std::optional<bool> outcome;
    int personalityDrops = 0;

    InitializationTest()
    {
        // The access token has run out: the first call renews it.
        signIn(0);
        FeedbackCenter::feedbackCenter().clearFeedbackItems();
    }

    void initializationTaskCompleted(GDriveInitializationTask*, bool success) override { outcome = success; }
    void dropPersonality() override
    {
        ++personalityDrops;
        folders.clear();
    }

    // Runs the task to its end: answers come on the main loop, steps on the scheduler.
    std::optional<bool> run()
    {
        outcome.reset();
        GDriveInitializationTask task(*this, client, folders, scheduler);
        task.setNetworkAvailable([this] { return online; });
        task.execute();
        driveUntil([&] {
            scheduler.advance(0.005);
            return outcome.has_value();
        });
        return outcome;
    }

    std::vector<std::string> created() const
    {
        std::vector<std::string> names;
        for (const auto& request : fake.requestsTo("files.create")) {
            const size_t at = request.body.find("\"name\":\"");
            if (at != std::string::npos)
                names.push_back(request.body.substr(at + 8, request.body.find('"', at + 8) - at - 8));
        }
        return names;
    }
};

} // namespace

TEST_F(InitializationTest, AnEmptyAccountGetsTheApplicationTreeInOrder)
{
    ASSERT_EQ(run(), true);
    EXPECT_EQ(created(), (std::vector<std::string>{"Tarnwick", "Images", "Movies", "Audio", "Documents", "Export"}));
    EXPECT_EQ(fake.requestsTo("files.list").size(), 2u) << "My Drive once, then the application folder";
    EXPECT_EQ(folders.realGDriveRootFolderId(), fake.rootId());
    const auto tarnwick = folders.resolveFolderIdForFolderPath("/Tarnwick", false);
    ASSERT_TRUE(tarnwick);
    for (const std::string& name : SubFolders) {
        const auto id = folders.resolveFolderIdForFolderPath("/Tarnwick/" + name, false);
        ASSERT_TRUE(id) << name;
        ASSERT_TRUE(fake.file(*id)) << name;
        EXPECT_EQ(fake.file(*id)->parents, std::vector<std::string>{*tarnwick}) << name;
    }

    // The next start finds it all in the cache and only asks for My Drive.
    fake.clearLog();
    ASSERT_EQ(run(), true);
    EXPECT_EQ(fake.requests().size(), 1u);
}

TEST_F(InitializationTest, FoldersOnDriveButNotInTheCacheAreFoundNotMadeAgain)
{
    const std::string tarnwick = fake.addFolder("tarnwick");
    fake.addFolder("Images", tarnwick);
    fake.addFolder("EXPORT", tarnwick);
    ASSERT_EQ(run(), true);
    EXPECT_EQ(created(), (std::vector<std::string>{"Movies", "Audio", "Documents"}));
    EXPECT_EQ(folders.resolveFolderIdForFolderPath("/Tarnwick", false), tarnwick);
}

TEST_F(InitializationTest, OfflineItWorksFromAKnownTreeAndFailsWithoutOne)
{
    online = false;
    EXPECT_EQ(run(), false) << "first run: My Drive is not known";
    EXPECT_TRUE(fake.requests().empty());

    online = true;
    ASSERT_EQ(run(), true);
    fake.clearLog();
    online = false;
    EXPECT_EQ(run(), true);
    EXPECT_TRUE(fake.requests().empty()) << "no request was made";

    folders.folderDeleted(*folders.resolveFolderIdForFolderPath("/Tarnwick/Audio", false));
    EXPECT_EQ(run(), false) << "a missing folder needs Drive";
    EXPECT_TRUE(fake.requests().empty());
}

TEST_F(InitializationTest, AnotherAccountDropsWhatWasKeptAndTellsTheUser)
{
    ASSERT_EQ(run(), true);
    fake.setRootId("0AnotherRoot");
    fake.clearLog();
    ASSERT_EQ(run(), true);
    EXPECT_EQ(personalityDrops, 1);
    EXPECT_EQ(folders.realGDriveRootFolderId(), "0AnotherRoot");
    const auto& items = FeedbackCenter::feedbackCenter().items();
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items.front()->message(), localized("gdrive_personality_change_detected"));
    EXPECT_EQ(items.front()->state(), FeedbackStateWarning);

    fake.clearLog();
    ASSERT_EQ(run(), true);
    EXPECT_EQ(personalityDrops, 1) << "the same account again";
}

TEST_F(InitializationTest, DriveFailuresEndTheTaskWithFailure)
{
    struct Case {
        std::string route;
        bool rootKnown;
        bool success;
    };
    // A known My Drive survives a failed look at it; listings and creations do not.
    const std::vector<Case> cases = {
        {"files.create", false, false},
        {"files.list", false, false},
        {"files.get", false, false},
        {"files.get", true, true},
    };
    for (const Case& c : cases) {
        folders.clear();
        if (c.rootKnown) {
            ASSERT_EQ(run(), true);
        }
        // A fault that outlasts the retries of the calls that may run twice.
        fake.failNext(c.route, 500, c.route == "files.create" ? 1 : 4);
        EXPECT_EQ(run(), c.success) << c.route;
    }
}
