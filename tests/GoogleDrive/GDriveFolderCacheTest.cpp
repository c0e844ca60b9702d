#include "GoogleDrive/GDriveFolderCache.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

GDriveMetadata folderEntry(const std::string& gdriveId, const std::string& name, bool trashed = false)
{
    GDriveMetadata entry = GDriveMetadata::folder(gdriveId);
    entry.name = name;
    if (trashed) entry.trashed = true;
    return entry;
}

GDriveMetadata fileEntry(const std::string& gdriveId, const std::string& name, const std::string& parent)
{
    GDriveMetadata entry(gdriveId, "twkx");
    entry.name = name;
    entry.parentIdentifier = parent;
    return entry;
}

std::vector<std::string> idsOf(const std::vector<GDriveFolderInfoItem*>& folders)
{
    std::vector<std::string> ids;
    for (GDriveFolderInfoItem* folder : folders) ids.push_back(folder->gdriveId());
    std::sort(ids.begin(), ids.end());
    return ids;
}

struct FolderCacheTest : ::testing::Test {
    TempDir folder;
    std::string file = folder.file("gdrive-folder-cache.xml");

    std::unique_ptr<GDriveFolderCache> open() { return std::make_unique<GDriveFolderCache>(file); }

    // R: Tarnwick (T) with Images (I), and Projects (P).
    std::unique_ptr<GDriveFolderCache> tree()
    {
        auto cache = open();
        cache->setRealGDriveRootFolderId("R");
        cache->updateFolder(cache->rootFolder(), {folderEntry("T", "Tarnwick"), folderEntry("P", "Projects")}, false);
        cache->updateFolder(cache->get("T"), {folderEntry("I", "Images")}, false);
        return cache;
    }
};

} // namespace

TEST_F(FolderCacheTest, WithoutAFileTheRootIsTheAliasAndNothingIsWritten)
{
    auto cache = open();
    ASSERT_TRUE(cache->rootFolder());
    EXPECT_EQ(cache->rootFolderId(), "root");
    EXPECT_EQ(cache->rootFolder()->name(), "Google Drive");
    EXPECT_FALSE(cache->hasRealGDriveRootFolderId());
    EXPECT_FALSE(std::filesystem::exists(file));

    for (const char* data : {"", "garbage", "<file-cache/>", "<folder-cache><folder id=\"A\""}) {
        writeTestFile(file, data);
        auto loaded = open();
        EXPECT_EQ(loaded->rootFolderId(), "root") << data;
        EXPECT_EQ(loaded->count(), 1u) << data;
        EXPECT_EQ(readTestFile(file), data) << "loading never writes";
    }
}

TEST_F(FolderCacheTest, TheRealRootReplacesTheAliasOnceAndIsSavedOnce)
{
    writeTestFile(file,
                  "<FOLDER-CACHE root-id=\"R\"><folder id=\"root\" title=\"x\"/><folder id=\"R\" parent=\"F\"/>"
                  "<folder id=\"F\" title=\"Projects\" parent=\"R\"/><folder title=\"no id\"/>"
                  "<folder id=\"bad/id\" parent=\"R\"/></FOLDER-CACHE>");
    auto cache = open();
    EXPECT_EQ(cache->rootFolderId(), "R");
    EXPECT_FALSE(cache->get("root")) << "alias dropped";
    EXPECT_EQ(idsOf(cache->itemsList()), (std::vector<std::string>{"F", "R"}));
    EXPECT_EQ(cache->rootFolder()->name(), "Google Drive");
    EXPECT_FALSE(cache->rootFolder()->parentId()) << "My Drive hangs below nothing";
    EXPECT_EQ(cache->buildFolderPath("F"), "Projects");

    std::filesystem::remove(file);
    auto fresh = open();
    fresh->updateFolder(fresh->rootFolder(), {folderEntry("F", "Projects")}, false);
    fresh->setRealGDriveRootFolderId("R");
    EXPECT_EQ(fresh->rootFolderId(), "R");
    EXPECT_EQ(fresh->get("F")->parentId(), "root") << "sub-folders keep their parent ids";
    const std::string written = readTestFile(file);
    EXPECT_NE(written.find("root-id=\"R\""), std::string::npos) << written;
    std::filesystem::remove(file);
    fresh->setRealGDriveRootFolderId("R");
    EXPECT_FALSE(std::filesystem::exists(file)) << "the same root id twice writes once";
}

TEST_F(FolderCacheTest, PathsBothWaysIgnoringCase)
{
    auto cache = tree();
    EXPECT_EQ(cache->buildFolderPath("I"), "Tarnwick/Images");
    EXPECT_EQ(cache->buildFolderPath("T"), "Tarnwick");
    EXPECT_EQ(cache->buildFolderPath("R"), std::nullopt);
    EXPECT_EQ(cache->buildFolderPath("unknown"), std::nullopt);

    struct Case {
        std::string path;
        bool bestMatch;
        std::optional<std::string> id;
    };
    const std::vector<Case> cases = {
        {"/", false, "R"},
        {"", false, "R"},
        {"/tarnwick/images", false, "I"},
        {"/TARNWICK/Images/", true, "I"},
        {"/Tarnwick/Export", false, std::nullopt},
        {"/Tarnwick/Export", true, "T"},
        {"/Nothing/Export", true, "R"},
        {"/Projects", false, "P"},
    };
    for (const Case& c : cases) EXPECT_EQ(cache->resolveFolderIdForFolderPath(c.path, c.bestMatch), c.id) << c.path;

    EXPECT_TRUE(cache->folderNameExists("IMAGES", "T"));
    EXPECT_EQ(cache->get("I")->parentFolder(), cache->get("T"));
    EXPECT_EQ(cache->get("T")->findSubFolder("images"), cache->get("I"));
    EXPECT_TRUE(cache->rootFolder()->isRootFolder());
}

TEST_F(FolderCacheTest, FileRoundTripKeepsTheTreeButNotTheListings)
{
    auto cache = tree();
    cache->updateFileMetadata(fileEntry("m", "Plan.twkx", "P"));
    auto again = open();
    EXPECT_EQ(again->rootFolderId(), "R");
    EXPECT_EQ(idsOf(again->itemsList()), (std::vector<std::string>{"I", "P", "R", "T"}));
    EXPECT_EQ(again->buildFolderPath("I"), "Tarnwick/Images");
    EXPECT_FALSE(again->get("P")->items());
    EXPECT_TRUE(cache->fileNameExists("plan.TWKX", "P"));
    EXPECT_FALSE(again->fileNameExists("Plan.twkx", "P"));
}

TEST_F(FolderCacheTest, AVanishedSubFolderGoesAndItsChildrenWaitForTheSweep)
{
    auto cache = tree();
    cache->updateFolder(cache->get("I"), {folderEntry("X", "Deep")}, false);
    cache->updateFolder(cache->rootFolder(), {folderEntry("P", "Projects")}, false);
    EXPECT_FALSE(cache->get("T"));
    EXPECT_TRUE(cache->get("I"));
    EXPECT_EQ(idsOf(cache->collectDisconnectedFolders()), (std::vector<std::string>{"I", "X"}));

    cache->updateFolder(cache->rootFolder(), {folderEntry("P", "Projects", true)}, true);
    EXPECT_FALSE(cache->get("P")) << "trashed";
    EXPECT_TRUE(cache->rootFolder()) << "the root is never removed";
    cache->folderDeleted(cache->rootFolderId());
    EXPECT_TRUE(cache->rootFolder());
}

TEST_F(FolderCacheTest, ALoopIsDisconnectedAndTheSweepEnds)
{
    auto cache = tree();
    cache->folderUpdated(folderEntry("A", "A"));
    cache->folderUpdated(folderEntry("B", "B"));
    cache->get("A")->setParentId("B");
    cache->get("B")->setParentId("A");
    cache->folderUpdated(folderEntry("C", "Orphan"));
    cache->get("C")->setParentId("gone");
    // A long chain must not run out of stack.
    std::string parent = "R";
    cache->beginUpdate();
    for (int i = 0; i < 100000; ++i) {
        GDriveMetadata entry = folderEntry("d" + std::to_string(i), "d");
        entry.parentIdentifier = parent;
        parent = entry.gdriveId();
        cache->folderUpdated(entry);
    }
    cache->endUpdate();
    EXPECT_EQ(idsOf(cache->collectDisconnectedFolders()), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(cache->buildFolderPath("A"), "B/A") << "the path ends where the loop would repeat";
    EXPECT_EQ(cache->get("B")->folderState(), GDriveFolderStateDisconnected);
    EXPECT_EQ(cache->get("d99999")->folderState(), GDriveFolderStateConnected);
}

TEST_F(FolderCacheTest, ListingsAndFileUpdates)
{
    auto cache = tree();
    GDriveFolderInfoItem* projects = cache->get("P");
    cache->updateFolder(projects, {fileEntry("m", "Plan.twkx", "P"), folderEntry("S", "Sub")}, true);
    ASSERT_TRUE(projects->items());
    EXPECT_EQ(projects->items()->size(), 2u);
    cache->updateFolder(projects, {folderEntry("S", "Sub renamed")}, false);
    EXPECT_EQ(projects->items()->size(), 2u) << "a folders-only listing keeps the files";
    EXPECT_EQ(cache->get("S")->name(), "Sub renamed");

    GDriveMetadata changed("m", "twkx");
    changed.parentIdentifier = "P";
    changed.md5Checksum = "new";
    changed.fileSize = 42;
    cache->updateFileMetadata(changed);
    const GDriveMetadata& plan = projects->items()->front();
    EXPECT_EQ(plan.name, "Plan.twkx") << "absent fields stay";
    EXPECT_EQ(plan.md5Checksum, "new");
    EXPECT_EQ(plan.fileSize, 42);

    cache->updateFileMetadata(fileEntry("n", "Other.twkx", "unknown folder"));
    EXPECT_EQ(projects->items()->size(), 2u);
    GDriveMetadata moved = fileEntry("m", "Plan.twkx", "S");
    cache->fileMoved(moved, "P", "S");
    EXPECT_EQ(projects->items()->size(), 1u);
    ASSERT_TRUE(cache->get("S")->items());
    EXPECT_EQ(cache->get("S")->items()->front().gdriveId(), "m");
    cache->fileDeleted("m", "S");
    EXPECT_TRUE(cache->get("S")->items()->empty());

    // A listing naming the folder itself or My Drive as a child would hang the tree on a loop.
    cache->updateFolder(projects, {folderEntry("P", "Self"), folderEntry("R", "Root")}, false);
    EXPECT_EQ(cache->get("P")->parentId(), "R");
    EXPECT_FALSE(cache->rootFolder()->parentId());
}

TEST_F(FolderCacheTest, ClearWritesTheEmptiedTree)
{
    auto cache = tree();
    cache->clear();
    EXPECT_EQ(cache->rootFolderId(), "root");
    EXPECT_EQ(readTestFile(file), "<folder-cache><folder id=\"root\" title=\"Google Drive\"/></folder-cache>");
}
