#include "platform/Folders.h"

#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

TEST(FoldersTest, MissingRelativeOrEmptyXdgVariablesFallBackToHome)
{
    ScopedEnvironment home("HOME", "/home/someone");
    using Value = std::optional<std::string>;
    const std::pair<Value, Value> unusable[] = {{std::nullopt, std::nullopt}, {"relative/config", ""}};
    for (const auto& [configValue, dataValue] : unusable) {
        ScopedEnvironment config("XDG_CONFIG_HOME", configValue);
        ScopedEnvironment data("XDG_DATA_HOME", dataValue);
        EXPECT_EQ(Folders::configFolder(), "/home/someone/.config/tarnwick");
        EXPECT_EQ(Folders::userDataFolder(), "/home/someone/.local/share/Tarnwick");
    }
}

// A map's file URL is made from these folders; a relative one made a URL that named no file, so a
// file imported at the start never opened.
TEST(FoldersTest, ARelativeHomeIsTakenFromTheWorkingFolder)
{
    ScopedEnvironment config("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnvironment data("XDG_DATA_HOME", std::nullopt);
    const std::string working = fs::current_path().string();
    const std::pair<const char*, std::string> homes[] = {
        {".", working},
        {"relative/dir", working + "/relative/dir"},
        {"./relative/dir/", working + "/relative/dir"},
        {"/home/someone", "/home/someone"},
        {"/home/someone/", "/home/someone"},
    };
    for (const auto& [value, folder] : homes) {
        SCOPED_TRACE(value);
        ScopedEnvironment home("HOME", std::string(value));
        EXPECT_EQ(Folders::userDataFolder(), folder + "/.local/share/Tarnwick");
        EXPECT_EQ(Folders::configFolder(), folder + "/.config/tarnwick");
    }
}

TEST(FoldersTest, ResourcesComeFromTheVariableOrBesideTheExecutables)
{
    EXPECT_TRUE(fs::exists(fs::path(Folders::executableFolder()) / "tw_tests_platform"));
    {
        ScopedEnvironment resources("TARNWICK_RESOURCES", "/opt/tarnwick-resources");
        EXPECT_EQ(Folders::resourcePath("strings/en.strings"), "/opt/tarnwick-resources/strings/en.strings");
    }
    ScopedEnvironment resources("TARNWICK_RESOURCES", std::nullopt);
    EXPECT_EQ(fs::path(Folders::resourcesFolder()), fs::path(Folders::executableFolder()).parent_path() / "resources");
    EXPECT_TRUE(fs::exists(Folders::resourcePath("strings/en.strings")));
}

TEST(FoldersTest, CreateFolderMakesParentsAndFailsWhereAFileIsInTheWay)
{
    TempDir temp;
    const std::string nested = temp.file("a/b/c");
    EXPECT_TRUE(Folders::createFolder(nested));
    EXPECT_TRUE(fs::is_directory(nested));
    EXPECT_TRUE(Folders::createFolder(nested));

    writeTestFile(temp.file("file"), "x");
    EXPECT_FALSE(Folders::createFolder(temp.file("file")));
    EXPECT_FALSE(Folders::createFolder(temp.file("file/below")));
    EXPECT_FALSE(Folders::createFolder(""));
}

// GLib (and GTK through it: recent files, bookmarks, a learnt word) keeps its first answer for
// the user's folders. A test that points them at a folder of its own must not become that
// answer, or GTK writes into the folder after the test removed it.
TEST(FoldersTest, GLibsFoldersStayTheTestProcesssWhileATestPointsThemElsewhere)
{
    TempDir own;
    ScopedEnvironment home("HOME", own.path());
    ScopedEnvironment data("XDG_DATA_HOME", own.file("data"));
    ScopedEnvironment config("XDG_CONFIG_HOME", own.file("config"));
    ScopedEnvironment cache("XDG_CACHE_HOME", own.file("cache"));
    for (const char* folder :
         {g_get_home_dir(), g_get_user_data_dir(), g_get_user_config_dir(), g_get_user_cache_dir()})
        EXPECT_NE(std::string(folder).rfind(own.path(), 0), 0u) << folder;
}
