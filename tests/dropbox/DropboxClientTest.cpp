#include "dropbox/DropboxClient.h"
#include "cloud/AnswerBounds.h"
#include "cloud/OAuthClient.h"
#include "dropbox/DropboxFileInfoCache.h"
#include "platform/MainLoop.h"
#include "platform/TokenStore.h"
#include "support/FakeDropboxServer.h"
#include "support/TempDir.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

namespace {

struct DropboxClientTest : ::testing::Test {
    FakeDropboxServer fake;
    TempDir home;
    HttpEngine engine;
    FileTokenStore tokens{home.file("cloud-tokens.json")};
    OAuthClient oauth{engine,
                      {FakeDropboxServer::AppKey,
                       fake.baseUrl() + "/oauth2/authorize",
                       fake.baseUrl() + "/oauth2/token",
                       FakeDropboxServer::redirectUri(),
                       {{"token_access_type", "offline"}}},
                      tokens,
                      "dropbox"};
    DropboxClient client{engine, oauth, {fake.baseUrl(), fake.baseUrl()}};

    DropboxClientTest()
    {
        fake.issueTokens("access-0", "refresh-0");
        tokens.write("dropbox", OAuthTokens{"access-0", "refresh-0", 0, "dbid:fake"}.toJson());
        oauth.restore();
    }

    // Starts a call through the client and runs the loop until it completes.
    template <class Result, class Start> DropboxResponse<Result> wait(Start start)
    {
        std::optional<DropboxResponse<Result>> response;
        DropboxCall call = start([&](const DropboxResponse<Result>& answer) { response = answer; });
        EXPECT_TRUE(MainLoop::runUntil([&] { return response.has_value(); }, 20));
        return response.value_or(DropboxResponse<Result>{});
    }

    DropboxResponse<DropboxMetadata> metadata(const std::string& path)
    {
        return wait<DropboxMetadata>([&](auto done) { return client.getMetadata(path, done); });
    }

    DropboxResponse<DropboxMetadata> upload(const std::string& path, const std::string& contents,
                                            DropboxWriteMode mode = DropboxWriteMode::add())
    {
        writeTestFile(home.file("upload.twkx"), contents);
        return wait<DropboxMetadata>(
            [&](auto done) { return client.upload(path, mode, true, home.file("upload.twkx"), done); });
    }

    DropboxResponse<DropboxListing> list(const std::string& path)
    {
        return wait<DropboxListing>([&](auto done) { return client.listFolder(path, done); });
    }

    std::vector<std::string> loggedPaths(const std::string& route)
    {
        std::vector<std::string> paths;
        for (const auto& request : fake.requestsTo(route)) {
            auto argument = nlohmann::json::parse(request.argument, nullptr, false);
            paths.push_back(argument.is_object() ? argument.value("path", std::string("<none>")) : "<bad>");
        }
        return paths;
    }
};

} // namespace

TEST(DropboxPathTest, NormalisesWhatListersAndExplorersPass)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"/", ""},
        {"//", ""},
        {"/Maps/", "/Maps"},
        {"/Maps", "/Maps"},
        {"Maps/a.twkx", "/Maps/a.twkx"},
        {"/Maps///", "/Maps"},
        {"id:abc", "id:abc"},
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(DropboxClient::normalizePath(path), expected) << path;
}

TEST(DropboxPathTest, HeaderArgumentsAreAsciiWithUnicodeEscapes)
{
    EXPECT_EQ(DropboxClient::headerArgument(R"({"path":"/Café 🎉\u007f.twkx"})"),
              R"({"path":"/Caf\u00e9 \ud83c\udf89\u007f.twkx"})");
}

TEST_F(DropboxClientTest, UploadsDownloadsAndDescribesAFile)
{
    auto uploaded = upload("/Maps/Plan.twkx", "map bytes");
    ASSERT_TRUE(uploaded.result) << (uploaded.networkError ? uploaded.networkError->content
                                                           : uploaded.routeError->summary);
    EXPECT_EQ(uploaded.result->pathDisplay, "/Maps/Plan.twkx");
    EXPECT_EQ(uploaded.result->name, "Plan.twkx");
    EXPECT_EQ(uploaded.result->size, 9u);
    EXPECT_EQ(uploaded.result->rev, fake.revision("/Maps/Plan.twkx"));
    EXPECT_EQ(fake.fileContents("/Maps/Plan.twkx"), "map bytes");
    auto request = fake.requestsTo("files/upload").at(0);
    EXPECT_EQ(request.authorization, "Bearer access-0");
    EXPECT_EQ(request.body, "map bytes");

    const std::string local = home.file("cache.twkx");
    auto downloaded = wait<DropboxMetadata>([&](auto done) { return client.download("/maps/PLAN.twkx", local, done); });
    ASSERT_TRUE(downloaded.result) << (downloaded.networkError ? downloaded.networkError->content : "");
    EXPECT_EQ(readTestFile(local), "map bytes");
    EXPECT_EQ(downloaded.result->rev, uploaded.result->rev);
    EXPECT_EQ(downloaded.result->pathDisplay, "/Maps/Plan.twkx");
    // A copy that cannot be written is said by the file's name, not the cache's hidden one.
    auto unwritten = wait<DropboxMetadata>(
        [&](auto done) { return client.download("/Maps/Plan.twkx", home.file("gone/.partial"), done); });
    ASSERT_TRUE(unwritten.networkError);
    EXPECT_EQ(unwritten.networkError->content,
              "“Plan.twkx” could not be written: " + std::string(g_strerror(ENOENT)) + ".");

    auto described = metadata("/MAPS/plan.twkx");
    ASSERT_TRUE(described.result);
    EXPECT_FALSE(described.result->isFolder);
    EXPECT_EQ(described.result->rev, uploaded.result->rev);
    EXPECT_GT(described.result->serverModified, 1.6e9);
}

TEST_F(DropboxClientTest, SendsTheRootAsEmptyAndNoPathEndingInASlash)
{
    fake.putFile("/Maps/a.twkx", "a");
    for (const char* path : {"/", "", "/Maps/", "Maps"}) {
        auto listing = list(path);
        EXPECT_TRUE(listing.result) << path << " " << (listing.networkError ? listing.networkError->content : "");
    }
    EXPECT_EQ(loggedPaths("files/list_folder"), (std::vector<std::string>{"", "", "/Maps", "/Maps"}));
}

TEST_F(DropboxClientTest, EscapesNonAsciiInTheArgumentHeader)
{
    const std::string path = "/Maps/Café 🎉.twkx";
    auto uploaded = upload(path, "accents");
    ASSERT_TRUE(uploaded.result) << (uploaded.networkError ? uploaded.networkError->content : "");
    EXPECT_EQ(uploaded.result->name, "Café 🎉.twkx");
    const std::string argument = fake.requestsTo("files/upload").at(0).argument;
    EXPECT_NE(argument.find("Caf\\u00e9 \\ud83c\\udf89"), std::string::npos) << argument;

    auto downloaded =
        wait<DropboxMetadata>([&](auto done) { return client.download(path, home.file("accents.twkx"), done); });
    ASSERT_TRUE(downloaded.result);
    EXPECT_EQ(downloaded.result->pathDisplay, path);
}

TEST_F(DropboxClientTest, ListsEveryPageOfALargeFolder)
{
    for (int i = 0; i < 7; ++i) fake.putFile("/Big/map" + std::to_string(i) + ".twkx", "m");
    fake.makeFolder("/Big/Sub");
    fake.putFile("/Big/Sub/deep.twkx", "d");
    auto page = list("/Big");
    ASSERT_TRUE(page.result);
    std::vector<std::string> names;
    int pages = 1;
    while (true) {
        for (const auto& entry : page.result->entries) names.push_back(entry.name + (entry.isFolder ? "/" : ""));
        if (!page.result->hasMore) break;
        std::string cursor = page.result->cursor;
        page = wait<DropboxListing>([&](auto done) { return client.listFolderContinue(cursor, done); });
        ASSERT_TRUE(page.result);
        ++pages;
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<std::string>{"Sub/", "map0.twkx", "map1.twkx", "map2.twkx", "map3.twkx", "map4.twkx",
                                        "map5.twkx", "map6.twkx"}));
    EXPECT_EQ(pages, 3);
}

TEST_F(DropboxClientTest, ReportsRouteErrorsWithTheirTagsAndSummary)
{
    fake.putFile("/Maps/Plan.twkx", "p");
    using Tags = std::vector<std::string>;
    struct Case {
        std::string what;
        std::function<DropboxResponse<DropboxMetadata>()> call;
        Tags tags;
    };
    const std::vector<Case> cases = {
        {"metadata of a missing file", [&] { return metadata("/Maps/Gone.twkx"); }, Tags{"path", "not_found"}},
        {"download of a folder",
         [&] {
             return wait<DropboxMetadata>([&](auto done) { return client.download("/Maps", home.file("f"), done); });
         },
         Tags{"path", "not_file"}},
        {"download of a missing file",
         [&] {
             return wait<DropboxMetadata>([&](auto done) { return client.download("/Gone", home.file("f"), done); });
         },
         Tags{"path", "not_found"}},
        {"delete of a missing file",
         [&] { return wait<DropboxMetadata>([&](auto done) { return client.deleteItem("/Gone", done); }); },
         Tags{"path_lookup", "not_found"}},
        {"move of a missing file",
         [&] { return wait<DropboxMetadata>([&](auto done) { return client.move("/Gone", "/There", true, done); }); },
         Tags{"from_lookup", "not_found"}},
        {"a name ending in white space", [&] { return metadata("/Maps/Plan.twkx "); }, Tags{"path", "malformed_path"}},
        {"an upload to a name ending in white space", [&] { return upload("/Maps/Plan ", "x"); },
         Tags{"path", "malformed_path"}},
    };
    for (const Case& testCase : cases) {
        auto response = testCase.call();
        ASSERT_TRUE(response.routeError) << testCase.what;
        EXPECT_FALSE(response.result || response.networkError) << testCase.what;
        EXPECT_EQ(response.routeError->tags, testCase.tags) << testCase.what;
        EXPECT_EQ(response.routeError->description().rfind(testCase.tags[0] + "/" + testCase.tags[1] + "/", 0), 0u)
            << response.routeError->description();
    }
    auto listed = list("/Maps/Plan.twkx");
    ASSERT_TRUE(listed.routeError);
    EXPECT_TRUE(listed.routeError->is("path", "not_folder"));
    EXPECT_FALSE(std::filesystem::exists(home.file("f"))) << "a failed download leaves no file";
}

TEST_F(DropboxClientTest, WriteModesKeepReplaceOrSetAsideByRevision)
{
    auto first = upload("/Maps/Plan.twkx", "v1");
    ASSERT_TRUE(first.result);
    const std::string rev1 = first.result->rev;

    auto same = upload("/Maps/Plan.twkx", "v1");
    ASSERT_TRUE(same.result);
    EXPECT_EQ(same.result->rev, rev1) << "identical bytes keep the revision";
    EXPECT_EQ(same.result->pathDisplay, "/Maps/Plan.twkx");

    auto updated = upload("/Maps/Plan.twkx", "v2", DropboxWriteMode::update(rev1));
    ASSERT_TRUE(updated.result);
    EXPECT_NE(updated.result->rev, rev1);
    EXPECT_EQ(updated.result->pathDisplay, "/Maps/Plan.twkx");

    auto stale = upload("/Maps/Plan.twkx", "v3 from elsewhere", DropboxWriteMode::update(rev1));
    ASSERT_TRUE(stale.result);
    EXPECT_EQ(stale.result->pathDisplay, "/Maps/Plan (1).twkx") << "a stale revision goes under a new name";
    EXPECT_EQ(fake.fileContents("/Maps/Plan.twkx"), "v2");

    auto added = upload("/maps/plan.twkx", "other bytes");
    ASSERT_TRUE(added.result);
    EXPECT_EQ(added.result->pathDisplay, "/Maps/plan (2).twkx");
}

TEST_F(DropboxClientTest, FoldersAreMadeMovedAndDeletedThroughTheCurrentRoutes)
{
    auto made = wait<DropboxMetadata>([&](auto done) { return client.createFolder("/Projects/", true, done); });
    ASSERT_TRUE(made.result);
    EXPECT_TRUE(made.result->isFolder);
    EXPECT_EQ(made.result->pathDisplay, "/Projects");
    fake.putFile("/Projects/x.twkx", "x");

    auto moved = wait<DropboxMetadata>([&](auto done) { return client.move("/Projects", "/Archive", true, done); });
    ASSERT_TRUE(moved.result);
    EXPECT_EQ(moved.result->pathDisplay, "/Archive");
    EXPECT_EQ(fake.fileContents("/Archive/x.twkx"), "x");

    auto movedFile =
        wait<DropboxMetadata>([&](auto done) { return client.move("/Archive/x.twkx", "/Archive/y.twkx", true, done); });
    ASSERT_TRUE(movedFile.result);
    EXPECT_FALSE(movedFile.result->rev.empty());

    auto deleted = wait<DropboxMetadata>([&](auto done) { return client.deleteItem("/Archive", done); });
    ASSERT_TRUE(deleted.result);
    EXPECT_EQ(deleted.result->pathDisplay, "/Archive");
    EXPECT_TRUE(fake.filePaths().empty());

    for (const std::string route : {"files/create_folder_v2", "files/move_v2", "files/delete_v2"}) {
        EXPECT_FALSE(fake.requestsTo(route).empty()) << route;
    }
}

TEST_F(DropboxClientTest, SearchFindsNamesHoldingEveryWord)
{
    fake.putFile("/Maps/Plan.twkx", "p");
    fake.putFile("/Maps/Other.twkx", "o");
    fake.putFile("/Notes/plan.txt", "t");
    auto found = wait<DropboxSearchPage>([&](auto done) { return client.search("/", ".twkx plan", done); });
    ASSERT_TRUE(found.result);
    ASSERT_EQ(found.result->matches.size(), 1u);
    EXPECT_EQ(found.result->matches.at(0).pathDisplay, "/Maps/Plan.twkx");
    EXPECT_FALSE(found.result->hasMore);
    auto argument = nlohmann::json::parse(fake.requestsTo("files/search_v2").at(0).argument);
    EXPECT_EQ(argument["query"], ".twkx plan");
    EXPECT_FALSE(argument["options"].contains("path")) << "the root is the whole account";

    auto scoped = wait<DropboxSearchPage>([&](auto done) { return client.search("/Notes/", "plan", done); });
    ASSERT_TRUE(scoped.result);
    ASSERT_EQ(scoped.result->matches.size(), 1u);
    EXPECT_EQ(scoped.result->matches.at(0).pathDisplay, "/Notes/plan.txt");

    // Many matches come a page at a time, each page asked for with the cursor of the one before.
    for (int i = 0; i < 7; ++i) fake.putFile("/Many/plan" + std::to_string(i) + ".twkx", "p");
    std::vector<std::string> paths;
    auto page = wait<DropboxSearchPage>([&](auto done) { return client.search("/Many", "plan", done); });
    while (page.result) {
        for (const auto& match : page.result->matches) paths.push_back(match.pathDisplay);
        if (!page.result->hasMore) break;
        const std::string cursor = page.result->cursor;
        page = wait<DropboxSearchPage>([&](auto done) { return client.searchContinue(cursor, done); });
    }
    EXPECT_EQ(paths.size(), 7u);
    EXPECT_EQ(fake.requestsTo("files/search/continue_v2").size(), 2u);
    auto stale = wait<DropboxSearchPage>([&](auto done) { return client.searchContinue("no such cursor", done); });
    ASSERT_TRUE(stale.routeError);
    EXPECT_TRUE(stale.routeError->is("invalid_argument"));
}

TEST_F(DropboxClientTest, AnExpiredTokenIsRenewedOnceForAllCallsWaiting)
{
    fake.putFile("/Maps/Plan.twkx", "p");
    fake.expireAccessTokens();
    std::vector<DropboxResponse<DropboxMetadata>> responses;
    std::vector<DropboxCall> calls;
    for (int i = 0; i < 3; ++i) {
        calls.push_back(
            client.getMetadata("/Maps/Plan.twkx", [&](const auto& response) { responses.push_back(response); }));
    }
    ASSERT_TRUE(MainLoop::runUntil([&] { return responses.size() == 3; }, 20));
    for (const auto& response : responses) EXPECT_TRUE(response.result);
    EXPECT_EQ(fake.requestsTo("oauth2/token").size(), 1u);
    EXPECT_EQ(fake.requestsTo("files/get_metadata").size(), 6u);
    EXPECT_NE(oauth.accessToken(), "access-0");
    EXPECT_EQ(OAuthTokens::fromJson(tokens.read("dropbox").value())->accessToken, oauth.accessToken());
}

TEST_F(DropboxClientTest, ARefusedRenewalOrAnUnknownTokenIsASignInError)
{
    fake.expireAccessTokens();
    fake.revokeRefreshTokens();
    auto refused = metadata("/Maps/Plan.twkx");
    ASSERT_TRUE(refused.networkError);
    EXPECT_TRUE(refused.networkError->isAuthError());
    EXPECT_EQ(fake.requestsTo("oauth2/token").size(), 1u);
    EXPECT_EQ(fake.requestsTo("files/get_metadata").size(), 1u) << "no second try after a refused renewal";

    fake.clearLog();
    tokens.write("dropbox", OAuthTokens{"forged", "refresh-0", 0, ""}.toJson());
    oauth.restore();
    auto unknown = metadata("/Maps/Plan.twkx");
    ASSERT_TRUE(unknown.networkError);
    EXPECT_TRUE(unknown.networkError->isAuthError());
    EXPECT_TRUE(fake.requestsTo("oauth2/token").empty()) << "only an expired token is renewed";

    oauth.unlink();
    auto unlinked = metadata("/Maps/Plan.twkx");
    ASSERT_TRUE(unlinked.networkError);
    EXPECT_TRUE(unlinked.networkError->isAuthError());
}

// A call whose expired-token answer comes back after another call's renewal was refused must end
// as signed out, not go out again without any token.
TEST_F(DropboxClientTest, ACallAnsweredAfterTheSignInWasRefusedEndsSignedOut)
{
    fake.putFile("/Maps/Plan.twkx", "p");
    fake.expireAccessTokens();
    fake.revokeRefreshTokens();
    std::optional<DropboxResponse<DropboxMetadata>> late;
    fake.setDelay(0.3);
    DropboxCall lateCall = client.getMetadata("/Maps/Plan.twkx", [&](const auto& response) { late = response; });
    ASSERT_TRUE(MainLoop::runUntil([&] { return fake.requestsTo("files/get_metadata").size() == 1; }, 20));
    fake.setDelay(0);
    auto refused = metadata("/Maps/Plan.twkx");
    ASSERT_TRUE(refused.networkError);
    EXPECT_TRUE(refused.networkError->isAuthError());
    // As the service does once it learns the sign-in is gone.
    oauth.unlink();
    ASSERT_TRUE(MainLoop::runUntil([&] { return late.has_value(); }, 20));
    ASSERT_TRUE(late->networkError);
    EXPECT_TRUE(late->networkError->isAuthError());
    for (const auto& request : fake.requestsTo("files/get_metadata"))
        EXPECT_GT(request.authorization.size(), 7u) << "a bearer token";
    EXPECT_EQ(fake.requestsTo("files/get_metadata").size(), 2u);
}

TEST_F(DropboxClientTest, ServerTroubleIsRetriedOrReportedAsANetworkError)
{
    fake.putFile("/Maps/Plan.twkx", "p");
    fake.failNext("files/get_metadata", 429, 2, 0);
    EXPECT_TRUE(metadata("/Maps/Plan.twkx").result) << "429 is retried after Retry-After";

    fake.failNext("files/get_metadata", 503, 4, 0);
    auto unavailable = metadata("/Maps/Plan.twkx");
    ASSERT_TRUE(unavailable.networkError);
    EXPECT_EQ(unavailable.networkError->status, 503);
    EXPECT_FALSE(unavailable.networkError->isAuthError());

    fake.failNext("files/get_metadata", 400, 1);
    auto refused = metadata("/Maps/Plan.twkx");
    ASSERT_TRUE(refused.networkError);
    EXPECT_NE(refused.networkError->errorContent().find("did not match pattern"), std::string::npos);

    DropboxClient nowhere(engine, oauth, {"http://127.0.0.1:1", "http://127.0.0.1:1"});
    auto offline = wait<DropboxMetadata>([&](auto done) { return nowhere.getMetadata("/Maps/Plan.twkx", done); });
    ASSERT_TRUE(offline.networkError);
    EXPECT_EQ(offline.networkError->transport, HttpTransportError::Offline);
    EXPECT_FALSE(offline.networkError->errorContent().empty());
}

TEST_F(DropboxClientTest, ACancelledDownloadNeverCallsBackNorTouchesTheFile)
{
    fake.putFile("/Maps/Plan.twkx", "server");
    fake.hang("files/download");
    const std::string local = home.file("cache.twkx");
    writeTestFile(local, "local");
    bool called = false;
    {
        DropboxCall call = client.download("/Maps/Plan.twkx", local, [&](const auto&) { called = true; });
        auto beat = Timer::scheduledTimer(0.005, true, [] {});
        ASSERT_TRUE(MainLoop::runUntil([&] { return !fake.requestsTo("files/download").empty(); }, 10));
        EXPECT_TRUE(call.isPending());
    }
    MainLoop::runFor(0.1);
    EXPECT_FALSE(called);
    EXPECT_EQ(readTestFile(local), "local");
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(home.path())) files += entry.is_regular_file();
    EXPECT_EQ(files, 2u) << "the token file and the cache file only";

    auto upload = client.upload("/x.twkx", DropboxWriteMode::add(), true, home.file("missing.twkx"),
                                [&](const auto&) { called = true; });
    upload.cancel();
    MainLoop::runFor(0.05);
    EXPECT_FALSE(called);
}

TEST_F(DropboxClientTest, AnUnreadableLocalFileFailsTheUploadWithoutARequest)
{
    auto response = wait<DropboxMetadata>([&](auto done) {
        return client.upload("/x.twkx", DropboxWriteMode::add(), true, home.file("missing.twkx"), done);
    });
    ASSERT_TRUE(response.networkError);
    EXPECT_FALSE(response.networkError->errorContent().empty());
    EXPECT_TRUE(fake.requestsTo("files/upload").empty());
}

TEST_F(DropboxClientTest, AnUploadCarriesTheDateItsBytesWereReadAt)
{
    const std::string local = home.file("plan.twkx");
    writeTestFile(local, "first edit");
    timespec before[2] = {{1700000000, 111111111}, {1700000000, 111111111}};
    ASSERT_EQ(utimensat(AT_FDCWD, local.c_str(), before, 0), 0);
    std::string problem;
    auto contents = DropboxClient::readUploadContents(local, problem);
    ASSERT_TRUE(contents) << problem;
    ASSERT_TRUE(contents->modificationDate);
    EXPECT_TRUE(sameRecordDate(*contents->modificationDate, *fileModificationDate(local)));

    std::optional<DropboxResponse<DropboxMetadata>> response;
    DropboxCall call = client.upload("/Maps/Plan.twkx", DropboxWriteMode::add(), true, *contents,
                                     [&](const auto& answer) { response = answer; });
    // An autosave while the upload runs.
    writeTestFile(local, "second edit");
    timespec after[2] = {{1700000050, 0}, {1700000050, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, local.c_str(), after, 0), 0);
    ASSERT_TRUE(MainLoop::runUntil([&] { return response.has_value(); }, 10));
    ASSERT_TRUE(response->result);
    EXPECT_EQ(fake.fileContents("/Maps/Plan.twkx"), "first edit");
    EXPECT_FALSE(sameRecordDate(*contents->modificationDate, *fileModificationDate(local)))
        << "the date to record still differs from the file's, so the second edit goes up next time";

    EXPECT_FALSE(DropboxClient::readUploadContents(home.file("missing.twkx"), problem));
    EXPECT_FALSE(problem.empty());
}

// Each answer of the service is taken up to the bound of its kind only, however it is sent: past
// it the answer is cut off there and fails as the service's other failures do, a download's file
// stays as it was, and the next call is answered; an answer up to its bound is taken whole.
TEST_F(DropboxClientTest, AnAnswerPastTheBoundOfItsKindIsCutOffAndTheNextCallIsAnswered)
{
    using Failure = std::optional<DropboxNetworkError>;
    constexpr uint64_t Endless = LoopbackReply::Endless, Document = MaximumDocumentAnswerSize;
    constexpr uint64_t Token = MaximumTokenAnswerSize;
    fake.putFile("/Maps/Plan.twkx", "plan bytes");
    fake.putFile("/Maps/Large.twkx", std::string(HttpRequest::DefaultMaxBodyBytes * 2, 'm'));
    const std::string local = home.file("Plan.twkx"), listing = R"({"entries":[],"cursor":"c","has_more":false})";
    const std::string tokens = R"({"access_token":"access-9","token_type":"bearer"})";
    LoopbackReply file = LoopbackReply::streamed(200, "", 11);
    file.headers = {{"Dropbox-API-Result",
                     R"({".tag":"file","name":"Plan.twkx","path_lower":"/maps/plan.twkx",)"
                     R"("path_display":"/Maps/Plan.twkx","id":"id:1","rev":"a1b2c3d4e",)"
                     R"("size":10,"server_modified":"2024-05-01T10:00:00Z"})"}};
    auto outcome = [](const auto& response) { return response.result ? Failure() : response.networkError; };
    auto download = [&](const char* path) {
        return outcome(wait<DropboxMetadata>([&](auto done) { return client.download(path, local, done); }));
    };
    auto describe = [&] { return outcome(metadata("/Maps/Plan.twkx")); };
    auto listed = [&] { return outcome(list("/Maps")); };
    auto renewed = [&] {
        fake.expireAccessTokens();
        return describe();
    };
    struct Case {
        const char* name;
        std::string route;
        LoopbackReply reply;
        std::function<Failure()> call;
        bool taken;
    };
    const std::vector<Case> cases = {
        {"a listing past its bound", "files/list_folder", LoopbackReply::streamed(200, listing, Document + 1), listed,
         false},
        {"a listing up to its bound", "files/list_folder", LoopbackReply::streamed(200, listing, Document), listed,
         true},
        {"a download past the size its answer gives", "files/download", file,
         [&] { return download("/Maps/Plan.twkx"); }, false},
        {"a download larger than an answer nobody sized", "", {}, [&] { return download("/Maps/Large.twkx"); }, true},
        {"a download's refusal without end", "files/download", LoopbackReply::streamed(409, "{", Endless),
         [&] { return download("/Maps/Plan.twkx"); }, false},
        {"tokens past their bound", "oauth2/token", LoopbackReply::streamed(200, tokens, Token + 1), renewed, false},
        {"tokens up to their bound", "oauth2/token", LoopbackReply::streamed(200, tokens, Token),
         [&] {
             fake.expireAccessTokens();
             fake.issueTokens("access-9", "refresh-0");
             return describe();
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.route.empty()) fake.answerNext(c.route, c.reply);
        writeTestFile(local, "old copy");
        const uint64_t writtenBefore = fake.streamedBytes();
        const size_t cutBefore = fake.streamsCut();
        const Failure failure = c.call();
        EXPECT_EQ(!failure, c.taken);
        if (failure) {
            EXPECT_FALSE(failure->isAuthError());
            const bool file = c.route == "files/download" && c.reply.status == 200;
            EXPECT_NE(failure->content.find(file ? "“Plan.twkx” was not downloaded" : "The server's answer"),
                      std::string::npos)
                << failure->content;
            EXPECT_EQ(readTestFile(local), "old copy");
        }
        if (c.reply.streamedBytes == Endless) {
            EXPECT_TRUE(MainLoop::runUntil([&] { return fake.streamsCut() > cutBefore; }, 10));
            EXPECT_LE(fake.streamedBytes() - writtenBefore, Document + LoopbackHttpServer::InFlightBytes);
        }
        for (const auto& entry : std::filesystem::directory_iterator(home.path()))
            EXPECT_EQ(entry.path().filename().string().find(".download"), std::string::npos) << entry.path();
        EXPECT_FALSE(describe()) << "the next call is answered";
    }
}
