#include "GoogleDrive/GDriveFileOperations.h"
#include "platform/MainLoop.h"
#include "support/SignedInDriveClient.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

struct GDriveFileOperationsTest : ::testing::Test, SignedInDriveClient {
    GDriveFileOperationsTest()
    {
        // The access token has run out: the first call renews it.
        signIn(0);
        writeTestFile(home.file("map.twkx"), "zip");
    }

    struct Outcome {
        std::optional<GDriveMetadata> metadata;
        std::optional<GDriveError> error;
        int calls = 0;
    };

    GDriveMetadataCompletion recorder(Outcome& outcome)
    {
        return [&outcome](const GDriveMetadata* metadata, const GDriveError* error) {
            ++outcome.calls;
            if (metadata) outcome.metadata = *metadata;
            if (error) outcome.error = *error;
        };
    }

    // The metadata part of the first multipart upload to the route.
    nlohmann::json sentMetadata(const std::string& route)
    {
        const std::string body = fake.requestsTo(route).at(0).body;
        const size_t start = body.find("\r\n\r\n") + 4;
        return nlohmann::json::parse(body.substr(start, body.find("\r\n", start) - start));
    }
};

TEST_F(GDriveFileOperationsTest, CreateSendsTheTypeAndOnlyAGivenParent)
{
    const std::string folder = fake.addFolder("Tarnwick");
    struct Case {
        std::string id;
        std::string parent;
        nlohmann::json metadata;
    };
    const Case cases[] = {
        {"1WithParent",
         folder,
         {{"id", "1WithParent"}, {"name", "Plan.twkx"}, {"mimeType", "application/x-zip"}, {"parents", {folder}}}},
        {"1NoParent", "", {{"id", "1NoParent"}, {"name", "Plan.twkx"}, {"mimeType", "application/x-zip"}}},
    };
    for (const Case& test : cases) {
        fake.clearLog();
        Outcome outcome;
        GDriveFileCreate create(client);
        create.create(test.id, "Plan.twkx", test.parent, home.file("map.twkx"), "application/x-zip", recorder(outcome));
        ASSERT_TRUE(driveUntil([&] { return outcome.calls > 0; }));
        ASSERT_TRUE(outcome.metadata) << test.id;
        EXPECT_FALSE(outcome.error);
        EXPECT_EQ(outcome.metadata->gdriveId(), test.id);
        EXPECT_EQ(sentMetadata("files.create"), test.metadata) << test.id;
    }
}

TEST_F(GDriveFileOperationsTest, UpdateGetAndDownloadAnswerOnce)
{
    const std::string id = fake.addFile("Plan.twkx", "old", "", "1Plan", "application/octet-stream");
    Outcome updated;
    GDriveFileUpdate update(client);
    update.update(id, home.file("map.twkx"), "application/x-zip", recorder(updated));
    ASSERT_TRUE(driveUntil([&] { return updated.calls > 0; }));
    ASSERT_TRUE(updated.metadata);
    EXPECT_EQ(fake.file(id)->contents, "zip");
    EXPECT_EQ(fake.file(id)->mimeType, "application/x-zip");

    Outcome described;
    GDriveFileMetadataGet get(client);
    get.get(id, recorder(described));
    ASSERT_TRUE(driveUntil([&] { return described.calls > 0; }));
    EXPECT_EQ(described.metadata->md5Checksum, fake.file(id)->md5);

    int downloads = 0;
    const GDriveError* failure = reinterpret_cast<const GDriveError*>(1);
    GDriveFileDownload download(client);
    download.download(id, "copy.twkx", home.file("copy.twkx"), [&](const GDriveError* error) {
        ++downloads;
        failure = error;
    });
    ASSERT_TRUE(driveUntil([&] { return downloads > 0; }));
    EXPECT_EQ(failure, nullptr);
    EXPECT_EQ(readTestFile(home.file("copy.twkx")), "zip");
    MainLoop::runFor(0.05);
    EXPECT_EQ(updated.calls + described.calls + downloads, 3);
}

TEST_F(GDriveFileOperationsTest, FailuresArriveAsDriveErrors)
{
    Outcome missing;
    GDriveFileMetadataGet get(client);
    get.get("1Missing", recorder(missing));
    ASSERT_TRUE(driveUntil([&] { return missing.calls > 0; }));
    ASSERT_TRUE(missing.error);
    EXPECT_FALSE(missing.metadata);
    EXPECT_TRUE(missing.error->is404Error());

    fake.clearLog();
    Outcome unreadable;
    GDriveFileUpdate update(client);
    update.update("1Plan", home.file("no-such-file.twkx"), "application/x-zip", recorder(unreadable));
    ASSERT_TRUE(driveUntil([&] { return unreadable.calls > 0; }));
    ASSERT_TRUE(unreadable.error);
    EXPECT_TRUE(fake.requests().empty());
}

TEST_F(GDriveFileOperationsTest, CancelStopsACallAndOnlyReleasesOneThatAnswered)
{
    fake.addFile("Plan.twkx", "p", "", "1Plan");
    fake.setDelay(0.1);
    Outcome cancelled;
    {
        GDriveFileMetadataGet get(client);
        get.get("1Plan", recorder(cancelled));
        EXPECT_TRUE(get.isBusy());
        get.cancel();
        EXPECT_FALSE(get.isBusy());
    }
    Outcome destroyed;
    {
        GDriveFileMetadataGet get(client);
        get.get("1Plan", recorder(destroyed));
    }
    MainLoop::runFor(0.3);
    EXPECT_EQ(cancelled.calls, 0);
    EXPECT_EQ(destroyed.calls, 0);

    Outcome answered;
    GDriveFileMetadataGet get(client);
    get.get("1Plan", recorder(answered));
    ASSERT_TRUE(driveUntil([&] { return answered.calls > 0; }));
    get.cancel();
    EXPECT_EQ(answered.calls, 1);
    EXPECT_TRUE(answered.metadata);
}

} // namespace
