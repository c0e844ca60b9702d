#include "platform/Folders.h"

#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

TEST(FoldersTest, ConfigAndDataFoldersFollowTheXdgVariables)
{
    ScopedEnvironment config("XDG_CONFIG_HOME", "/somewhere/config");
    ScopedEnvironment data("XDG_DATA_HOME", "/somewhere/data");
    EXPECT_EQ(Folders::configFolder(), "/somewhere/config/tarnwick");
    EXPECT_EQ(Folders::userDataFolder(), "/somewhere/data/Tarnwick");
}

TEST(FoldersTest, WithoutXdgVariablesTheFoldersLieUnderHome)
{
    ScopedEnvironment home("HOME", "/home/someone");
    ScopedEnvironment config("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnvironment data("XDG_DATA_HOME", std::nullopt);
    EXPECT_EQ(Folders::configFolder(), "/home/someone/.config/tarnwick");
    EXPECT_EQ(Folders::userDataFolder(), "/home/someone/.local/share/Tarnwick");
}

TEST(FoldersTest, RelativeOrEmptyXdgVariablesAreIgnored)
{
    ScopedEnvironment home("HOME", "/home/someone");
    ScopedEnvironment config("XDG_CONFIG_HOME", "relative/config");
    ScopedEnvironment data("XDG_DATA_HOME", "");
    EXPECT_EQ(Folders::configFolder(), "/home/someone/.config/tarnwick");
    EXPECT_EQ(Folders::userDataFolder(), "/home/someone/.local/share/Tarnwick");
}

TEST(FoldersTest, TheExecutableFolderHoldsThisTest)
{
    const std::string folder = Folders::executableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(fs::exists(fs::path(folder) / "tw_tests_platform"));
}

TEST(FoldersTest, ResourcesComeFromTheVariableWhenSet)
{
    ScopedEnvironment resources("TARNWICK_RESOURCES", "/opt/tarnwick-resources");
    EXPECT_EQ(Folders::resourcesFolder(), "/opt/tarnwick-resources");
    EXPECT_EQ(Folders::resourcePath("strings/en.strings"), "/opt/tarnwick-resources/strings/en.strings");
}

TEST(FoldersTest, ResourcesAreFoundBesideTheExecutables)
{
    ScopedEnvironment resources("TARNWICK_RESOURCES", std::nullopt);
    const fs::path folder = Folders::resourcesFolder();
    EXPECT_EQ(folder, (fs::path(Folders::executableFolder()).parent_path() / "resources"));
    EXPECT_TRUE(fs::exists(Folders::resourcePath("strings/en.strings")));
}

TEST(FoldersTest, CreateFolderMakesParentsAndAcceptsExistingFolders)
{
    TempDir temp;
    const std::string nested = temp.file("a/b/c");
    EXPECT_TRUE(Folders::createFolder(nested));
    EXPECT_TRUE(fs::is_directory(nested));
    EXPECT_TRUE(Folders::createFolder(nested));
}

TEST(FoldersTest, CreateFolderFailsWhereAFileIsInTheWay)
{
    TempDir temp;
    writeTestFile(temp.file("file"), "x");
    EXPECT_FALSE(Folders::createFolder(temp.file("file")));
    EXPECT_FALSE(Folders::createFolder(temp.file("file/below")));
    EXPECT_FALSE(Folders::createFolder(""));
}
