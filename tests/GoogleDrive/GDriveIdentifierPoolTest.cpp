#include "GoogleDrive/GDriveIdentifierPool.h"
#include "platform/MainLoop.h"
#include "support/SignedInDriveClient.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// Keeps each request's completion for the test to answer.
struct FakeIdSource : GDriveIdentifierSource {
    std::vector<size_t> requested;
    std::vector<uint64_t> cancelled;
    Completion pending;

    uint64_t generateIds(size_t count, Completion completion) override
    {
        requested.push_back(count);
        pending = std::move(completion);
        return requested.size();
    }
    void cancel(uint64_t ticket) override
    {
        cancelled.push_back(ticket);
        pending = nullptr;
    }
    void answer(std::optional<std::vector<std::string>> ids)
    {
        Completion completion = std::move(pending);
        pending = nullptr;
        completion(std::move(ids));
    }
};

std::vector<std::string> ids(size_t count, const std::string& prefix = "id")
{
    std::vector<std::string> made;
    for (size_t i = 0; i < count; ++i) made.push_back(prefix + std::to_string(i));
    return made;
}

struct IdentifierPoolTest : ::testing::Test {
    TempDir folder;
    std::string file = folder.file("gdrive-identifier-pool.xml");
    FakeIdSource source;
    bool online = true;

    std::unique_ptr<GDriveIdentifierPool> open()
    {
        auto pool = std::make_unique<GDriveIdentifierPool>(file, &source);
        pool->setOnline([this] { return online; });
        return pool;
    }

    // A pool file holding that many ids.
    void writePool(size_t count)
    {
        std::string xml = "<identifier-pool>";
        for (const std::string& id : ids(count)) xml += "<identifier id=\"" + id + "\"/>";
        writeTestFile(file, xml + "</identifier-pool>");
    }
};

} // namespace

TEST_F(IdentifierPoolTest, RefillsBelowSeventyFiveUpToAHundredWhileOnline)
{
    struct Case {
        size_t held;
        bool online;
        std::vector<size_t> requested;
    };
    const std::vector<Case> cases = {
        {74, true, {26}},
        {75, true, {}},
        {0, true, {100}},
        {10, false, {}},
    };
    for (const Case& c : cases) {
        writePool(c.held);
        source = FakeIdSource();
        online = c.online;
        auto pool = open();
        ASSERT_EQ(pool->identifiers().size(), c.held);
        pool->checkIdentifierPoolSize();
        pool->checkIdentifierPoolSize();
        EXPECT_EQ(source.requested, c.requested) << c.held << " ids, online " << c.online;
    }
}

TEST_F(IdentifierPoolTest, AnswersAreAppendedInOrderAndSavedFailuresAddNothing)
{
    writePool(74);
    auto pool = open();
    pool->checkIdentifierPoolSize();
    ASSERT_TRUE(pool->isRefilling());
    source.answer(std::nullopt);
    EXPECT_FALSE(pool->isRefilling());
    EXPECT_EQ(pool->identifiers().size(), 74u);

    pool->checkIdentifierPoolSize();
    // Drive's ids are well-formed; anything else would reach a request path.
    source.answer(std::vector<std::string>{"new1", "../x", "new2"});
    EXPECT_EQ(pool->identifiers().size(), 76u);
    EXPECT_EQ(pool->identifiers().back(), "new2");
    EXPECT_EQ(open()->identifiers(), pool->identifiers()) << "saved as answered";
}

TEST_F(IdentifierPoolTest, AnIdHandedOutIsGoneAfterARestart)
{
    writePool(80);
    auto pool = open();
    EXPECT_EQ(pool->extractIdentifierFromPool(), "id0");
    EXPECT_EQ(pool->extractIdentifierFromPool(), "id1");
    auto restarted = open();
    ASSERT_EQ(restarted->identifiers().size(), 78u);
    EXPECT_EQ(restarted->identifiers().front(), "id2");

    writePool(75);
    pool = open();
    pool->extractIdentifierFromPool();
    EXPECT_EQ(source.requested.back(), 26u) << "taking the 75th id starts the refill";

    writeTestFile(file, "<identifier-pool/>");
    EXPECT_EQ(open()->extractIdentifierFromPool(), "");
}

TEST_F(IdentifierPoolTest, ClearCancelsTheRefillAndLeavesAnEmptyPoolFile)
{
    writePool(3);
    auto pool = open();
    pool->checkIdentifierPoolSize();
    pool->clear();
    EXPECT_EQ(source.cancelled.size(), 1u);
    EXPECT_FALSE(pool->isRefilling());
    EXPECT_EQ(readTestFile(file), "<identifier-pool/>");
}

TEST_F(IdentifierPoolTest, ReadsLenientlyAndRefusesForeignFiles)
{
    struct Case {
        std::string data;
        bool loads;
        std::vector<std::string> ids;
    };
    const std::vector<Case> cases = {
        {"<IDENTIFIER-POOL><identifier id=\"a\"/><identifier/><identifier id=\"\"/><identifier id=\"b\"/>"
         "</IDENTIFIER-POOL>",
         true,
         {"a", "b"}},
        {"<identifier-pool><identifier id=\"a b\"/><identifier id=\"c/d\"/><other id=\"e\"/></identifier-pool>",
         true,
         {}},
        {"", false, {}},
        {"not xml at all", false, {}},
        {"<file-cache><identifier id=\"a\"/></file-cache>", false, {}},
        {"<identifier-pool><identifier id=\"a\"/>", false, {}},
    };
    for (const Case& c : cases) {
        writeTestFile(file, "<identifier-pool/>");
        auto pool = open();
        GDriveIdentifierPoolFiler filer(*pool);
        EXPECT_EQ(filer.loadPoolFromData(c.data), c.loads) << c.data;
        EXPECT_EQ(pool->identifiers(), c.ids) << c.data;
    }
    writeTestFile(file, "\x01\x02 garbage");
    EXPECT_TRUE(open()->identifiers().empty());
    std::filesystem::remove(file);
    EXPECT_TRUE(open()->identifiers().empty());
}

TEST_F(IdentifierPoolTest, WritesCompactXmlInPoolOrder)
{
    writePool(2);
    auto pool = open();
    GDriveIdentifierPoolFiler filer(*pool);
    EXPECT_EQ(filer.buildDataFromPool(),
              "<identifier-pool><identifier id=\"id0\"/><identifier id=\"id1\"/></identifier-pool>");
}

TEST(IdentifierPoolOnDriveTest, RefillsFromDriveAndKeepsThePoolWhenDriveFails)
{
    SignedInDriveClient drive;
    // The access token has run out: the first call renews it.
    drive.signIn(0);
    GDriveClientIdentifierSource source(drive.client);

    GDriveIdentifierPool pool(drive.home.file("gdrive-identifier-pool.xml"), &source);
    pool.setOnline([] { return true; });
    // A fault that outlasts the retries.
    drive.fake.failNext("files.generateIds", 500, 4);
    pool.checkIdentifierPoolSize();
    ASSERT_TRUE(drive.driveUntil([&] { return !pool.isRefilling(); }));
    EXPECT_TRUE(pool.identifiers().empty());

    pool.checkIdentifierPoolSize();
    ASSERT_TRUE(drive.driveUntil([&] { return !pool.isRefilling(); }));
    ASSERT_EQ(pool.identifiers().size(), 100u);
    EXPECT_NE(drive.fake.requestsTo("files.generateIds").back().query.find("count=100"), std::string::npos);
    EXPECT_EQ(GDriveIdentifierPool(pool.fileName()).identifiers(), pool.identifiers());

    // A refill given up (sign-out) never answers.
    drive.fake.hang("files.generateIds");
    for (int i = 0; i < 26; ++i) pool.extractIdentifierFromPool();
    ASSERT_TRUE(pool.isRefilling());
    pool.clear();
    MainLoop::runUntil([] { return false; }, 0.2);
    EXPECT_TRUE(pool.identifiers().empty());
}
