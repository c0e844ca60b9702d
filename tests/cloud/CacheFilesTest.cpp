#include "cloud/CacheFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

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
