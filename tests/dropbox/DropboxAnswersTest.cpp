#include "dropbox/DropboxAnswers.h"
#include "cloud/OAuthClient.h"
#include "dropbox/DropboxClient.h"
#include "platform/MainLoop.h"
#include "platform/TokenStore.h"
#include "support/LoopbackHttpServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <mutex>
#include <tuple>

namespace {

const std::string File =
    R"({".tag":"file","name":"Plan.twkx","path_lower":"/maps/plan.twkx","path_display":"/Maps/Plan.twkx",)"
    R"("id":"id:1","rev":"015a1","size":12,"server_modified":"2026-03-04T05:06:07Z"})";

} // namespace

TEST(DropboxAnswersTest, ReadsMetadataOnlyWhenEveryFieldIsThereAndRight)
{
    struct Case {
        std::string json;
        bool readable;
    };
    const std::vector<Case> cases = {
        {File, true},
        {R"({".tag":"folder","name":"Maps","path_display":"/Maps"})", true},
        {"", false},
        {"[]", false},
        {"null", false},
        {"{}", false},
        {R"({".tag":"deleted","name":"x","path_display":"/x"})", false},
        {R"({".tag":"file","name":"x","path_display":"/x","rev":"1","server_modified":"2026-03-04T05:06:07Z"})", false},
        {R"({".tag":"file","name":"x","path_display":"/x","rev":"1","size":-1,"server_modified":"2026-03-04T05:06:07Z"})",
         false},
        {R"({".tag":"file","name":"x","path_display":"/x","rev":"1","size":"12","server_modified":"2026-03-04T05:06:07Z"})",
         false},
        {R"({".tag":"file","name":"x","path_display":"/x","rev":1,"size":1,"server_modified":"2026-03-04T05:06:07Z"})",
         false},
        {R"({".tag":"file","name":"x","path_display":"/x","rev":"1","size":1,"server_modified":"yesterday"})", false},
        {R"({".tag":"file","name":"x","path_display":"x","rev":"1","size":1,"server_modified":"2026-03-04T05:06:07Z"})",
         false},
        {R"({".tag":"folder","name":7,"path_display":"/Maps"})", false},
        {R"({".tag":"folder","name":"Maps"})", false},
        {R"({".tag":["file"],"name":"Maps","path_display":"/Maps"})", false},
    };
    for (const Case& testCase : cases) {
        std::string problem;
        auto metadata = DropboxAnswers::readMetadata(testCase.json, problem);
        EXPECT_EQ(metadata.has_value(), testCase.readable) << testCase.json;
        if (!testCase.readable) {
            EXPECT_FALSE(problem.empty()) << testCase.json;
        }
    }
    std::string problem;
    auto file = DropboxAnswers::readMetadata(File, problem);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->serverModified, 1772600767.0);
    EXPECT_EQ(file->size, 12u);
    EXPECT_EQ(file->rev, "015a1");
}

TEST(DropboxAnswersTest, ReadsServerDatesStrictly)
{
    const std::vector<std::pair<std::string, std::optional<double>>> cases = {
        {"1970-01-01T00:00:00Z", 0.0},
        {"2001-01-01T00:00:00Z", 978307200.0},
        {"2026-03-04T05:06:07Z", 1772600767.0},
        {"2026-03-04T05:06:07", std::nullopt},
        {"2026-03-04 05:06:07Z", std::nullopt},
        {"2026-13-04T05:06:07Z", std::nullopt},
        {"2026-03-04T05:06:07Z ", std::nullopt},
        {"2026-03-04T05:06:07+01", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(DropboxAnswers::parseServerDate(text), expected) << text;
}

TEST(DropboxAnswersTest, ReadsListingsSkippingDeletedEntries)
{
    std::string problem;
    auto listing = DropboxAnswers::readListing(
        R"({"entries":[)" + File +
            R"(,{".tag":"deleted","name":"old","path_display":"/old"}],"cursor":"c","has_more":true})",
        problem);
    ASSERT_TRUE(listing) << problem;
    EXPECT_EQ(listing->entries.size(), 1u);
    EXPECT_TRUE(listing->hasMore);
    EXPECT_EQ(listing->cursor, "c");
    for (const std::string bad :
         {R"({"entries":{},"cursor":"c","has_more":false})", R"({"entries":[],"has_more":false})",
          R"({"entries":[],"cursor":"c"})", R"({"entries":[1],"cursor":"c","has_more":false})",
          R"({"entries":[{}],"cursor":"c","has_more":false})"}) {
        EXPECT_FALSE(DropboxAnswers::readListing(bad, problem)) << bad;
    }
}

TEST(DropboxAnswersTest, ReadsTheChainOfErrorTags)
{
    using Tags = std::vector<std::string>;
    const std::vector<std::pair<std::string, std::optional<Tags>>> cases = {
        {R"({"error_summary":"path/not_found/..","error":{".tag":"path","path":{".tag":"not_found"}}})",
         Tags{"path", "not_found"}},
        {R"({"error_summary":"path/conflict/file/..","error":{".tag":"path","reason":{".tag":"conflict","conflict":{".tag":"file"}},"upload_session_id":"s"}})",
         Tags{"path", "conflict", "file"}},
        {R"({"error_summary":"expired_access_token/","error":{".tag":"expired_access_token"}})",
         Tags{"expired_access_token"}},
        {R"({"error_summary":"x","error":{}})", std::nullopt},
        {R"({"error":{".tag":"path"}})", std::nullopt},
        {R"({"error_summary":"x","error":"path"})", std::nullopt},
        {R"({"error_summary":"x","error":{".tag":5}})", std::nullopt},
        {"Service unavailable", std::nullopt},
    };
    for (const auto& [json, expected] : cases) {
        std::string problem;
        auto error = DropboxAnswers::readRouteError(json, problem);
        EXPECT_EQ(error ? std::optional<Tags>(error->tags) : std::nullopt, expected) << json;
    }
}

TEST(DropboxAnswersTest, ReadsSearchPages)
{
    const std::string match =
        R"({"match_type":{".tag":"filename"},"metadata":{".tag":"metadata","metadata":)" + File + "}}";
    struct Case {
        std::string json;
        std::optional<std::tuple<size_t, bool, std::string>> expected;
    };
    const std::vector<Case> cases = {
        {R"({"matches":[)" + match + R"(],"has_more":false})", std::make_tuple(1u, false, "")},
        {R"({"matches":[)" + match + R"(],"has_more":true,"cursor":"c1"})", std::make_tuple(1u, true, "c1")},
        {R"({"matches":[],"has_more":false,"cursor":"spare"})", std::make_tuple(0u, false, "spare")},
        {R"({"matches":[)" + match + "]}", std::make_tuple(1u, false, "")},
        {R"({"matches":[],"has_more":true})", std::nullopt},
        {R"({"matches":[],"has_more":true,"cursor":""})", std::nullopt},
        {R"({"matches":[],"has_more":true,"cursor":7})", std::nullopt},
        {R"({"matches":[{}]})", std::nullopt},
        {R"({"matches":[{"metadata":5}]})", std::nullopt},
        {R"({"matches":[{"metadata":{}}]})", std::nullopt},
        {R"({"matches":"all"})", std::nullopt},
        {R"({})", std::nullopt},
    };
    for (const Case& c : cases) {
        std::string problem;
        auto page = DropboxAnswers::readSearchPage(c.json, problem);
        ASSERT_EQ(page.has_value(), c.expected.has_value()) << c.json << " " << problem;
        if (!page) {
            EXPECT_FALSE(problem.empty()) << c.json;
            continue;
        }
        EXPECT_EQ(std::make_tuple(page->matches.size(), page->hasMore, page->cursor), *c.expected) << c.json;
    }
}

// A server that answers whatever a case says, standing for a broken or hostile service.
TEST(DropboxAnswersTest, AClientGivenNonsenseReportsAnErrorAndKeepsTheLocalFile)
{
    std::mutex mutex;
    LoopbackReply canned;
    LoopbackHttpServer server([&](const LoopbackRequest&) {
        std::lock_guard lock(mutex);
        return canned;
    });
    TempDir home;
    HttpEngine engine;
    FileTokenStore tokens(home.file("tokens.json"));
    tokens.write("dropbox", OAuthTokens{"a", "r", 0, ""}.toJson());
    OAuthClient oauth(engine, {"k", "", server.baseUrl() + "/oauth2/token", "", {}}, tokens, "dropbox");
    oauth.restore();
    DropboxClient client(engine, oauth, {server.baseUrl(), server.baseUrl()});

    std::vector<LoopbackReply> replies = {
        LoopbackReply::json(200, "not json"),
        LoopbackReply::json(200, "{}"),
        LoopbackReply::json(200, R"({"metadata":)" + File + "}"),
        LoopbackReply::json(409, "{\"error\":1}"),
        LoopbackReply::json(409, ""),
        LoopbackReply::text(302, "elsewhere"),
    };
    LoopbackReply noResult = LoopbackReply::text(200, "file bytes");
    replies.push_back(noResult);
    LoopbackReply folderResult = LoopbackReply::text(200, "file bytes");
    folderResult.headers.emplace_back("Dropbox-API-Result", R"({".tag":"folder","name":"x","path_display":"/x"})");
    replies.push_back(folderResult);

    const std::string local = home.file("cache.twkx");
    for (const LoopbackReply& reply : replies) {
        {
            std::lock_guard lock(mutex);
            canned = reply;
        }
        writeTestFile(local, "local");
        std::optional<DropboxResponse<DropboxMetadata>> metadata;
        std::optional<DropboxResponse<DropboxMetadata>> download;
        DropboxCall first = client.getMetadata("/x", [&](const auto& response) { metadata = response; });
        DropboxCall second = client.download("/x", local, [&](const auto& response) { download = response; });
        ASSERT_TRUE(MainLoop::runUntil([&] { return metadata && download; }, 10));
        ASSERT_TRUE(metadata->networkError) << reply.body;
        EXPECT_FALSE(metadata->networkError->errorContent().empty()) << reply.body;
        ASSERT_TRUE(download->networkError) << reply.body;
        EXPECT_EQ(readTestFile(local), "local") << reply.body;
    }
}
