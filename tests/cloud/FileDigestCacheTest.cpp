#include "cloud/FileDigestCache.h"
#include "Utils/CryptoDigest.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

namespace {

// Sets both file times to a whole second, so that a rewrite within it keeps the modification time.
void setTimes(const std::string& path, time_t seconds)
{
    timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

} // namespace

TEST(FileDigestCacheTest, ReadsAFileAgainOnlyWhenItsSignatureChanged)
{
    TempDir folder;
    const std::string path = folder.file("31416243.twkx");
    struct Step {
        const char* what;
        std::function<void()> change;
        bool read;
    };
    const std::vector<Step> steps = {
        {"first look", [] {}, true},
        {"unchanged", [] {}, false},
        {"same size, same second",
         [&] {
             writeTestFile(path, "BBBB");
             setTimes(path, 1000);
         },
         true},
        {"times put back by hand", [&] { setTimes(path, 1000); }, true},
        {"replaced by rename",
         [&] {
             writeTestFile(path + ".new", "CCCC");
             setTimes(path + ".new", 1000);
             std::rename((path + ".new").c_str(), path.c_str());
         },
         true},
        {"unchanged again", [] {}, false},
    };
    writeTestFile(path, "AAAA");
    setTimes(path, 1000);
    FileDigestCache digests;
    for (const Step& step : steps) {
        const uint64_t before = digests.filesRead();
        step.change();
        EXPECT_EQ(digests.md5HexString(path), FileMD5HexString(path)) << step.what;
        EXPECT_EQ(digests.filesRead() - before, step.read ? 1u : 0u) << step.what;
    }
    std::filesystem::remove(path);
    EXPECT_EQ(digests.md5HexString(path), std::nullopt);
    EXPECT_EQ(digests.count(), 0u);
    EXPECT_EQ(digests.md5HexString(folder.path()), std::nullopt) << "a folder has no digest";
}
