#include "platform/FileUtils.h"

#include "support/ScopedFileSizeLimit.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

size_t entriesIn(const std::string& folder)
{
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++count;
    return count;
}

} // namespace

TEST(FileUtilsTest, WritesAndReadsBackTextBytesAndEmptyFiles)
{
    TempDir temp;
    const std::string path = temp.file("map.twkx");
    ASSERT_TRUE(writeFileAtomically(path, std::string("first\0version", 13)));
    EXPECT_EQ(readFileText(path, 13), std::string("first\0version", 13));

    const std::vector<uint8_t> bytes{0, 1, 2, 255};
    ASSERT_TRUE(writeFileAtomically(path, bytes));
    EXPECT_EQ(readFileData(path, 4), bytes);
    EXPECT_EQ(entriesIn(temp.path()), 1u) << "no temporary file may stay behind";
    ASSERT_TRUE(writeFileAtomically(path, std::string_view()));
    EXPECT_EQ(readFileData(path, 0), std::vector<uint8_t>{});
}

TEST(FileUtilsTest, AFailedWriteLeavesTheOldFileAndNoTemporary)
{
    TempDir temp;
    const std::string path = temp.file("defaults.plist");
    writeTestFile(path, "old content");
    Error error;
    {
        ScopedFileSizeLimit limit(4);
        EXPECT_FALSE(writeFileAtomically(path, std::string(10000, 'x'), &error));
    }
    EXPECT_EQ(error.code, EFBIG);
    EXPECT_NE(error.failureReason.find(path), std::string::npos) << error.failureReason;
    EXPECT_EQ(readTestFile(path), "old content");
    EXPECT_EQ(entriesIn(temp.path()), 1u);
}

TEST(FileUtilsTest, AFolderInTheWayOfTheTargetIsNotReplaced)
{
    TempDir temp;
    fs::create_directories(temp.file("target/inside"));
    Error error;
    EXPECT_FALSE(writeFileAtomically(temp.file("target"), "data", &error));
    EXPECT_FALSE(error.failureReason.empty());
    EXPECT_TRUE(fs::is_directory(temp.file("target/inside")));
    EXPECT_EQ(entriesIn(temp.path()), 1u);
}

TEST(FileUtilsTest, ReplacingKeepsThePermissionsAndNewFilesAreNotPrivate)
{
    TempDir temp;
    const std::string path = temp.file("private");
    writeTestFile(path, "old");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(writeFileAtomically(path, "new"));
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    ASSERT_TRUE(writeFileAtomically(temp.file("new"), "x"));
    ASSERT_EQ(::stat(temp.file("new").c_str(), &st), 0);
    EXPECT_NE(st.st_mode & 0044, 0u) << "mkstemp's 0600 must not leak into the result";
}

TEST(FileUtilsTest, AFileBuiltPieceByPieceReplacesItsTargetOnlyWhenMoved)
{
    TempDir temp;
    const std::string target = temp.file("archive.zip");
    writeTestFile(target, "old");
    std::string temporary;
    const int fd = createTemporaryFileBeside(target, temporary);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(fs::path(temporary).parent_path(), fs::path(temp.path()));
    ASSERT_EQ(::write(fd, "new", 3), 3);
    ::close(fd);
    EXPECT_EQ(readTestFile(target), "old");
    ASSERT_TRUE(moveTemporaryFileOver(temporary, target));
    EXPECT_EQ(readTestFile(target), "new");

    // A folder in the way: the move fails, names the file, and leaves no temporary behind.
    fs::create_directories(temp.file("folder/inside"));
    const int other = createTemporaryFileBeside(temp.file("folder"), temporary);
    ASSERT_GE(other, 0);
    ::close(other);
    Error error;
    EXPECT_FALSE(moveTemporaryFileOver(temporary, temp.file("folder"), &error));
    EXPECT_NE(error.localizedDescription.find("folder"), std::string::npos) << error.localizedDescription;
    EXPECT_FALSE(fs::exists(temporary));
    EXPECT_TRUE(fs::is_directory(temp.file("folder/inside")));
}

// A reader gets what its limit allows and no more: a larger file is refused by its size, and one
// that holds more than its size says (as a file growing while it is read does; the system's
// status files say 0) is refused once a byte past the limit has come.
TEST(FileUtilsTest, AFileIsReadUpToItsReadersLimitAndRefusedPastIt)
{
    TempDir temp;
    constexpr uint64_t Limit = 4096;
    writeTestFile(temp.file("at"), std::string(Limit, 'x'));
    writeTestFile(temp.file("past"), std::string(Limit + 1, 'x'));
    const struct Case {
        const char* what;
        std::string path;
        uint64_t limit;
        bool read;
    } cases[] = {
        {"at the limit", temp.file("at"), Limit, true},
        {"a byte past it", temp.file("past"), Limit, false},
        {"more than its size says, past the limit", "/proc/self/status", 64, false},
        {"more than its size says, within the limit", "/proc/self/status", Limit, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Error error;
        const std::optional<std::vector<uint8_t>> data = readFileData(c.path, c.limit, &error);
        ASSERT_EQ(data.has_value(), c.read);
        if (c.read) {
            EXPECT_GT(data->size(), 64u);
            EXPECT_LE(data->size(), c.limit);
        } else {
            EXPECT_TRUE(isTooLargeToRead(error));
            EXPECT_NE(error.failureReason.find(c.path), std::string::npos) << error.failureReason;
        }
    }
}

TEST(FileUtilsTest, MissingFilesFoldersDevicesAndPipesAreRefusedUnread)
{
    TempDir temp;
    Error error;
    EXPECT_FALSE(readFileData(temp.file("absent"), 64, &error));
    EXPECT_EQ(error.code, ENOENT);
    EXPECT_NE(error.failureReason.find(temp.file("absent")), std::string::npos);
    EXPECT_FALSE(readFileData(temp.path(), 64, &error));

    EXPECT_FALSE(readFileData("/dev/zero", 64, &error)) << "an endless device must not be read";
    EXPECT_NE(error.failureReason.find("not a regular file"), std::string::npos);

    const std::string fifo = temp.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(readFileData(fifo, 64, &error)) << "a pipe without a writer must not block the read";
}
