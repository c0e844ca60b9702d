#include "GDriveTaskDouble.h"
#include "GoogleDrive/GDriveFolderLister.h"

#include <gtest/gtest.h>

namespace {

struct Resolved : GDrivePathResolverDelegate {
    int calls = 0;
    std::string path;
    std::string gdriveId = "unset";
    int tag = -1;
    std::any info;
    void pathResolved(GDrivePathResolverTask&, const std::string& filePath, const std::string& id, int t,
                      const std::any& i) override
    {
        ++calls;
        path = filePath;
        gdriveId = id;
        tag = t;
        info = i;
    }
};

struct GDrivePathResolverTest : GDriveTaskFixture {
    Resolved resolved;

    GDrivePathResolverTest()
    {
        // On Drive: /A/B/map.twkx and /A/B/Other.twkx.
        fake.addFolder("A", "", "AId");
        fake.addFolder("B", "AId", "BId");
        fake.addFile("map.twkx", "zip", "BId", "MapId");
        fake.addFile("Other.twkx", "zip", "BId", "OtherId");
    }

    void cacheFolders()
    {
        service.folders.updateFolder(service.folders.rootFolder(), {folderEntry("AId", "A")}, false);
        service.folders.updateFolder(service.folders.assureFolder("AId"), {folderEntry("BId", "B")}, false);
    }

    std::string resolve(const std::string& path, int tag = 1)
    {
        GDrivePathResolverTask task(service, &resolved, path, tag, std::string("info"));
        task.execute();
        EXPECT_TRUE(driveUntil([&] { return resolved.calls > 0; }));
        EXPECT_FALSE(task.showsProgress());
        return resolved.gdriveId;
    }

    std::vector<std::string> queries() const
    {
        std::vector<std::string> sent;
        for (const auto& request : fake.requestsTo("files.list")) sent.push_back(parameters(request)["q"]);
        return sent;
    }
};

TEST_F(GDrivePathResolverTest, TheFolderStackWalksFromTheTop)
{
    GDrivePathResolverTask task(service, &resolved, "/A/B/map.twkx", 0, {});
    EXPECT_EQ(task.folderStack(), (std::vector<std::string>{"B", "A"}));
    GDrivePathResolverTask top(service, &resolved, "/map.twkx", 0, {});
    EXPECT_TRUE(top.folderStack().empty());
}

TEST_F(GDrivePathResolverTest, EverythingCachedResolvesWithoutDrive)
{
    cacheFolders();
    record("MapId", "map.twkx", "BId", false);
    EXPECT_EQ(resolve("/a/b/MAP.twkx", 1), "MapId");
    EXPECT_EQ(resolved.path, "/a/b/MAP.twkx");
    EXPECT_EQ(resolved.tag, 1);
    EXPECT_EQ(std::any_cast<std::string>(resolved.info), "info");
    EXPECT_TRUE(fake.requestsTo("files.list").empty());
}

TEST_F(GDrivePathResolverTest, UnknownLevelsAreListedFromDrive)
{
    EXPECT_EQ(resolve("/A/B/Other.twkx"), "OtherId");
    const std::string folders = "mimeType = 'application/vnd.google-apps.folder' and '";
    EXPECT_EQ(
        queries(),
        (std::vector<std::string>{folders + root + "' in parents", folders + "AId' in parents", "'BId' in parents"}));
    auto first = parameters(fake.requestsTo("files.list").at(0));
    EXPECT_EQ(first["fields"], "files(id,mimeType,name,parents,trashed),nextPageToken");
    EXPECT_EQ(service.folders.buildFolderPath("BId"), "A/B");
}

TEST_F(GDrivePathResolverTest, WhatDriveDoesNotHaveResolvesToNothing)
{
    struct Case {
        const char* path;
        std::vector<std::string> queries;
    };
    cacheFolders();
    const Case cases[] = {
        {"/A/Missing/map.twkx", {"mimeType = 'application/vnd.google-apps.folder' and 'AId' in parents"}},
        {"/A/B/missing.twkx", {"'BId' in parents"}},
        // A folder is no file to open.
        {"/A/B", {"'AId' in parents"}},
        // Names from documents never reach a query.
        {"/A/x' or name contains '/map.twkx", {"mimeType = 'application/vnd.google-apps.folder' and 'AId' in parents"}},
    };
    for (const Case& c : cases) {
        fake.clearLog();
        resolved = {};
        EXPECT_EQ(resolve(c.path), "") << c.path;
        EXPECT_EQ(resolved.calls, 1) << c.path;
        EXPECT_EQ(queries(), c.queries) << c.path;
    }
}

TEST_F(GDrivePathResolverTest, ResolvingEndsEmptyWhenDriveCannotBeAsked)
{
    struct Case {
        const char* name;
        std::function<void()> arrange;
    };
    const Case cases[] = {
        {"not linked", [this] { service.linked = false; }},
        {"offline", [this] { network.set(false); }},
        {"Drive error", [this] { fake.failNext("files.list", 500, 5); }},
    };
    for (const Case& c : cases) {
        service.linked = true;
        network.set(true);
        resolved = {};
        c.arrange();
        EXPECT_EQ(resolve("/A/B/map.twkx"), "") << c.name;
    }
}

TEST_F(GDrivePathResolverTest, NothingIsReportedAfterCancel)
{
    fake.setDelay(0.1);
    {
        GDrivePathResolverTask task(service, &resolved, "/A/B/map.twkx", 0, {});
        task.execute();
        EXPECT_TRUE(task.busy());
        task.cancel();
        EXPECT_FALSE(task.busy());
        EXPECT_FALSE(task.showsProgress());
    }
    MainLoop::runUntil([] { return false; }, 0.3);
    EXPECT_EQ(resolved.calls, 0);
}

} // namespace
