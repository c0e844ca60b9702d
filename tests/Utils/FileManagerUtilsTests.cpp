#include "Utils/FileManagerUtils.h"
#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

TEST(UserDocumentsDirectory, WithoutAUsableXdgFolderTheFoldersLieInHome)
{
    TempDir home;
    ScopedEnvironment homeEnv("HOME", home.path());
    ScopedEnvironment dataEnv("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(getUserDocumentsDirectory(SearchPathDirectory::Library), home.file(".local/share"));
    EXPECT_TRUE(fs::is_directory(home.file(".local/share")));
    EXPECT_EQ(getUserDocumentsDirectory(SearchPathDirectory::Documents), home.file("Documents"));
    EXPECT_TRUE(fs::is_directory(home.file("Documents")));
}

TEST(UserDocumentsDirectory, FolderThatCannotBeMadeGivesNothing)
{
    TempDir dir;
    writeTestFile(dir.file("file"), "x");
    const std::string underAFile = dir.file("file/data");
    ScopedEnvironment env("XDG_DATA_HOME", underAFile);
    EXPECT_EQ(getUserDocumentsDirectory(SearchPathDirectory::Library), std::nullopt);
}

TEST(DateOfItem, ModificationTimeToTheNanosecond)
{
    TempDir dir;
    writeTestFile(dir.file("f"), "x");
    const timespec times[2] = {{1577934245, 500000000}, {1577934245, 500000000}}; // 2020-01-02 03:04:05.5 UTC
    ASSERT_EQ(utimensat(AT_FDCWD, dir.file("f").c_str(), times, 0), 0);
    const auto expected =
        std::chrono::system_clock::time_point(std::chrono::seconds(1577934245)) + std::chrono::milliseconds(500);
    EXPECT_EQ(getDateOfItemAtPath(dir.file("f")), expected);
    EXPECT_EQ(getDateOfItemAtPath(dir.file("missing")), std::nullopt);
}

} // namespace
