#include "cloud/CloudCacheRecords.h"
#include "support/TempDir.h"

#include "platform/FileUtils.h"

#include <gtest/gtest.h>

#include <glib.h>
#include <sys/stat.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>

TEST(CacheBudgetTest, TrimsOldestFirstUntilTheRestFitsAndNeverTouchesKeptCopies)
{
    struct Case {
        uint64_t kept;
        uint64_t budget;
        std::vector<std::string> trimmed;
    };
    // a (access 1, 4 bytes), b and c (access 2, 3 bytes each, tie broken by id), d (access 3, 5 bytes).
    const std::vector<Case> cases = {
        {0, 15, {}},         {0, 14, {"a"}},           {0, 11, {"a"}},
        {0, 10, {"a", "b"}}, {5, 10, {"a", "b", "c"}}, {100, 10, {"a", "b", "c", "d"}},
    };
    for (const Case& c : cases) {
        CacheBudget sizes;
        sizes.keep(c.kept);
        sizes.mayTrim({"/c/d", "d", 3, 5});
        sizes.mayTrim({"/c/c", "c", 2, 3});
        sizes.mayTrim({"/c/b", "b", 2, 3});
        sizes.mayTrim({"/c/a", "a", 1, 4});
        EXPECT_EQ(sizes.trimmableSize(), 15u);
        std::vector<std::string> trimmed;
        for (const CacheFileTime& file : sizes.filesOverBudget(c.budget)) trimmed.push_back(file.id);
        EXPECT_EQ(trimmed, c.trimmed) << "kept " << c.kept << ", budget " << c.budget;
    }
}

TEST(RecordSaveBatchTest, TheOutermostBracketSavesOnceAndOnlyAfterAChange)
{
    int saves = 0;
    RecordSaveBatch batch([&] { ++saves; });
    batch.changed();
    EXPECT_EQ(saves, 1) << "outside a bracket at once";
    batch.beginUpdate();
    batch.beginUpdate();
    batch.changed();
    batch.changed();
    batch.endUpdate();
    EXPECT_EQ(saves, 1);
    batch.endUpdate();
    EXPECT_EQ(saves, 2);
    batch.beginUpdate();
    batch.endUpdate();
    batch.endUpdate();
    EXPECT_EQ(saves, 2) << "nothing changed; an extra close is ignored";
}

TEST(RecordFileTest, AMissingFileIsToldApartFromAnUnreadableOne)
{
    TempDir folder;
    bool missing = false;
    EXPECT_FALSE(readRecordFile(folder.file("none.xml"), missing));
    EXPECT_TRUE(missing);
    EXPECT_FALSE(readRecordFile(folder.file("none/deeper.xml"), missing));
    EXPECT_TRUE(missing);
    ::mkdir(folder.file("folder.xml").c_str(), 0700);
    EXPECT_FALSE(readRecordFile(folder.file("folder.xml"), missing));
    EXPECT_FALSE(missing) << "there, but no file to read";
    writeTestFile(folder.file("records.xml"), "<file-cache/>");
    EXPECT_EQ(readRecordFile(folder.file("records.xml"), missing), "<file-cache/>");
    EXPECT_FALSE(missing);

    EXPECT_EQ(formatRecordDate(722000000.123456), "722000000.123456");
    EXPECT_EQ(parseRecordDate("12.5junk"), 12.5);
    EXPECT_FALSE(parseRecordDate("nan"));
    EXPECT_FALSE(parseRecordDate(""));
}

namespace {

std::string fileText(const std::string& path)
{
    bool missing = false;
    return readRecordFile(path, missing).value_or("<none>");
}

} // namespace

// The first snapshot is held at the disk while three more arrive: only the newest of those is
// written after it, never an older one over a newer.
// Only the names moveUnreadableFileAside gives count, whichever of them is left after some were
// recovered.
TEST(RecordFileTest, AnUnreadableFileSetAsideIsFoundByTheNamesItIsMovedTo)
{
    const std::vector<std::pair<std::vector<std::string>, bool>> cases = {
        {{}, false},
        {{"records.xml.corrupt"}, true},
        {{"records.xml.corrupt-2"}, true},
        {{"records.xml.corrupt-17", "records.xml"}, true},
        {{"records.xml.corrupt-", "records.xml.corrupt-a", "records.xml.corrupted", "other.xml.corrupt"}, false},
        {{"records.xml.bak", "xrecords.xml.corrupt"}, false},
    };
    for (const auto& [names, found] : cases) {
        TempDir folder;
        for (const std::string& name : names) writeTestFile(folder.file(name), "x");
        EXPECT_EQ(hasUnreadableFileAside(folder.file("records.xml")), found) << ::testing::PrintToString(names);
    }
    TempDir folder;
    const std::string records = folder.file("records.xml");
    writeTestFile(records, "<file-cache");
    const std::string aside = moveUnreadableFileAside(records);
    ASSERT_FALSE(aside.empty());
    EXPECT_TRUE(hasUnreadableFileAside(records));
    std::filesystem::remove(aside);
    EXPECT_FALSE(hasUnreadableFileAside(records)) << "recovered by hand";
}

TEST(RecordFileWriterTest, WritesKeepTheirOrderAndTheNewestWaitingSnapshotWins)
{
    TempDir folder;
    std::mutex mutex;
    std::condition_variable changed;
    bool started = false;
    bool released = false;
    std::vector<std::string> written;
    RecordFileWriter writer(folder.file("records.xml"),
                            [&](const std::string& path, const std::string& bytes, Error* error) {
                                std::unique_lock lock(mutex);
                                started = true;
                                changed.notify_all();
                                changed.wait(lock, [&] { return released; });
                                written.push_back(bytes);
                                return writeFileAtomically(path, bytes, error);
                            });
    writer.write("first");
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return started; });
    }
    writer.write("second");
    writer.write("third");
    writer.write("fourth");
    {
        std::lock_guard lock(mutex);
        released = true;
    }
    changed.notify_all();
    EXPECT_TRUE(writer.flush());
    EXPECT_EQ(written, (std::vector<std::string>{"first", "fourth"}));
    EXPECT_EQ(fileText(folder.file("records.xml")), "fourth");
}

TEST(RecordFileWriterTest, AFailedWriteIsReportedOnceWithItsCause)
{
    TempDir folder;
    ASSERT_EQ(::mkdir(folder.file("taken").c_str(), 0700), 0);
    struct Case {
        const char* name;
        std::string path;
        bool fails;
    };
    const std::vector<Case> cases = {
        {"folder missing", folder.file("gone/records.xml"), true},
        {"a folder in the way", folder.file("taken"), true},
        {"writable", folder.file("records.xml"), false},
    };
    for (const Case& c : cases) {
        std::vector<Error> reported;
        RecordFileWriter writer(c.path);
        writer.setFailureHandler([&](const Error& error) { reported.push_back(error); });
        writer.write("<file-cache/>");
        writer.write("<file-cache/>");
        Error error;
        EXPECT_EQ(writer.flush(&error), !c.fails) << c.name;
        EXPECT_EQ(reported.size(), c.fails ? 1u : 0u) << c.name;
        if (c.fails) {
            EXPECT_FALSE(error.localizedDescription.empty()) << c.name;
            EXPECT_EQ(reported.front().localizedDescription, error.localizedDescription) << c.name;
        }
        EXPECT_EQ(writer.flush(), !c.fails) << c.name << ": the last write is still the one that failed";
        EXPECT_EQ(reported.size(), c.fails ? 1u : 0u) << c.name;
    }
}

// A failure that goes on is told once, and again once a write in between went through.
TEST(RecordFileWriterTest, AFailureGoingOnIsReportedOnceAndAgainAfterAWriteWentThrough)
{
    TempDir folder;
    bool failing = true;
    RecordFileWriter writer(folder.file("records.xml"),
                            [&failing](const std::string&, const std::string&, Error* error) {
                                return failing ? setError(error, MakeAppError(1, "disk full")) : true;
                            });
    int reported = 0;
    writer.setFailureHandler([&reported](const Error&) { ++reported; });
    struct Step {
        const char* what;
        bool fails;
        int reported;
    };
    const std::vector<Step> steps = {
        {"the first failure", true, 1},
        {"the same failure again", true, 1},
        {"a write that goes through", false, 1},
        {"failing once more", true, 2},
    };
    for (const Step& step : steps) {
        failing = step.fails;
        writer.write("x");
        EXPECT_EQ(writer.flush(), !step.fails) << step.what;
        EXPECT_EQ(reported, step.reported) << step.what;
    }
}

// Without a flush, the failure reaches the handler through the main loop.
TEST(RecordFileWriterTest, AFailureWithoutAFlushIsReportedOnTheMainLoop)
{
    TempDir folder;
    int reported = 0;
    RecordFileWriter writer(folder.file("records.xml"), [](const std::string&, const std::string&, Error* error) {
        return setError(error, MakeAppError(1, "disk full"));
    });
    writer.setFailureHandler([&](const Error& error) {
        EXPECT_EQ(error.localizedDescription, "disk full");
        ++reported;
    });
    writer.write("x");
    for (int round = 0; round < 10000 && reported == 0; ++round) {
        g_main_context_iteration(nullptr, FALSE);
        g_usleep(1000);
    }
    EXPECT_EQ(reported, 1);
    EXPECT_FALSE(writer.flush());
    EXPECT_EQ(reported, 1) << "a failure is reported once";
}
