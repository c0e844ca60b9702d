#include "support/FakeDropboxServer.h"
#include "cloud/OAuthClient.h"
#include "platform/HttpEngine.h"
#include "platform/MainLoop.h"
#include "platform/TokenStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

// The stand-in must refuse what the real service refuses, or the client's tests prove nothing.
struct FakeDropboxServerTest : ::testing::Test {
    FakeDropboxServer fake;
    HttpEngine engine;

    FakeDropboxServerTest() { fake.issueTokens("access-0", "refresh-0"); }

    HttpResponse post(const std::string& route, HttpHeaders headers, const std::string& body = {})
    {
        HttpRequest request;
        request.method = "POST";
        request.url = fake.baseUrl() + route;
        request.headers = std::move(headers);
        request.body = body;
        std::optional<HttpResponse> result;
        HttpRequestHandle handle = engine.start(request, [&](HttpResponse response) { result = std::move(response); });
        EXPECT_TRUE(MainLoop::runUntil([&] { return result.has_value(); }, 10));
        return result.value_or(HttpResponse{});
    }

    HttpResponse rpc(const std::string& route, const std::string& body, const std::string& token = "access-0")
    {
        return post(route, {{"Authorization", "Bearer " + token}, {"Content-Type", "application/json"}}, body);
    }
};

} // namespace

TEST_F(FakeDropboxServerTest, RefusesWhatTheServiceRefuses)
{
    fake.putFile("/Maps/Plan.twkx", "p");
    struct Case {
        std::string what;
        HttpResponse response;
        long status;
        std::string bodyPart;
    };
    const std::vector<Case> cases = {
        {"root as /", rpc("/2/files/list_folder", R"({"path":"/"})"), 400,
         "Specify the root folder as an empty string"},
        {"relative path", rpc("/2/files/get_metadata", R"({"path":"Maps"})"), 400, "did not match pattern"},
        {"root metadata", rpc("/2/files/get_metadata", R"({"path":""})"), 400, "root folder is unsupported"},
        {"trailing slash", rpc("/2/files/list_folder", R"({"path":"/Maps/"})"), 409, "path/malformed_path/"},
        {"trailing space", rpc("/2/files/get_metadata", R"({"path":"/Maps/Plan.twkx "})"), 409, "path/malformed_path/"},
        {"no token", post("/2/files/list_folder", {{"Content-Type", "application/json"}}, R"({"path":""})"), 400,
         "Authorization"},
        {"unknown token", rpc("/2/files/list_folder", R"({"path":""})", "forged"), 401, "invalid_access_token"},
        {"wrong type",
         post("/2/files/list_folder", {{"Authorization", "Bearer access-0"}, {"Content-Type", "text/plain"}}, "{}"),
         400, "Content-Type"},
        {"raw non-ASCII argument",
         post("/2/files/upload",
              {{"Authorization", "Bearer access-0"},
               {"Content-Type", "application/octet-stream"},
               {"Dropbox-API-Arg", "{\"path\":\"/Caf\xc3\xa9.twkx\",\"mode\":\"add\"}"}},
              "x"),
         400, "Dropbox-API-Arg"},
        {"retired route", rpc("/2/files/delete", R"({"path":"/Maps"})"), 404, ""},
        {"no such file", rpc("/2/files/get_metadata", R"({"path":"/Gone"})"), 409, "path/not_found/"},
    };
    for (const Case& testCase : cases) {
        EXPECT_EQ(testCase.response.status, testCase.status) << testCase.what;
        EXPECT_NE(testCase.response.body.find(testCase.bodyPart), std::string::npos)
            << testCase.what << ": " << testCase.response.body;
    }
    fake.expireAccessTokens();
    auto expired = rpc("/2/files/get_metadata", R"({"path":"/Maps/Plan.twkx"})");
    EXPECT_EQ(expired.status, 401);
    EXPECT_NE(expired.body.find("expired_access_token"), std::string::npos);
}

TEST_F(FakeDropboxServerTest, SignsInThroughItsAuthorizeAndTokenEndpointsWithPkce)
{
    TempDir home;
    FileTokenStore tokens(home.file("tokens.json"));
    OAuthSettings settings{FakeDropboxServer::AppKey,
                           fake.baseUrl() + "/oauth2/authorize",
                           fake.baseUrl() + "/oauth2/token",
                           FakeDropboxServer::redirectUri(),
                           {{"token_access_type", "offline"}}};
    OAuthClient client(engine, settings, tokens, "dropbox");
    std::optional<OAuthResult> result;
    // The browser: open the address, follow the redirect to the program's scheme.
    std::optional<HttpResponse> page;
    HttpRequest open;
    open.url = client.beginAuthorization([&](const OAuthResult& outcome) { result = outcome; });
    HttpRequestHandle browsing = engine.start(open, [&](HttpResponse response) { page = std::move(response); });
    ASSERT_TRUE(MainLoop::runUntil([&] { return page.has_value(); }, 10));
    ASSERT_EQ(page->status, 302) << page->body;
    const std::string redirect = page->header("Location");
    EXPECT_EQ(redirect.rfind(FakeDropboxServer::redirectUri() + "?code=", 0), 0u) << redirect;

    ASSERT_TRUE(client.handleRedirect(redirect));
    ASSERT_TRUE(MainLoop::runUntil([&] { return result.has_value(); }, 10));
    ASSERT_TRUE(result->ok()) << result->message;
    EXPECT_EQ(client.tokens()->accountId, "dbid:fake-account");
    auto listing = rpc("/2/files/list_folder", R"({"path":""})", client.accessToken());
    EXPECT_EQ(listing.status, 200) << listing.body;

    // A code is good once, and only with its own verifier.
    auto again = post("/oauth2/token", {{"Content-Type", "application/x-www-form-urlencoded"}},
                      OAuthClient::formEncode({{"grant_type", "authorization_code"},
                                               {"code", OAuthClient::queryParameters(redirect).value()["code"]},
                                               {"code_verifier", "whatever"},
                                               {"client_id", FakeDropboxServer::AppKey},
                                               {"redirect_uri", FakeDropboxServer::redirectUri()}}));
    EXPECT_EQ(again.status, 400);
    EXPECT_NE(again.body.find("invalid_grant"), std::string::npos);

    std::optional<OAuthResult> second;
    HttpRequest reopen;
    reopen.url = client.beginAuthorization([&](const OAuthResult& outcome) { second = outcome; });
    page.reset();
    browsing = engine.start(reopen, [&](HttpResponse response) { page = std::move(response); });
    ASSERT_TRUE(MainLoop::runUntil([&] { return page.has_value(); }, 10));
    const std::string code = OAuthClient::queryParameters(page->header("Location")).value()["code"];
    auto wrongVerifier = post("/oauth2/token", {{"Content-Type", "application/x-www-form-urlencoded"}},
                              OAuthClient::formEncode({{"grant_type", "authorization_code"},
                                                       {"code", code},
                                                       {"code_verifier", std::string(43, 'a')},
                                                       {"client_id", FakeDropboxServer::AppKey},
                                                       {"redirect_uri", FakeDropboxServer::redirectUri()}}));
    EXPECT_EQ(wrongVerifier.status, 400);
    EXPECT_NE(wrongVerifier.body.find("invalid_grant"), std::string::npos);
}
