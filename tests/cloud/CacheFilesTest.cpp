#include "cloud/CacheFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <glib.h>

#include <filesystem>

namespace fs = std::filesystem;

TEST(CacheFilesTest, RemovesATreeButTheFilesToKeepAndNeverFollowsALink)
{
    struct Case {
        const char* name;
        std::vector<std::string> keep;
        std::vector<std::string> left;
        bool gone;
    };
    const std::vector<Case> cases = {
        {"nothing kept", {}, {}, true},
        {"one file deep down", {"t/a/b/deep.twkx"}, {"t/a/b/deep.twkx"}, false},
        {"two folders", {"t/top.twkx", "t/a/x.twkx"}, {"t/top.twkx", "t/a/x.twkx"}, false},
        {"a path written with dots", {"t/a/../top.twkx"}, {"t/top.twkx"}, false},
        {"a file outside the tree", {"elsewhere/kept.txt"}, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        for (const char* file :
             {"t/top.twkx", "t/a/x.twkx", "t/a/b/deep.twkx", "t/empty/.hidden", "outside/keep.txt"}) {
            fs::create_directories(fs::path(dir.file(file)).parent_path());
            writeTestFile(dir.file(file), file);
        }
        fs::create_directory_symlink(dir.file("outside"), dir.file("t/a/link"));
        std::set<std::string> keep;
        for (const std::string& file : c.keep) keep.insert(dir.file(file));

        EXPECT_EQ(removeTreeExcept(dir.file("t"), keep), c.gone);

        EXPECT_EQ(fs::exists(dir.file("t")), !c.gone);
        for (const std::string& file : c.left) EXPECT_TRUE(fs::exists(dir.file(file))) << file;
        EXPECT_FALSE(fs::exists(dir.file("t/empty")));
        EXPECT_FALSE(fs::exists(fs::symlink_status(dir.file("t/a/link"))));
        EXPECT_TRUE(fs::exists(dir.file("outside/keep.txt"))) << "a link's target is never touched";
    }
    EXPECT_TRUE(removeTreeExcept("/nonexistent/folder/of/nothing", {}));
    EXPECT_FALSE(removeTreeExcept("", {}));
}

namespace {

std::string repeated(const std::string& text, size_t times)
{
    std::string result;
    for (size_t i = 0; i < times; ++i) result += text;
    return result;
}

bool isWholeUtf8(const std::string& text)
{
    return g_utf8_validate(text.data(), gssize(text.size()), nullptr);
}

} // namespace

TEST(CacheFilesTest, NamesTooLongForTheFileSystemAreShortenedUniquelyAndAlwaysAlike)
{
    const std::string cjk = "\xe6\xbc\xa2"; // three bytes
    struct Case {
        const char* name;
        std::string given;
        bool shortened;
        std::string extension;
    };
    const std::vector<Case> cases = {
        {"short", "Plan.twkx", false, ".twkx"},
        {"exactly the limit", repeated("a", 250) + ".twkx", false, ".twkx"},
        {"one byte over", repeated("a", 251) + ".twkx", true, ".twkx"},
        {"ninety CJK characters", repeated(cjk, 90) + ".twkx", true, ".twkx"},
        {"decomposed accents", repeated("e\xcc\x81", 100) + ".twkx", true, ".twkx"},
        {"no extension", repeated(cjk, 100), true, ""},
        {"an extension too long to keep", "a." + repeated("b", 300), true, ""},
        {"a leading dot only", "." + repeated("x", 300), true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string fitted = fitCacheFileName(c.given);
        EXPECT_LE(fitted.size(), MaximumCacheNameBytes);
        EXPECT_EQ(fitted != c.given, c.shortened);
        EXPECT_EQ(fitted, fitCacheFileName(c.given)) << "the same name always gets the same file";
        EXPECT_TRUE(isWholeUtf8(fitted));
        EXPECT_EQ(fitted.find('/'), std::string::npos);
        EXPECT_TRUE(fitted.size() >= c.extension.size() &&
                    fitted.compare(fitted.size() - c.extension.size(), c.extension.size(), c.extension) == 0);
        if (c.shortened) {
            EXPECT_EQ(fitCacheFileName(c.given + "x"), fitCacheFileName(c.given + "x"));
            EXPECT_NE(fitCacheFileName("x" + c.given), fitted) << "names that differ share no file";
            EXPECT_NE(fitCacheFileName(c.given.substr(0, c.given.size() - 1) + "!"), fitted);
        }
    }
    EXPECT_EQ(fitCachePath("a/" + repeated(cjk, 90) + "/b.twkx"),
              "a/" + fitCacheFileName(repeated(cjk, 90)) + "/b.twkx");
    EXPECT_EQ(fitCachePath(""), "");
    EXPECT_EQ(fitCachePath("a/b/"), "a/b/");
}
