#include "ArchiveTestSupport.h"

#include "formats/TwkxArchiveReader.h"
#include "formats/UnzipArchive.h"
#include "formats/ZipArchive.h"
#include "formats/ZipDetection.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <sys/stat.h>

using namespace ArchiveTest;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::system_clock;

// Entry dates are local times; the tests pin the zone so that the expected fields are known.
class ZipArchiveTest : public ::testing::Test {
protected:
    Clock::time_point utcDate(int year, int month, int day, int hour, int minute, int second)
    {
        std::tm t{};
        t.tm_year = year - 1900;
        t.tm_mon = month - 1;
        t.tm_mday = day;
        t.tm_hour = hour;
        t.tm_min = minute;
        t.tm_sec = second;
        return Clock::from_time_t(timegm(&t));
    }

    std::string writeZip(const std::vector<std::pair<std::string, std::string>>& entries,
                         const std::string& password = {})
    {
        const std::string path = _dir.file("archive-" + std::to_string(++_count) + ".zip");
        ZipArchive zip;
        EXPECT_TRUE(zip.CreateZipFile2(path, password));
        for (const auto& [name, text] : entries) {
            EXPECT_TRUE(zip.addDataToZip(bytesOf(text), utcDate(2021, 6, 7, 8, 9, 10), name)) << name;
        }
        EXPECT_TRUE(zip.CloseZipFile2());
        return path;
    }

    std::vector<std::string> folderContents(const std::string& folder)
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            names.push_back(fs::relative(entry.path(), folder).string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir _dir;
    int _count = 0;
    ScopedTimeZone _zone{"UTC"};
};

// --- Writing ------------------------------------------------------------------------------------

TEST_F(ZipArchiveTest, PasswordWithCharactersBeyondAsciiIsRefusedRatherThanDropped)
{
    ZipArchive zip;
    ASSERT_TRUE(zip.CreateZipFile2(_dir.file("a.zip"),
                                   "gr\xC3\xBC\xC3\x9F"
                                   "e"));
    EXPECT_FALSE(zip.addDataToZip(bytesOf("data"), std::nullopt, "a.txt"));
    EXPECT_TRUE(zip.CloseZipFile2());
}

// --- Hostile archives ---------------------------------------------------------------------------

class HostileZipTest : public ZipArchiveTest {
protected:
    // A zip with one stored entry written by Python, so that its data lies bare in the file.
    Bytes storedZip(const std::string& name, const std::string& text)
    {
        const std::string path = _dir.file("stored-" + std::to_string(++_count) + ".zip");
        EXPECT_TRUE(writePythonZip(path, {{name, bytesOf(text), true}}));
        return readBytes(path);
    }

    void SetUp() override
    {
        ZipArchiveTest::SetUp();
        if (!toolAvailable(PythonTool)) GTEST_SKIP() << "python3 is not installed";
    }
};

TEST_F(HostileZipTest, DeclaredSizeThatLiesIsNotTrustedOrAllocated)
{
    // Four gigabytes claimed for eleven bytes: sizing the buffer by the claim would exhaust memory.
    // A claim beyond the entry limit refuses the archive before anything is read.
    for (uint32_t size : {5u, 1000000u, 0xFFFFFFF0u}) {
        Bytes zip = storedZip("a.txt", "hello world");
        setDeclaredSize(zip, size);
        UnzipArchive unzip;
        if (size > UnzipArchive::DefaultExtractionLimit) {
            EXPECT_FALSE(unzip.UnzipOpenData(zip));
            continue;
        }
        ASSERT_TRUE(unzip.UnzipOpenData(zip));
        EXPECT_FALSE(unzip.extractFileData("a.txt")) << size;
    }
}

TEST_F(ZipArchiveTest, EntriesAboveTheExtractionLimitAreRefused)
{
    EXPECT_EQ(UnzipArchive::DefaultExtractionLimit, uint64_t(512) * 1024 * 1024);
    ZipArchive zip;
    ASSERT_TRUE(zip.CreateZipData());
    // Four megabytes of zeros pack into a few kilobytes.
    ASSERT_TRUE(zip.addDataToZip(Bytes(4 << 20, 0), std::nullopt, "bomb.bin"));
    ASSERT_TRUE(zip.addDataToZip(Bytes(1000, 1), std::nullopt, "exact.bin"));
    ASSERT_TRUE(zip.CloseZipFile2());
    EXPECT_LT(zip.zipData().size(), 64u * 1024);

    UnzipArchive unzip;
    ASSERT_TRUE(unzip.UnzipOpenData(zip.zipData()));
    unzip.setExtractionLimit(1000);
    EXPECT_FALSE(unzip.extractFileData("bomb.bin"));
    EXPECT_EQ(unzip.extractFileData("exact.bin"), Bytes(1000, 1));
    EXPECT_FALSE(unzip.UnzipFileTo(_dir.file("out"), UnzipReplaceAlways, true));
    EXPECT_FALSE(fs::exists(_dir.file("out/bomb.bin")));
}

TEST_F(ZipArchiveTest, TruncatedAndGarbageArchivesDoNotOpen)
{
    const Bytes whole = readBytes(writeZip({{"a.txt", std::string(2000, 'a')}, {"b.txt", "b"}}));
    // These cuts lose the directory at the end, which is where entries are found.
    for (size_t length : {size_t(0), size_t(4), whole.size() / 2, whole.size() - 22}) {
        UnzipArchive unzip;
        EXPECT_FALSE(unzip.UnzipOpenData(Bytes(whole.begin(), whole.begin() + static_cast<long>(length)))) << length;
        EXPECT_FALSE(unzip.extractFileData("a.txt"));
    }

    Bytes garbage(10000);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>((i * 131) ^ (i >> 3));
    garbage[0] = 'P';
    garbage[1] = 'K';
    garbage[2] = 3;
    garbage[3] = 4;
    UnzipArchive unzip;
    EXPECT_FALSE(unzip.UnzipOpenData(garbage));
    EXPECT_FALSE(unzip.UnzipOpenFile(_dir.file("missing.zip")));
}

// --- Limits ------------------------------------------------------------------------------------

// The standard limits at their edges: what the central directory declares decides, before any
// entry is unpacked.
TEST(ArchiveLimits, TheStandardLimitsRefuseOnlyArchivesPastThem)
{
    constexpr uint64_t MiB = 1024 * 1024;
    struct Case {
        uint64_t archiveSize, entries, largest, total;
        const char* refusedFor; // a piece of the reason, or nullptr when the archive is read
    };
    const Case cases[] = {
        {MiB, 100000, 0, 0, nullptr},
        {MiB, 100001, 0, 0, "100001 entries"},
        {1024 * MiB, 1, 512 * MiB, 512 * MiB, nullptr},
        {1024 * MiB, 1, 512 * MiB + 1, 512 * MiB + 1, "512.1 MB"},
        {2048 * MiB, 8, 256 * MiB, 2048 * MiB, nullptr},
        {2048 * MiB, 9, 256 * MiB, 2048 * MiB + 1, "2048.1 MB"},
        // Below the floor any ratio is read; past it, 200 times the archive's size at most.
        {1, 2, 64 * MiB, 64 * MiB, nullptr},
        {1, 2, 64 * MiB, 64 * MiB + 1, "200 times"},
        {MiB, 2, 100 * MiB, 200 * MiB, nullptr},
        {MiB, 3, 100 * MiB, 200 * MiB + 200, "200 times"},
    };
    for (const Case& c : cases) {
        Error error;
        const bool read =
            UnzipArchive::checkLimits(UnzipArchive::Limits(), c.archiveSize, c.entries, c.largest, c.total, &error);
        EXPECT_EQ(read, c.refusedFor == nullptr) << c.entries << " " << c.total;
        if (!c.refusedFor) continue;
        EXPECT_EQ(error.code, UnzipArchive::RefusedErrorCode);
        EXPECT_NE(error.failureReason.find(c.refusedFor), std::string::npos) << error.failureReason;
    }
}

// Real archives against small limits: at a limit they open and every entry reads; one past it they
// are refused at the opening, whatever the entries hold.
TEST(ArchiveLimits, ArchivesPastALimitAreRefusedWhenOpenedAndArchivesAtItRead)
{
    UnzipArchive::Limits limits;
    limits.maximumEntries = 3;
    limits.maximumEntrySize = 1000;
    limits.maximumTotalSize = 2500;
    limits.ratioFloor = 1500;
    limits.maximumRatio = 4;
    struct Case {
        std::vector<std::pair<std::string, Bytes>> entries;
        bool read;
    };
    auto noise = [](size_t size) {
        Bytes bytes(size);
        uint32_t state = 12345;
        for (uint8_t& byte : bytes) byte = static_cast<uint8_t>((state = state * 1103515245 + 12345) >> 24);
        return bytes;
    };
    const Case cases[] = {
        {{{"a", noise(1000)}, {"b", noise(1000)}, {"c", noise(500)}}, true},
        {{{"a", noise(10)}, {"b", noise(10)}, {"c", noise(10)}, {"d", noise(10)}}, false},
        {{{"a", noise(1001)}}, false},
        {{{"a", noise(1000)}, {"b", noise(1000)}, {"c", noise(501)}}, false},
        // Zeros pack tightly: below the floor that is no reason, past it it is.
        {{{"a", Bytes(750, 0)}, {"b", Bytes(750, 0)}}, true},
        {{{"a", Bytes(1000, 0)}, {"b", Bytes(501, 0)}}, false},
    };
    for (const Case& c : cases) {
        ZipArchive zip;
        ASSERT_TRUE(zip.CreateZipData());
        for (const auto& [name, data] : c.entries) ASSERT_TRUE(zip.addDataToZip(data, std::nullopt, name));
        ASSERT_TRUE(zip.CloseZipFile2());

        UnzipArchive unzip;
        unzip.setLimits(limits);
        Error error;
        EXPECT_EQ(unzip.UnzipOpenData(zip.zipData(), &error), c.read) << c.entries.size();
        EXPECT_EQ(error.isEmpty(), c.read) << error.failureReason;
        EXPECT_EQ(unzip.entryCount(), c.read ? c.entries.size() : 0u);
        for (const auto& [name, data] : c.entries)
            EXPECT_EQ(unzip.extractFileData(name), c.read ? std::optional(data) : std::nullopt);
    }
}

// The containers of every reader road, with the standard limits: a directory claiming more than
// the limits allow is refused by its claim alone.
TEST(ArchiveLimits, ContainersClaimingTooMuchAreRefusedWithTheLimitTheyPass)
{
    auto container = [](uint32_t claimed, size_t entries) {
        ZipArchive zip;
        EXPECT_TRUE(zip.CreateZipData());
        for (size_t i = 0; i < entries; ++i)
            EXPECT_TRUE(zip.addDataToZip(bytesOf("x"), std::nullopt, "images/" + std::to_string(i) + ".png"));
        EXPECT_TRUE(zip.CloseZipFile2());
        Bytes bytes = zip.zipData();
        setDirectorySizes(bytes, claimed);
        return bytes;
    };
    const struct {
        Bytes archive;
        const char* refusedFor;
    } cases[] = {
        {container(600u << 20, 1), "512.0 MB"},
        {container(500u << 20, 5), "2048.0 MB"},
        {container(65u << 20, 1), "200 times"},
    };
    for (const auto& c : cases) {
        Error error;
        TwkxArchiveReader reader(c.archive, &error);
        EXPECT_FALSE(reader.isOpen());
        EXPECT_TRUE(reader.files().empty());
        EXPECT_FALSE(reader.extractFile("images/0.png"));
        EXPECT_EQ(error.code, UnzipArchive::RefusedErrorCode);
        EXPECT_NE(error.failureReason.find(c.refusedFor), std::string::npos) << error.failureReason;
    }
}

// --- Extracting to a folder ---------------------------------------------------------------------

TEST_F(ZipArchiveTest, UnzipFileToWritesEveryEntryWithItsDateAndCountsFiles)
{
    const std::string path =
        writeZip({{"top.txt", "top"}, {"nested/", ""}, {"nested/deeper/file.txt", "deep"}, {"win\\style.txt", "win"}});
    UnzipArchive unzip;
    ASSERT_TRUE(unzip.UnzipOpenFile(path));
    ASSERT_TRUE(unzip.UnzipFileTo(_dir.file("out"), UnzipKeepExisting, true));
    EXPECT_EQ(unzip.unzippedFiles(), 3);
    EXPECT_EQ(readTestFile(_dir.file("out/top.txt")), "top");
    EXPECT_EQ(readTestFile(_dir.file("out/nested/deeper/file.txt")), "deep");
    EXPECT_EQ(readTestFile(_dir.file("out/win/style.txt")), "win");
    EXPECT_EQ(folderContents(_dir.file("out")),
              (std::vector<std::string>{"nested", "nested/deeper", "nested/deeper/file.txt", "top.txt", "win",
                                        "win/style.txt"}))
        << "no temporary file may be left behind";

    struct stat info {};
    ASSERT_EQ(stat(_dir.file("out/top.txt").c_str(), &info), 0);
    EXPECT_EQ(Clock::from_time_t(info.st_mtime), utcDate(2021, 6, 7, 8, 9, 10));
}

TEST_F(ZipArchiveTest, OverwriteModesKeepReplaceOlderAndReplaceAlways)
{
    const std::string path = writeZip({{"file.txt", "from archive"}}); // dated 2021-06-07
    auto prepare = [&](const std::string& folder, Clock::time_point date) {
        fs::create_directories(folder);
        writeTestFile(folder + "/file.txt", "existing");
        fs::last_write_time(folder + "/file.txt",
                            fs::file_time_type::clock::now() -
                                std::chrono::duration_cast<fs::file_time_type::duration>(Clock::now() - date));
    };
    struct Case {
        int32_t mode;
        Clock::time_point existingDate;
        const char* expected;
    };
    const Case cases[] = {
        {UnzipKeepExisting, utcDate(2000, 1, 1, 0, 0, 0), "existing"},
        {UnzipReplaceOlder, utcDate(2000, 1, 1, 0, 0, 0), "from archive"},
        {UnzipReplaceOlder, utcDate(2023, 1, 1, 0, 0, 0), "existing"},
        {UnzipReplaceAlways, utcDate(2023, 1, 1, 0, 0, 0), "from archive"},
        {7, utcDate(2000, 1, 1, 0, 0, 0), "existing"},
    };
    int index = 0;
    for (const Case& c : cases) {
        const std::string folder = _dir.file("mode-" + std::to_string(index++));
        prepare(folder, c.existingDate);
        UnzipArchive unzip;
        ASSERT_TRUE(unzip.UnzipOpenFile(path));
        EXPECT_TRUE(unzip.UnzipFileTo(folder, c.mode, true));
        EXPECT_EQ(readTestFile(folder + "/file.txt"), c.expected) << "mode " << c.mode;
        EXPECT_EQ(unzip.unzippedFiles(), std::string(c.expected) == "existing" ? 0 : 1);
    }
}

TEST_F(ZipArchiveTest, EntryNamesThatLeaveTheFolderAreRefusedAndNothingIsWrittenOutside)
{
    const std::vector<std::string> hostile = {
        "images/../../x.png", "/tmp/absolute.txt", "c:drive.txt", "images\\..\\..\\x.png", "a/./b.txt",
    };
    for (const std::string& name : hostile) {
        TempDir root;
        const std::string target = root.file("a/b/target");
        fs::create_directories(target);
        ZipArchive zip;
        ASSERT_TRUE(zip.CreateZipFile2(root.file("hostile.zip")));
        ASSERT_TRUE(zip.addDataToZip(bytesOf("payload"), std::nullopt, name));
        ASSERT_TRUE(zip.CloseZipFile2());

        UnzipArchive unzip;
        ASSERT_TRUE(unzip.UnzipOpenFile(root.file("hostile.zip")));
        EXPECT_FALSE(unzip.UnzipFileTo(target, UnzipReplaceAlways, true)) << name;
        EXPECT_EQ(unzip.unzippedFiles(), 0) << name;
        EXPECT_EQ(folderContents(root.path()), (std::vector<std::string>{"a", "a/b", "a/b/target", "hostile.zip"}))
            << name;
    }
    EXPECT_FALSE(fs::exists("/tmp/absolute.txt"));
}

TEST_F(HostileZipTest, FailedEntryLeavesTheExistingFileAndNoTemporaryFile)
{
    Bytes zip = storedZip("file.txt", "replacement");
    const auto layout = singleEntryLayout(zip);
    ASSERT_TRUE(layout);
    zip[layout->data + 3] ^= 0xFF;
    writeBytes(_dir.file("bad.zip"), zip);
    fs::create_directories(_dir.file("out"));
    writeTestFile(_dir.file("out/file.txt"), "original");

    UnzipArchive unzip;
    ASSERT_TRUE(unzip.UnzipOpenFile(_dir.file("bad.zip")));
    EXPECT_FALSE(unzip.UnzipFileTo(_dir.file("out"), UnzipReplaceAlways, true));
    EXPECT_EQ(readTestFile(_dir.file("out/file.txt")), "original");
    EXPECT_EQ(folderContents(_dir.file("out")), std::vector<std::string>{"file.txt"});
    EXPECT_EQ(unzip.unzippedFiles(), 0);
}

TEST_F(ZipArchiveTest, EncryptedEntriesOfEverySizeRoundTripAndDecryptElsewhere)
{
    Bytes mixed(200000);
    for (size_t i = 0; i < mixed.size(); ++i) {
        // Half noise, half pattern: both stored-like and well-compressed stretches.
        mixed[i] = i < 100000 ? static_cast<uint8_t>((i * 2654435761u) >> 13) : static_cast<uint8_t>(i % 7);
    }
    ZipArchive zip;
    ASSERT_TRUE(zip.CreateZipFile2(_dir.file("sizes.zip"), "pw"));
    ASSERT_TRUE(zip.addDataToZip(Bytes{}, std::nullopt, "empty.bin"));
    ASSERT_TRUE(zip.addDataToZip(Bytes{42}, std::nullopt, "one.bin"));
    ASSERT_TRUE(zip.addDataToZip(mixed, std::nullopt, "mixed.bin"));
    ASSERT_TRUE(zip.CloseZipFile2());

    UnzipArchive unzip;
    ASSERT_TRUE(unzip.UnzipOpenFile(_dir.file("sizes.zip"), "pw"));
    ASSERT_TRUE(unzip.UnzipFileTo(_dir.file("out"), UnzipReplaceAlways, true));
    EXPECT_EQ(readBytes(_dir.file("out/empty.bin")), Bytes{});
    EXPECT_EQ(readBytes(_dir.file("out/one.bin")), Bytes{42});
    EXPECT_EQ(readBytes(_dir.file("out/mixed.bin")), mixed);
    EXPECT_EQ(
        textOf(readBytes(_dir.file("sizes.zip"))).find(textOf(Bytes(mixed.begin() + 100000, mixed.begin() + 100100))),
        std::string::npos)
        << "the data really is encrypted";

    UnzipArchive wrong;
    ASSERT_TRUE(wrong.UnzipOpenFile(_dir.file("sizes.zip"), "guess"));
    EXPECT_FALSE(wrong.UnzipFileTo(_dir.file("wrong"), UnzipReplaceAlways, true));
    EXPECT_FALSE(fs::exists(_dir.file("wrong/mixed.bin")));

    if (toolAvailable(UnzipTool)) {
        const auto test = runCommand(std::string(UnzipTool) + " -t -P pw " + shellQuoted(_dir.file("sizes.zip")));
        EXPECT_EQ(test.status, 0) << test.output;
    }
}

} // namespace
