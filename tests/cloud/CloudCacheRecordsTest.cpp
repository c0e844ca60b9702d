#include "cloud/CloudCacheRecords.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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
