#include "explorers/FileListItem.h"
#include "FileListTestSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

TEST(FileListItemTest, ExtensionsGiveTheKindCodes)
{
    struct Case {
        const char* extension;
        int32_t type;
    } cases[] = {
        {"twkx", 4},  {"TWKX", 4},   {"TwKx", 4},    {"opml", 8},   {"OPML", 8}, {"mm", 16},
        {"MM", 16},   {"pdf", 64},   {"PDF", 64},    {"jpeg", 32},  {"jpg", 32}, {"JPG", 32},
        {"png", 32},  {"gif", 32},   {"bmp", 32},    {"tiff", 32},  {"", 128},   {"txt", 128},
        {"twk", 128}, {"docx", 128}, {"twkx ", 128}, {"\xFF", 128},
    };
    for (const Case& c : cases) EXPECT_EQ(c.type, FileListItem::extensionToItemType(c.extension)) << c.extension;

    TempDir folder;
    const std::string subfolder = folder.file("photos.jpeg");
    ASSERT_EQ(0, ::mkdir(subfolder.c_str(), 0700));
    std::ofstream(folder.file("Report.TWKX")) << "x";
    struct PathCase {
        std::string path;
        int32_t type;
    } paths[] = {
        {subfolder, 2},
        {folder.file("Report.TWKX"), 4},
        {folder.file("photo.jpeg"), 32},
        {folder.file("README"), 128},
        {folder.file(".hidden"), 128},
        {folder.file("notes.opml"), 8},
    };
    for (const PathCase& c : paths) EXPECT_EQ(c.type, FileListItem::detectItemType(c.path)) << c.path;

    EXPECT_EQ(254, fileListItemTypeFilter(0));
    EXPECT_EQ(250, fileListItemTypeFilter(1));
    EXPECT_EQ(250, fileListItemTypeFilter(2));
    EXPECT_EQ(6, fileListItemTypeFilter(3));
    EXPECT_EQ(254, fileListItemTypeFilter(4));
    EXPECT_EQ(254, fileListItemTypeFilter(5));
    EXPECT_EQ(0, 254 & FileListItemType::NavigateUp);
    EXPECT_EQ(0, 250 & FileListItemType::NativeMindMap);
    EXPECT_EQ(FileListItemType::Folder | FileListItemType::NativeMindMap, 6);
}

TEST(FileListItemTest, FoldersByNaturalNameThenFilesThenTheWayUp)
{
    FileListItems items = {
        makeItem(FileListItemType::NavigateUp, ".."),     makeItem(FileListItemType::OtherFile, "zeta.txt"),
        makeItem(FileListItemType::Folder, "b"),          makeItem(FileListItemType::NativeMindMap, "Agenda.twkx"),
        makeItem(FileListItemType::Folder, "a10"),        makeItem(FileListItemType::Opml, "agenda2.opml"),
        makeItem(FileListItemType::Folder, "a9"),         makeItem(FileListItemType::Image, "photo 10.png"),
        makeItem(FileListItemType::Image, "photo 9.png"),
    };
    sortFileListItems(items);
    std::vector<std::string> names;
    for (const auto& item : items) names.push_back(item->fileName());
    EXPECT_EQ((std::vector<std::string>{"a9", "a10", "b", "Agenda.twkx", "agenda2.opml", "photo 9.png", "photo 10.png",
                                        "zeta.txt", ".."}),
              names);

    // The way up is a folder, yet it follows every file whatever its name: an order that put it
    // among the folders by name and after the files by kind would contradict itself.
    const auto up = makeItem(FileListItemType::NavigateUp, "aaa");
    const auto folder = makeItem(FileListItemType::Folder, "zzz");
    const auto file = makeItem(FileListItemType::OtherFile, "mmm");
    EXPECT_GT(up->compare(*folder), 0);
    EXPECT_GT(up->compare(*file), 0);
    EXPECT_LT(folder->compare(*file), 0);
    EXPECT_EQ(0, folder->compare(*folder));

    EXPECT_TRUE(folder->isDirectory());
    EXPECT_TRUE(up->isDirectory());
    EXPECT_FALSE(file->isDirectory());
    EXPECT_TRUE(makeItem(4, "m.twkx")->isTwkxMindMap());
    EXPECT_EQ("m", makeItem(4, "m.twkx")->justFileName());
}

TEST(FileListItemTest, RenamingAnItemRefreshesItsNameWithoutExtension)
{
    FileListItem item(FileListItemType::NativeMindMap);
    item.setFileName("old.twkx");
    EXPECT_EQ("old", item.justFileName());
    item.setFileName("new.twkx");
    EXPECT_EQ("new", item.justFileName());
    FileListItem other(FileListItemType::NativeMindMap);
    other.setFileName("middle.twkx");
    EXPECT_GT(item.compare(other), 0);
}
