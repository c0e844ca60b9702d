#include "GoogleDrive/GDriveClient.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "support/SignedInDriveClient.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>

namespace {

struct GDriveClientTest : ::testing::Test, SignedInDriveClient {
    template <class Result, class Start> GDriveResponse<Result> wait(Start start)
    {
        std::optional<GDriveResponse<Result>> response;
        GDriveCall call = start([&](const GDriveResponse<Result>& answer) { response = answer; });
        EXPECT_TRUE(driveUntil([&] { return response.has_value(); }));
        return response.value_or(GDriveResponse<Result>{});
    }

    GDriveResponse<GDriveMetadata> get(const std::string& id)
    {
        return wait<GDriveMetadata>([&](auto done) { return client.getFile(id, GDriveMetadata::FileFields, done); });
    }

    GDriveResponse<GDriveMetadata> create(const GDriveFileObject& file, const std::string& contents)
    {
        writeTestFile(home.file("upload.twkx"), contents);
        return wait<GDriveMetadata>([&](auto done) {
            return client.createFile(file, GDriveUpload{home.file("upload.twkx"), "application/x-zip"},
                                     GDriveMetadata::FileFields, done);
        });
    }

    GDriveResponse<std::vector<GDriveMetadata>> list(const std::string& q)
    {
        return wait<std::vector<GDriveMetadata>>(
            [&](auto done) { return client.listFiles(q, GDriveMetadata::FileFields, done); });
    }

    GDriveResponse<GDriveMetadata> update(const std::string& id, const GDriveFileObject& file,
                                          const std::string& addParent = "", const std::string& removeParent = "",
                                          const std::optional<GDriveUpload>& upload = std::nullopt)
    {
        return wait<GDriveMetadata>([&](auto done) {
            return client.updateFile(id, file, addParent, removeParent, upload, GDriveMetadata::FileFields, done);
        });
    }

    GDriveResponse<GDriveDone> remove(const std::string& id)
    {
        return wait<GDriveDone>([&](auto done) { return client.deleteFile(id, done); });
    }

    GDriveResponse<GDriveDone> download(const std::string& id, const std::string& path, uint64_t maxBytes = 0)
    {
        return wait<GDriveDone>([&](auto done) { return client.download(id, "Plan.twkx", path, maxBytes, done); });
    }
};

TEST_F(GDriveClientTest, CreatesDescribesAndDownloadsAFile)
{
    const std::string folder = fake.addFolder("Tarnwick");
    auto created = create({"1NewMapId", "Plan.twkx", "application/x-zip", {folder}}, "zip bytes");
    ASSERT_TRUE(created.result) << created.error->errorDescription();
    EXPECT_EQ(created.result->gdriveId(), "1NewMapId");
    EXPECT_EQ(created.result->parentIdentifier, folder);
    EXPECT_EQ(created.result->itemType(), 4);
    EXPECT_EQ(created.result->size(), 9);
    EXPECT_EQ(fake.file("1NewMapId")->contents, "zip bytes");
    EXPECT_EQ(fake.file("1NewMapId")->mimeType, "application/x-zip");

    auto logged = fake.requestsTo("files.create").at(0);
    EXPECT_NE(logged.query.find("uploadType=multipart"), std::string::npos);
    EXPECT_EQ(logged.contentType.rfind("multipart/related; boundary=", 0), 0u);
    EXPECT_NE(logged.body.find("\r\nContent-Type: application/x-zip\r\n"), std::string::npos);
    EXPECT_EQ(logged.authorization, "Bearer access-0");

    auto described = get("1NewMapId");
    ASSERT_TRUE(described.result);
    EXPECT_EQ(described.result->md5Checksum, fake.file("1NewMapId")->md5);
    EXPECT_EQ(described.result->name, "Plan.twkx");

    ASSERT_TRUE(download("1NewMapId", home.file("copy.twkx")).result);
    EXPECT_EQ(readTestFile(home.file("copy.twkx")), "zip bytes");
}

TEST_F(GDriveClientTest, ACreateWithoutParentSendsNoParents)
{
    ASSERT_TRUE(create({"1Loose", "Loose.twkx", "application/x-zip", {}}, "x").result);
    const std::string body = fake.requestsTo("files.create").at(0).body;
    const size_t start = body.find('{');
    const auto metadata = nlohmann::json::parse(body.substr(start, body.find('\n', start) - start - 1));
    EXPECT_EQ(metadata, (nlohmann::json{{"id", "1Loose"}, {"name", "Loose.twkx"}, {"mimeType", "application/x-zip"}}));
    EXPECT_EQ(fake.file("1Loose")->parents, std::vector<std::string>{fake.rootId()});
}

TEST_F(GDriveClientTest, ListsEveryPageAndAnswersOnce)
{
    const std::string folder = fake.addFolder("Maps");
    for (int i = 0; i < 5; ++i) fake.addFile("Map " + std::to_string(i) + ".twkx", "m", folder);
    fake.addFile("Elsewhere.twkx", "e");
    int answers = 0;
    std::optional<GDriveResponse<std::vector<GDriveMetadata>>> response;
    GDriveCall call =
        client.listFiles("'" + folder + "' in parents", GDriveMetadata::FileFields, [&](const auto& answer) {
            ++answers;
            response = answer;
        });
    ASSERT_TRUE(MainLoop::runUntil([&] { return response.has_value(); }, 20));
    MainLoop::runFor(0.05);
    EXPECT_EQ(answers, 1);
    ASSERT_TRUE(response->result);
    EXPECT_EQ(response->result->size(), 5u);
    const auto pages = fake.requestsTo("files.list");
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_NE(pages[0].query.find("pageSize=150"), std::string::npos);
    EXPECT_NE(pages[0].query.find("fields=files%28"), std::string::npos);
    EXPECT_NE(pages[1].query.find("pageToken="), std::string::npos);
}

TEST_F(GDriveClientTest, QueryValuesAreEscaped)
{
    EXPECT_EQ(GDriveClient::escapeQueryValue(R"(Bob's \ plan)"), R"(Bob\'s \\ plan)");
    fake.addFile("Bob's \\ plan.twkx", "b");
    fake.addFile("Bob.twkx", "b");
    auto found = list("name contains '" + GDriveClient::escapeQueryValue("Bob's \\") + "' and trashed = false");
    ASSERT_TRUE(found.result);
    ASSERT_EQ(found.result->size(), 1u);
    EXPECT_EQ(found.result->at(0).name, "Bob's \\ plan.twkx");
}

TEST_F(GDriveClientTest, IdsThatAreNoDriveIdsAreNotFoundWithoutARequest)
{
    for (const std::string& id : {std::string("../etc/passwd"), std::string("a'b"), std::string(),
                                  std::string(257, 'a'), std::string("a%2Fb"), std::string("x?alt=media")}) {
        auto described = get(id);
        ASSERT_TRUE(described.error) << id;
        EXPECT_TRUE(described.error->is404Error()) << id;
        auto deleted = remove(id);
        EXPECT_TRUE(deleted.error && deleted.error->is404Error()) << id;
        if (id.empty()) continue;
        auto moved = update("1Fine", {}, id);
        EXPECT_TRUE(moved.error && moved.error->is404Error()) << id;
    }
    EXPECT_TRUE(fake.requests().empty());
}

TEST_F(GDriveClientTest, AnExpiredTokenIsRenewedOnceForAllCallsWaiting)
{
    const std::string id = fake.addFile("Plan.twkx", "p");
    fake.expireAccessTokens();
    std::vector<GDriveResponse<GDriveMetadata>> responses;
    std::vector<GDriveCall> calls;
    for (int i = 0; i < 3; ++i) {
        calls.push_back(client.getFile(id, GDriveMetadata::FileFields,
                                       [&](const auto& response) { responses.push_back(response); }));
    }
    ASSERT_TRUE(MainLoop::runUntil([&] { return responses.size() == 3; }, 20));
    for (const auto& response : responses) EXPECT_TRUE(response.result);
    const auto refreshes = fake.requestsTo("oauth.token");
    ASSERT_EQ(refreshes.size(), 1u);
    EXPECT_NE(refreshes[0].body.find("client_secret="), std::string::npos);
    EXPECT_EQ(fake.requestsTo("files.get").size(), 6u);
}

// A call whose expired-token answer comes back after another call's renewal was refused must end
// as signed out, not go out again without any token.
TEST_F(GDriveClientTest, ACallAnsweredAfterTheSignInWasRefusedEndsSignedOut)
{
    const std::string id = fake.addFile("Plan.twkx", "p");
    fake.expireAccessTokens();
    fake.revokeRefreshTokens();
    std::optional<GDriveResponse<GDriveMetadata>> late;
    fake.setDelay(0.3);
    GDriveCall lateCall =
        client.getFile(id, GDriveMetadata::FileFields, [&](const auto& response) { late = response; });
    ASSERT_TRUE(MainLoop::runUntil([&] { return fake.requestsTo("files.get").size() == 1; }, 20));
    fake.setDelay(0);
    auto refused = get(id);
    ASSERT_TRUE(refused.error);
    // As the service does once it learns the sign-in is gone.
    oauth.unlink();
    ASSERT_TRUE(MainLoop::runUntil([&] { return late.has_value(); }, 20));
    ASSERT_TRUE(late->error);
    EXPECT_TRUE(GDriveError::isAuthenticationError(*late->error));
    for (const auto& request : fake.requestsTo("files.get"))
        EXPECT_GT(request.authorization.size(), 7u) << "a bearer token";
    EXPECT_EQ(fake.requestsTo("files.get").size(), 2u);
}

TEST_F(GDriveClientTest, ATokenAboutToRunOutIsRenewedBeforeTheCall)
{
    const std::string id = fake.addFile("Plan.twkx", "p");
    signIn(now() + 10);
    ASSERT_TRUE(get(id).result);
    const auto log = fake.requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].route, "oauth.token");
    EXPECT_EQ(log[1].route, "files.get");
    EXPECT_NE(log[1].authorization, "Bearer access-0");
}

TEST_F(GDriveClientTest, OnlyARefusedRenewalIsASignInError)
{
    const std::string id = fake.addFile("Plan.twkx", "p");
    fake.expireAccessTokens();
    fake.failNext("oauth.token", 500);
    auto unreachable = get(id);
    ASSERT_TRUE(unreachable.error);
    EXPECT_TRUE(unreachable.error->isOffline());
    EXPECT_FALSE(unreachable.error->invalidCredentials());
    EXPECT_FALSE(GDriveError::isAuthenticationError(*unreachable.error));

    fake.clearLog();
    fake.revokeRefreshTokens();
    auto refused = get(id);
    ASSERT_TRUE(refused.error);
    EXPECT_TRUE(refused.error->invalidCredentials());
    EXPECT_TRUE(GDriveError::isAuthenticationError(*refused.error));
    EXPECT_EQ(refused.error->errorDescription(), "Token has been expired or revoked.");
    EXPECT_EQ(fake.requestsTo("files.get").size(), 1u) << "no second try after a refused renewal";

    oauth.unlink();
    auto signedOut = get(id);
    ASSERT_TRUE(signedOut.error);
    EXPECT_TRUE(signedOut.error->invalidCredentials());
}

TEST_F(GDriveClientTest, RateLimitsAreWaitedOutAndOtherFailuresReported)
{
    const std::string id = fake.addFile("Plan.twkx", "p");
    struct Case {
        int status;
        int count;
        bool succeeds;
        long code;
        size_t requests;
        // Trouble in Drive's own shape, which stays past the bounded tries and is said in words.
        const char* reason = nullptr;
        std::string told{};
    };
    const auto retried = [](const char* key, const char* status) { return formatText(localized(key), {status, "4"}); };
    const Case cases[] = {
        {403, 2, true, 0, 3},
        {403, 4, false, 403, 4},
        {429, 1, true, 0, 2},
        {503, 3, true, 0, 4},
        {500, 1, true, 0, 2},
        {404, 1, false, 404, 1},
        {401, 1, true, 0, 3},
        {500, 4, false, 500, 4, "", retried("gdrive_server_error_retried", "500")},
        {502, 4, false, 502, 4, "", retried("gdrive_server_error_retried", "502")},
        {403, 4, false, 403, 4, "userRateLimitExceeded", retried("gdrive_rate_limited_retried", "403")},
    };
    for (const Case& test : cases) {
        fake.clearLog();
        if (test.reason) {
            fake.failNextAsDrive("files.get", test.status, test.count, std::nullopt, test.reason);
        } else {
            fake.failNext("files.get", test.status, test.count);
        }
        auto response = get(id);
        EXPECT_EQ(bool(response.result), test.succeeds) << test.status;
        if (response.error) {
            EXPECT_EQ(GDriveError::getGDriveErrorCode(*response.error), test.code) << test.status;
        }
        if (test.reason) {
            ASSERT_TRUE(response.error) << test.status;
            EXPECT_EQ(response.error->errorDescription(), test.told);
            EXPECT_EQ(GDriveError::getDefaultErrorMessage(*response.error), test.told);
        }
        EXPECT_EQ(fake.requests().size(), test.requests) << test.status;
        fake.failNext("files.get", 200, 0);
    }
}

TEST_F(GDriveClientTest, TroubleOnDrivesSideIsSentAgainWhereARepeatDoesNoHarm)
{
    const std::string a = fake.addFolder("A");
    const std::string b = fake.addFolder("B");
    const std::string map = fake.addFile("Plan.twkx", "plan", a);
    writeTestFile(home.file("upload.twkx"), "new content");
    const GDriveUpload upload{home.file("upload.twkx"), "application/x-zip"};
    int made = 0;
    struct Call {
        const char* route;
        bool repeatable;
        // Whether it succeeded.
        std::function<bool()> run;
    };
    const Call calls[] = {
        {"files.get", true, [&] { return bool(get(map).result); }},
        {"files.list", true, [&] { return bool(list("'" + a + "' in parents").result); }},
        {"files.media", true, [&] { return bool(download(map, home.file("copy.twkx")).result); }},
        {"files.create", true,
         [&] {
             GDriveFileObject file;
             file.id = "1Made" + std::to_string(++made);
             file.name = "Made.twkx";
             return bool(create(file, "made").result);
         }},
        {"files.update", true, [&] { return bool(update(map, {}, "", "", upload).result); }},
        {"files.update", true,
         [&] {
             GDriveFileObject renamed;
             renamed.name = "Renamed " + std::to_string(++made) + ".twkx";
             return bool(update(map, renamed).result);
         }},
        // A repeat of these could make a second folder, or move from a parent the file has left.
        {"files.create", false,
         [&] {
             GDriveFileObject folder;
             folder.name = "Folder " + std::to_string(++made);
             folder.mimeType = GDriveMetadata::FolderMimeType;
             return bool(wait<GDriveMetadata>([&](auto done) {
                             return client.createFile(folder, std::nullopt, GDriveMetadata::FileFields, done);
                         }).result);
         }},
        {"files.update", false,
         [&] {
             const bool toB = fake.file(map)->parents == std::vector<std::string>{a};
             return bool(update(map, {}, toB ? b : a, toB ? a : b).result);
         }},
        {"files.delete", true,
         [&] {
             const std::string gone = fake.addFile("Gone.twkx", "gone", a);
             return bool(remove(gone).result);
         }},
    };
    struct Trouble {
        int status;
        std::optional<int> retryAfter;
        const char* reason;
        // Not processed: sent again whatever the call.
        bool always;
    };
    const Trouble troubles[] = {
        {500, std::nullopt, "", false},
        {502, std::nullopt, "", false},
        {504, 2, "", false},
        {503, std::nullopt, "", true},
        {403, std::nullopt, "rateLimitExceeded", true},
        {403, 5, "userRateLimitExceeded", true},
        {429, std::nullopt, "", true},
    };
    for (const Call& call : calls) {
        for (const Trouble& trouble : troubles) {
            SCOPED_TRACE(std::string(call.route) + (call.repeatable ? "" : " (no repeat) ") + " " +
                         std::to_string(trouble.status) + " " + trouble.reason);
            fake.failNextAsDrive(call.route, trouble.status, 1, trouble.retryAfter, trouble.reason);
            fake.clearLog();
            const bool retried = call.repeatable || trouble.always;
            EXPECT_EQ(call.run(), retried);
            EXPECT_EQ(fake.requestsTo(call.route).size(), retried ? 2u : 1u);
        }
    }
}

TEST_F(GDriveClientTest, UpdatesMovesAndDeletes)
{
    const std::string a = fake.addFolder("A");
    const std::string b = fake.addFolder("B", a);
    const std::string map = fake.addFile("Plan.twkx", "old", a);
    writeTestFile(home.file("new.twkx"), "new contents");
    auto updated = update(map, {}, "", "", GDriveUpload{home.file("new.twkx"), "application/x-zip"});
    ASSERT_TRUE(updated.result);
    EXPECT_EQ(fake.file(map)->contents, "new contents");
    EXPECT_EQ(updated.result->md5Checksum, fake.file(map)->md5);

    GDriveFileObject renamed;
    renamed.name = "Renamed.twkx";
    auto moved = update(map, renamed, b, a);
    ASSERT_TRUE(moved.result);
    EXPECT_EQ(moved.result->parentIdentifier, b);
    EXPECT_EQ(moved.result->name, "Renamed.twkx");

    auto loop = update(a, {}, b);
    ASSERT_TRUE(loop.error);
    EXPECT_EQ(GDriveError::getGDriveErrorCode(*loop.error), 400);

    EXPECT_TRUE(remove(map).result);
    auto again = remove(map);
    ASSERT_TRUE(again.error);
    EXPECT_TRUE(again.error->is404Error());
}

TEST_F(GDriveClientTest, ACreateWithATakenIdIsAConflict)
{
    fake.addFile("Plan.twkx", "p", "", "1Taken");
    auto created = create({"1Taken", "Plan.twkx", "application/x-zip", {}}, "again");
    ASSERT_TRUE(created.error);
    EXPECT_EQ(GDriveError::getGDriveErrorCode(*created.error), 409);
    EXPECT_EQ(fake.file("1Taken")->contents, "p");
}

TEST_F(GDriveClientTest, GeneratesIds)
{
    auto ids = wait<std::vector<std::string>>([&](auto done) { return client.generateIds(26, done); });
    ASSERT_TRUE(ids.result);
    EXPECT_EQ(ids.result->size(), 26u);
    EXPECT_NE(fake.requestsTo("files.generateIds").at(0).query.find("count=26"), std::string::npos);
}

TEST_F(GDriveClientTest, AFailedOrOverlongDownloadLeavesTheLocalFile)
{
    const std::string id = fake.addFile("Plan.twkx", "0123456789");
    writeTestFile(home.file("local.twkx"), "mine");
    fake.padDownloads(1 << 20);
    auto overlong = download(id, home.file("local.twkx"), 10);
    ASSERT_TRUE(overlong.error);
    EXPECT_EQ(readTestFile(home.file("local.twkx")), "mine");

    auto missing = download("1Missing", home.file("local.twkx"));
    ASSERT_TRUE(missing.error);
    EXPECT_TRUE(missing.error->is404Error());
    EXPECT_EQ(readTestFile(home.file("local.twkx")), "mine");

    fake.padDownloads(0);
    ASSERT_TRUE(download(id, home.file("local.twkx"), 10).result);
    EXPECT_EQ(readTestFile(home.file("local.twkx")), "0123456789");
}

TEST_F(GDriveClientTest, ALargeUploadGoesInChunksAndResumesAfterADrop)
{
    std::string contents(GDriveClient::MultipartLimit + 700 * 1024, '\0');
    for (size_t i = 0; i < contents.size(); ++i) contents[i] = char('a' + (i * 7919) % 26);
    client.setChunkSize(1024 * 1024);
    // The transport itself sends once more on a connection that died; the second drop reaches us.
    fake.dropNextChunks(2);
    auto created = create({"1Large", "Large.twkx", "application/x-zip", {}}, contents);
    ASSERT_TRUE(created.result) << created.error->errorDescription();
    EXPECT_EQ(fake.file("1Large")->contents, contents);
    EXPECT_EQ(created.result->size(), int64_t(contents.size()));
    size_t questions = 0;
    size_t sent = 0;
    for (const auto& chunk : fake.requestsTo("upload.chunk")) {
        if (chunk.body.empty()) ++questions;
        if (chunk.status != 0) sent += chunk.body.size();
    }
    EXPECT_EQ(questions, 1u);
    EXPECT_LE(sent, contents.size() + 1024 * 1024) << "at most one chunk sent again";
    EXPECT_NE(fake.requestsTo("files.create").at(0).query.find("uploadType=resumable"), std::string::npos);
}

TEST_F(GDriveClientTest, ACancelledCallNeverCallsBack)
{
    const std::string id = fake.addFile("Plan.twkx", "p");
    fake.setDelay(0.1);
    bool called = false;
    GDriveCall call = client.getFile(id, GDriveMetadata::FileFields, [&](const auto&) { called = true; });
    EXPECT_TRUE(call.isPending());
    call.cancel();
    MainLoop::runFor(0.3);
    EXPECT_FALSE(called);
    EXPECT_FALSE(call.hasCalledCallback());

    GDriveCall early = client.getFile("bad/id", GDriveMetadata::FileFields, [&](const auto&) { called = true; });
    early.cancel();
    MainLoop::runFor(0.05);
    EXPECT_FALSE(called);
}

} // namespace

// Each answer of Drive is taken up to the bound of its kind only, however it is sent: past it the
// answer is cut off there and fails as Drive's other failures do, as does a download short of its
// size; a download's file stays as it was, and the next call is answered; an answer within its
// bound is taken whole.
TEST_F(GDriveClientTest, AnAnswerPastTheBoundOfItsKindIsCutOffAndTheNextCallIsAnswered)
{
    using Failure = std::optional<GDriveError>;
    constexpr uint64_t Endless = LoopbackReply::Endless, Large = HttpRequest::DefaultMaxBodyBytes * 2;
    const std::string id = fake.addFile("Plan.twkx", "0123456789");
    const std::string large = fake.addFile("Large.twkx", std::string(Large, 'm'));
    const std::string local = home.file("local.twkx");
    auto outcome = [](const auto& response) { return response.result ? Failure() : response.error; };
    auto download = [&](const std::string& file, uint64_t size) { return outcome(this->download(file, local, size)); };
    auto listed = [&] { return outcome(list("trashed = false")); };
    auto untilClosed = [](uint64_t length) {
        LoopbackReply reply = LoopbackReply::streamed(200, "", length);
        reply.chunked = false;
        return reply;
    };
    struct Case {
        const char* name;
        std::string route;
        LoopbackReply reply;
        std::function<Failure()> call;
        bool taken;
    };
    const std::vector<Case> cases = {
        {"a list without end", "files.list", LoopbackReply::streamed(200, "{", Endless), listed, false},
        {"a list larger than an answer nobody sized", "files.list",
         LoopbackReply::streamed(200, R"({"files":[]})", Large), listed, true},
        {"a download past its size", "files.media", LoopbackReply::streamed(200, "", 11),
         [&] { return download(id, 10); }, false},
        {"a download short of its size, in chunks", "files.media", LoopbackReply::streamed(200, "01234", 5),
         [&] { return download(id, 10); }, false},
        {"a download short of its size, until the connection ends", "files.media", untilClosed(5),
         [&] { return download(id, 10); }, false},
        {"a download of no known size, larger than an answer nobody sized",
         "",
         {},
         [&] { return download(large, 0); },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.route.empty()) fake.answerNext(c.route, c.reply);
        writeTestFile(local, "old copy");
        const size_t cutBefore = fake.streamsCut();
        const Failure failure = c.call();
        EXPECT_EQ(!failure, c.taken);
        if (failure) {
            const bool file = c.route == "files.media" && c.reply.status == 200;
            EXPECT_NE(
                failure->localizedDescription.find(file ? "“Plan.twkx” was not downloaded" : "The server's answer"),
                std::string::npos)
                << failure->localizedDescription;
            EXPECT_EQ(readTestFile(local), "old copy");
        }
        if (c.reply.streamedBytes == Endless) {
            EXPECT_TRUE(MainLoop::runUntil([&] { return fake.streamsCut() > cutBefore; }, 10));
        }
        EXPECT_FALSE(outcome(get(id))) << "the next call is answered";
    }
}
