#include "dropbox/DropboxFileInfoCache.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <regex>

namespace {

struct RecordsTest : ::testing::Test {
    TempDir folder;
    std::string file = folder.file("dropbox-file-info-cache-apfs.xml");

    std::unique_ptr<DropboxFileInfoCache> open()
    {
        auto cache = std::make_unique<DropboxFileInfoCache>(file);
        cache->setClock([] { return 800000000.5; });
        return cache;
    }
};

} // namespace

TEST_F(RecordsTest, OnePathWhateverItsCaseOrComposition)
{
    auto cache = open();
    ASSERT_TRUE(cache->update("/Maps/Plan.twkx", 1.0, std::string("rev1")));
    ASSERT_TRUE(cache->update("/Café.twkx", 2.0, std::string("rev2")));
    ASSERT_TRUE(cache->update("/ÄRGER.twkx", 3.0, std::string("rev3")));
    const std::vector<std::pair<std::string, std::string>> aliases = {
        {"/maps/plan.twkx", "rev1"}, {"/MAPS/PLAN.TWKX", "rev1"}, {"/Cafe\xcc\x81.twkx", "rev2"},
        {"/CAFÉ.twkx", "rev2"},      {"/ärger.twkx", "rev3"},
    };
    for (const auto& [path, rev] : aliases) {
        ASSERT_TRUE(cache->get(path)) << path;
        EXPECT_EQ(cache->get(path)->rev(), rev) << path;
    }
    EXPECT_EQ(cache->count(), 3u);
    EXPECT_EQ(DropboxFileInfoItem::thumbnailHashForPath("/Maps/Plan.twkx"), "3858bf08e1d8c5012510d802157dc38377d9088b");
    EXPECT_EQ(DropboxFileInfoItem::thumbnailHashForPath("/CAFE\xcc\x81.twkx"),
              "fc05563c089c762b716d7206da99264ac3ad7733");
}

TEST_F(RecordsTest, KeepsOnlyValidRecords)
{
    auto cache = open();
    EXPECT_FALSE(cache->update("/NoRev.twkx", 1.0, std::nullopt)) << "a record without rev is not kept";
    EXPECT_FALSE(cache->update("", 1.0, std::string("r")));
    EXPECT_FALSE(cache->get("/NoRev.twkx"));
    DropboxFileInfoItem* made = cache->update("/New.twkx", std::nullopt, DropboxFileInfoItem::makeNewFileRev());
    ASSERT_TRUE(made);
    EXPECT_TRUE(made->isNew());
    EXPECT_EQ(made->localModified(), 800000000.5) << "no date given: now";

    DropboxFileInfoItem fresh("/x.twkx");
    fresh.setRev("///0");
    EXPECT_TRUE(fresh.isValid()) << "a new file needs no date";
    fresh.setRev("abc");
    EXPECT_FALSE(fresh.isValid());
}

TEST_F(RecordsTest, WritesAttributesInTheirOrderAndReadsThemBack)
{
    {
        auto cache = open();
        cache->beginUpdate();
        DropboxFileInfoItem* full = cache->update("/Maps/Plan.twkx", 1.5, 2.25, std::string("015a1"));
        full->setOfflineAvailable(true);
        cache->update("/Maps/New.twkx", std::nullopt, DropboxFileInfoItem::makeNewFileRev());
        EXPECT_FALSE(std::filesystem::exists(file)) << "a batch writes once, at its end";
        cache->endUpdate();
    }
    const std::string text = readTestFile(file);
    EXPECT_TRUE(std::regex_search(
        text,
        std::regex(
            R"(<file path="/Maps/Plan\.twkx" modified="1\.500000" access="2\.250000" offline="true" rev="015a1" />)")))
        << text;
    EXPECT_TRUE(std::regex_search(
        text, std::regex(R"(<file path="/Maps/New\.twkx" modified="800000000\.500000" rev="///0" />)")))
        << text;
    EXPECT_NE(text.find("<file-cache>"), std::string::npos);

    auto again = open();
    EXPECT_FALSE(again->recordsWereUnreadable());
    DropboxFileInfoItem* plan = again->get("/maps/plan.twkx");
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->path(), "/Maps/Plan.twkx");
    EXPECT_EQ(plan->localModified(), 1.5);
    EXPECT_EQ(plan->lastAccessed(), 2.25);
    EXPECT_TRUE(plan->offlineAvailable());
    EXPECT_FALSE(plan->marked());
    ASSERT_TRUE(again->get("/Maps/New.twkx"));
    EXPECT_TRUE(again->get("/Maps/New.twkx")->isNew());
    EXPECT_FALSE(again->get("/Maps/New.twkx")->offlineAvailable());
}

TEST_F(RecordsTest, ReadsAttributesDefensively)
{
    struct Case {
        std::string element;
        bool kept;
        std::optional<double> modified;
        bool offline;
    };
    const std::vector<Case> cases = {
        {R"(<file path="/a" modified="12.5" rev="r"/>)", true, 12.5, false},
        {R"(<file path="/a" modified="12abc" rev="r" offline="TRUE"/>)", true, 12.0, true},
        {R"(<file path="/a" modified=" -3" rev="r" offline="yes"/>)", true, -3.0, false},
        {R"(<file path="/a" modified="abc" rev="r"/>)", false, std::nullopt, false},
        {R"(<file path="/a" modified="nan" rev="r"/>)", false, std::nullopt, false},
        {R"(<file path="/a" modified="inf" rev="r"/>)", false, std::nullopt, false},
        {R"(<file path="/a" modified="abc" rev="///0"/>)", true, std::nullopt, false},
        {R"(<file path="/a" modified="1"/>)", false, std::nullopt, false},
        {R"(<file modified="1" rev="r"/>)", false, std::nullopt, false},
        {R"(<file path="" modified="1" rev="r"/>)", false, std::nullopt, false},
        {R"(<folder path="/a" modified="1" rev="r"/>)", false, std::nullopt, false},
    };
    for (const Case& testCase : cases) {
        writeTestFile(file, "<file-cache>" + testCase.element + "</file-cache>");
        auto cache = open();
        DropboxFileInfoItem* item = cache->get("/a");
        EXPECT_EQ(item != nullptr, testCase.kept) << testCase.element;
        if (!item) continue;
        EXPECT_EQ(item->localModified(), testCase.modified) << testCase.element;
        EXPECT_EQ(item->offlineAvailable(), testCase.offline) << testCase.element;
    }
}

TEST_F(RecordsTest, AnUnreadableOrForeignFileIsSetAsideAndSaysSo)
{
    const std::vector<std::pair<std::string, bool>> cases = {
        {R"(<FILE-CACHE><file path="/a" modified="1" rev="r"/></FILE-CACHE>)", false},
        {R"(<?xml version="1.0"?><x:file-cache xmlns:x="urn:x"><file path="/a" modified="1" rev="r"/></x:file-cache>)",
         false},
        {R"(<other><file path="/a" modified="1" rev="r"/></other>)", true},
        {"<file-cache><file path=", true},
        {"", true},
        {std::string("\xff\xfe\x00<", 4), true},
    };
    for (const auto& [contents, unreadable] : cases) {
        std::filesystem::remove_all(folder.path());
        std::filesystem::create_directories(folder.path());
        writeTestFile(file, contents);
        auto cache = open();
        EXPECT_EQ(cache->recordsWereUnreadable(), unreadable) << contents;
        EXPECT_EQ(cache->count(), unreadable ? 0u : 1u) << contents;
        EXPECT_EQ(std::filesystem::exists(file + ".corrupt"), unreadable) << contents;
        if (unreadable) {
            cache->update("/b", 1.0, std::string("r"));
            EXPECT_EQ(readTestFile(file + ".corrupt"), contents) << "the unreadable records stay for recovery";
        }
    }
    EXPECT_TRUE(open()->recordsWereUnreadable()) << "the set-aside file still counts";
    std::filesystem::remove(file);
    std::filesystem::remove(file + ".corrupt");
    EXPECT_FALSE(open()->recordsWereUnreadable()) << "no file is an empty cache, not a damaged one";
}

TEST_F(RecordsTest, FolderRenamesMoveOnlyWhatIsInsideTheFolder)
{
    auto cache = open();
    cache->update("/A/x.twkx", 1.0, 5.0, std::string("r1"))->setOfflineAvailable(true);
    cache->update("/a/Sub/z.twkx", 2.0, std::string("r2"));
    cache->update("/AB/y.twkx", 3.0, std::string("r3"));
    cache->directoryRenamed("/A", "/B/");
    EXPECT_FALSE(cache->get("/A/x.twkx"));
    ASSERT_TRUE(cache->get("/B/x.twkx"));
    EXPECT_EQ(cache->get("/B/x.twkx")->path(), "/B/x.twkx");
    EXPECT_EQ(cache->get("/B/x.twkx")->lastAccessed(), 5.0);
    EXPECT_TRUE(cache->get("/B/x.twkx")->offlineAvailable());
    EXPECT_EQ(cache->get("/B/Sub/z.twkx")->path(), "/B/Sub/z.twkx");
    EXPECT_TRUE(cache->get("/AB/y.twkx")) << "/AB is not inside /A";

    cache->directoryDeleted("/B");
    EXPECT_EQ(cache->count(), 1u);
    for (const char* root : {"/", "", "//"}) cache->directoryDeleted(root);
    EXPECT_EQ(cache->count(), 1u) << "the root is never deleted";
    ASSERT_TRUE(cache->flush());
    EXPECT_EQ(open()->count(), 1u) << "saved";
}

TEST_F(RecordsTest, FileRenamesCarryTheRecord)
{
    auto cache = open();
    cache->update("/Maps/plan.twkx", 1.0, 4.0, std::string("r1"))->setOfflineAvailable(true);
    cache->fileRenamed("/Maps/plan.twkx", "/Maps/Plan.twkx", "r2");
    ASSERT_EQ(cache->count(), 1u);
    EXPECT_EQ(cache->get("/maps/plan.twkx")->path(), "/Maps/Plan.twkx");
    EXPECT_EQ(cache->get("/maps/plan.twkx")->rev(), "r2");

    cache->fileRenamed("/Maps/Plan.twkx", "/Other/Plan.twkx", "r3");
    ASSERT_EQ(cache->count(), 1u);
    DropboxFileInfoItem* moved = cache->get("/Other/Plan.twkx");
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->localModified(), 1.0);
    EXPECT_EQ(moved->lastAccessed(), 4.0);
    EXPECT_TRUE(moved->offlineAvailable());
    EXPECT_EQ(moved->rev(), "r3");

    cache->fileRenamed("/Unknown.twkx", "/Known.twkx", "r4");
    EXPECT_EQ(cache->get("/Known.twkx")->localModified(), 800000000.5);
}

TEST_F(RecordsTest, NewFilesOfAFolderIgnoringCase)
{
    auto cache = open();
    cache->update("/Maps/New.twkx", std::nullopt, DropboxFileInfoItem::makeNewFileRev());
    cache->update("/maps/Old.twkx", 1.0, std::string("r"));
    cache->update("/Maps/Sub/Deep.twkx", std::nullopt, DropboxFileInfoItem::makeNewFileRev());
    auto found = cache->getNewFilesInDirectory("/MAPS");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->path(), "/Maps/New.twkx");
    EXPECT_EQ(cache->getNewFilesInDirectory("/maps/").size(), 1u);
}

TEST_F(RecordsTest, DatesSurviveTheFileAtMicrosecondPrecision)
{
    const std::string cached = folder.file("plan.twkx");
    writeTestFile(cached, "map");
    // A date the file system keeps to the nanosecond.
    timespec times[2] = {{1700000000, 123456789}, {1700000000, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, cached.c_str(), times, 0), 0);
    auto date = fileModificationDate(cached);
    ASSERT_TRUE(date);
    EXPECT_DOUBLE_EQ(*date, 1700000000.123456 - ReferenceDateOffsetFrom1970);

    {
        auto cache = open();
        cache->update("/Plan.twkx", *date, std::string("r"));
    }
    auto restarted = open();
    auto recorded = restarted->get("/Plan.twkx")->localModified();
    ASSERT_TRUE(recorded);
    EXPECT_TRUE(sameRecordDate(*recorded, *fileModificationDate(cached)))
        << "a restart must not make the file look changed";

    const std::vector<std::tuple<double, double, bool>> cases = {
        {10.0000001, 10.0000004, true},
        {10.000001, 10.000002, false},
        {722000000.123456, 722000000.1234564, true},
        {0, 0.000001, false},
    };
    for (const auto& [first, second, same] : cases)
        EXPECT_EQ(sameRecordDate(first, second), same) << first << " " << second;
    EXPECT_EQ(DropboxFileInfoCacheFiler::formatDate(722000000.123456), "722000000.123456");
    EXPECT_FALSE(fileModificationDate(folder.file("missing")));
}
