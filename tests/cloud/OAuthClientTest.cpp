#include "cloud/OAuthClient.h"
#include "cloud/AuthorizationRedirects.h"
#include "platform/MainLoop.h"
#include "platform/TokenStore.h"
#include "support/HeldTokenStore.h"
#include "support/LoopbackHttpServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

namespace {

const std::string AppKey = "k3x9q2mzt8w4p1a";
const std::string Redirect = "db-" + AppKey + "://2/token";

// A token endpoint that checks PKCE as the services do: the verifier of the exchange must hash to
// the challenge of the sign-in address.
struct TokenEndpoint {
    std::mutex mutex;
    std::string challenge;
    std::string issuedCode = "the-code";
    int refreshCount = 0;
    // When set, every answer of the endpoint.
    std::optional<LoopbackReply> cannedReply;
    LoopbackHttpServer server{[this](const LoopbackRequest& request) { return answer(request); }};

    LoopbackReply answer(const LoopbackRequest& request)
    {
        std::lock_guard lock(mutex);
        if (cannedReply) return *cannedReply;
        auto fields = OAuthClient::queryParameters("?" + request.body).value_or(std::map<std::string, std::string>());
        if (request.header("Content-Type") != "application/x-www-form-urlencoded" || fields["client_id"] != AppKey) {
            return LoopbackReply::json(400, R"({"error":"invalid_request"})");
        }
        if (fields["grant_type"] == "authorization_code") {
            if (fields["code"] != issuedCode || OAuthClient::codeChallenge(fields["code_verifier"]) != challenge ||
                fields["redirect_uri"] != Redirect) {
                return LoopbackReply::json(
                    400, R"({"error":"invalid_grant","error_description":"code doesn't exist or has expired"})");
            }
            return LoopbackReply::json(200,
                                       R"({"access_token":"access-1","token_type":"bearer","expires_in":14400,)"
                                       R"("refresh_token":"refresh-1","account_id":"dbid:one","scope":"files"})");
        }
        if (fields["grant_type"] == "refresh_token" && fields["refresh_token"] == "refresh-1") {
            ++refreshCount;
            return LoopbackReply::json(200, R"({"access_token":"access-2","token_type":"bearer","expires_in":14400})");
        }
        return LoopbackReply::json(400, R"({"error":"invalid_grant"})");
    }
};

struct OAuthFixture : ::testing::Test {
    TempDir home;
    TokenEndpoint endpoint;
    HttpEngine engine;
    FileTokenStore store{home.file("cloud-tokens.json")};
    OAuthSettings settings{AppKey,
                           "https://www.example.test/oauth2/authorize",
                           endpoint.server.baseUrl() + "/oauth2/token",
                           Redirect,
                           {{"token_access_type", "offline"}}};
    OAuthClient client{engine, settings, store, "dropbox"};

    OAuthFixture()
    {
        client.setClock([] { return 1000.0; });
    }

    // Starts a sign-in as the browser would see it; answers the sign-in address's parameters.
    std::map<std::string, std::string> begin(std::optional<OAuthResult>& result)
    {
        std::string address = client.beginAuthorization([&](const OAuthResult& outcome) { result = outcome; });
        auto parameters = OAuthClient::queryParameters(address).value();
        std::lock_guard lock(endpoint.mutex);
        endpoint.challenge = parameters["code_challenge"];
        return parameters;
    }
};

} // namespace

TEST(OAuthPkceTest, VerifierAndChallengeFollowS256)
{
    // The example pair of the PKCE standard.
    const std::vector<uint8_t> octets = {116, 24,  223, 180, 151, 153, 224, 37,  79, 250, 96, 125, 216, 173, 187, 186,
                                         22,  212, 37,  77,  105, 214, 191, 240, 91, 88,  5,  88,  83,  132, 141, 121};
    std::string verifier = OAuthClient::codeVerifier(octets);
    EXPECT_EQ(verifier, "dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk");
    EXPECT_EQ(OAuthClient::codeChallenge(verifier), "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
}

TEST(OAuthPkceTest, FormsAndQueriesAreEscapedBothWays)
{
    EXPECT_EQ(OAuthClient::formEncode({{"a b", "x&y=z"}, {"é", "~._-"}}), "a%20b=x%26y%3Dz&%C3%A9=~._-");
    const std::vector<std::pair<std::string, std::optional<std::map<std::string, std::string>>>> cases = {
        {"db-x://2/token?code=a%2Bb&state=s+t", std::map<std::string, std::string>{{"code", "a+b"}, {"state", "s t"}}},
        {"db-x://2/token#state=1&state=2", std::map<std::string, std::string>{{"state", "1"}}},
        {"db-x://2/token?&&flag", std::map<std::string, std::string>{{"flag", ""}}},
        {"db-x://2/token", std::map<std::string, std::string>{}},
        {"db-x://2/token?code=%4", std::nullopt},
        {"db-x://2/token?code=%zz", std::nullopt},
        {"db-x://2/token?code=%", std::nullopt},
    };
    for (const auto& [url, expected] : cases) EXPECT_EQ(OAuthClient::queryParameters(url), expected) << url;
}

TEST_F(OAuthFixture, SignsInWithPkceAndKeepsTheTokensForTheNextRun)
{
    std::optional<OAuthResult> result;
    auto parameters = begin(result);
    EXPECT_EQ(parameters["client_id"], AppKey);
    EXPECT_EQ(parameters["response_type"], "code");
    EXPECT_EQ(parameters["code_challenge_method"], "S256");
    EXPECT_EQ(parameters["redirect_uri"], Redirect);
    EXPECT_EQ(parameters["token_access_type"], "offline");
    EXPECT_EQ(parameters["code_challenge"].size(), 43u);
    EXPECT_GE(parameters["state"].size(), 16u);
    EXPECT_TRUE(client.hasPendingAuthorization());

    ASSERT_TRUE(client.handleRedirect(Redirect + "?code=the-code&state=" + parameters["state"]));
    ASSERT_TRUE(MainLoop::runUntil([&] { return result.has_value(); }, 10));
    ASSERT_TRUE(result->ok()) << result->message;
    EXPECT_FALSE(client.hasPendingAuthorization());
    EXPECT_EQ(client.accessToken(), "access-1");
    EXPECT_EQ(client.tokens()->expiresAt, 1000.0 + 14400);
    EXPECT_EQ(client.tokens()->accountId, "dbid:one");

    OAuthClient nextRun(engine, settings, store, "dropbox");
    nextRun.restore();
    ASSERT_TRUE(nextRun.isLinked());
    EXPECT_EQ(nextRun.tokens(), client.tokens());

    client.unlink();
    EXPECT_FALSE(store.read("dropbox"));
    std::optional<OAuthResult> refreshed;
    client.refresh([&](const OAuthResult& outcome) { refreshed = outcome; });
    ASSERT_TRUE(refreshed);
    EXPECT_EQ(refreshed->status, OAuthStatus::NotLinked);
}

TEST_F(OAuthFixture, IgnoresRedirectsOfNoPendingSignIn)
{
    std::optional<OAuthResult> result;
    EXPECT_FALSE(client.handleRedirect(Redirect + "?code=the-code&state=anything")) << "nothing is pending";
    auto parameters = begin(result);
    const std::string state = parameters["state"];
    const std::vector<std::string> strangers = {
        Redirect + "?code=the-code&state=forged",
        Redirect + "?code=the-code",
        Redirect + "?code=the-code&state=",
        Redirect + "/more?code=the-code&state=" + state,
        "db-otherkey0000000://2/token?code=the-code&state=" + state,
        "https://www.example.test/?code=the-code&state=" + state,
        Redirect + "?code=the-code&state=" + state + "%",
        "",
    };
    for (const std::string& url : strangers) EXPECT_FALSE(client.handleRedirect(url)) << url;
    EXPECT_TRUE(client.hasPendingAuthorization());

    EXPECT_TRUE(client.handleRedirect(Redirect + "?code=the-code&state=" + state));
    EXPECT_FALSE(client.handleRedirect(Redirect + "?code=the-code&state=" + state)) << "a state is used once";
    ASSERT_TRUE(MainLoop::runUntil([&] { return result.has_value(); }, 10));
    EXPECT_TRUE(result->ok());
    EXPECT_EQ(endpoint.server.requestCount(), 1u);
}

TEST_F(OAuthFixture, ANewSignInReplacesThePendingOne)
{
    std::optional<OAuthResult> first;
    std::optional<OAuthResult> second;
    auto old = begin(first);
    auto fresh = begin(second);
    EXPECT_NE(old["state"], fresh["state"]);
    EXPECT_NE(old["code_challenge"], fresh["code_challenge"]);
    EXPECT_FALSE(client.handleRedirect(Redirect + "?code=the-code&state=" + old["state"]));
    EXPECT_TRUE(client.handleRedirect(Redirect + "?code=the-code&state=" + fresh["state"]));
    ASSERT_TRUE(MainLoop::runUntil([&] { return second.has_value(); }, 10));
    EXPECT_TRUE(second->ok()) << second->message;
    EXPECT_FALSE(first);
}

TEST_F(OAuthFixture, ADeclinedSignInReportsTheServicesReasonWithoutARequest)
{
    std::optional<OAuthResult> result;
    auto parameters = begin(result);
    EXPECT_TRUE(client.handleRedirect(
        Redirect + "?error=access_denied&error_description=The+user+chose+not+to&state=" + parameters["state"]));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, OAuthStatus::Denied);
    EXPECT_EQ(result->message, "The user chose not to");
    EXPECT_EQ(endpoint.server.requestCount(), 0u);
    EXPECT_FALSE(client.isLinked());
}

TEST_F(OAuthFixture, ClassifiesTheTokenEndpointsAnswers)
{
    struct Case {
        int status;
        std::string body;
        OAuthStatus expected;
    };
    const std::vector<Case> cases = {
        {400, R"({"error":"invalid_grant","error_description":"code has expired"})", OAuthStatus::InvalidGrant},
        {400, R"({"error":"invalid_request"})", OAuthStatus::Denied},
        {400, "plain text", OAuthStatus::Denied},
        {500, "", OAuthStatus::NetworkError},
        {200, "not json", OAuthStatus::BadAnswer},
        {200, "[]", OAuthStatus::BadAnswer},
        {200, "{}", OAuthStatus::BadAnswer},
        {200, R"({"access_token":"a","token_type":"bearer"})", OAuthStatus::BadAnswer},
        {200, R"({"access_token":"a","refresh_token":7})", OAuthStatus::BadAnswer},
        {200, R"({"access_token":"a","refresh_token":"r","token_type":"mac"})", OAuthStatus::BadAnswer},
        {200, R"({"access_token":"a","refresh_token":"r","expires_in":"soon"})", OAuthStatus::BadAnswer},
        {200, R"({"access_token":"a","refresh_token":"r","expires_in":-5})", OAuthStatus::BadAnswer},
        {200, R"({"access_token":12,"refresh_token":"r"})", OAuthStatus::BadAnswer},
        {200, R"({"access_token":"a","refresh_token":"r","account_id":5})", OAuthStatus::Success},
    };
    for (const Case& testCase : cases) {
        {
            std::lock_guard lock(endpoint.mutex);
            endpoint.cannedReply = LoopbackReply::json(testCase.status, testCase.body);
        }
        std::optional<OAuthResult> result;
        auto parameters = begin(result);
        ASSERT_TRUE(client.handleRedirect(Redirect + "?code=c&state=" + parameters["state"]));
        ASSERT_TRUE(MainLoop::runUntil([&] { return result.has_value(); }, 10)) << testCase.body;
        EXPECT_EQ(result->status, testCase.expected) << testCase.status << " " << testCase.body;
        EXPECT_FALSE(result->message.empty() && !result->ok()) << testCase.body;
    }
}

TEST_F(OAuthFixture, RunsOneRefreshForEveryoneWaiting)
{
    store.write("dropbox", OAuthTokens{"access-1", "refresh-1", 1.0, "dbid:one"}.toJson());
    client.restore();
    std::vector<OAuthResult> results;
    for (int i = 0; i < 3; ++i) client.refresh([&](const OAuthResult& result) { results.push_back(result); });
    EXPECT_TRUE(client.isRefreshing());
    ASSERT_TRUE(MainLoop::runUntil([&] { return results.size() == 3; }, 10));
    for (const OAuthResult& result : results) EXPECT_TRUE(result.ok()) << result.message;
    EXPECT_EQ(endpoint.refreshCount, 1);
    EXPECT_EQ(client.tokens(), (OAuthTokens{"access-2", "refresh-1", 1000.0 + 14400, "dbid:one"}))
        << "a refresh answer without a refresh token keeps the old one";
    EXPECT_EQ(OAuthTokens::fromJson(store.read("dropbox").value()), client.tokens());

    store.write("dropbox", OAuthTokens{"access-1", "revoked", 1.0, ""}.toJson());
    client.restore();
    std::optional<OAuthResult> refused;
    client.refresh([&](const OAuthResult& result) { refused = result; });
    ASSERT_TRUE(MainLoop::runUntil([&] { return refused.has_value(); }, 10));
    EXPECT_EQ(refused->status, OAuthStatus::InvalidGrant);
}

TEST(OAuthTokensTest, StoredTokensAreReadOnlyWhenWhole)
{
    const std::vector<std::pair<std::string, bool>> cases = {
        {R"({"access_token":"a","refresh_token":"r","expires_at":5,"account_id":"x"})", true},
        {R"({"access_token":"a","refresh_token":"r"})", true},
        {R"({"access_token":"a"})", false},
        {R"({"access_token":1,"refresh_token":"r"})", false},
        {R"({"access_token":"","refresh_token":""})", false},
        {"[]", false},
        {"", false},
        {"{\"access_token\":\"a\",\"refresh_token\":\"r\",\"expires_at\":\"x\"}", true},
    };
    for (const auto& [text, whole] : cases) EXPECT_EQ(OAuthTokens::fromJson(text).has_value(), whole) << text;
}

TEST(AuthorizationRedirectsTest, TheServiceWaitingForTheAddressTakesIt)
{
    std::vector<std::string> taken;
    AuthorizationRedirects::setHandler("one", [&](const std::string& url) {
        if (url.rfind("db-", 0) != 0) return false;
        taken.push_back(url);
        return true;
    });
    AuthorizationRedirects::setHandler("two", [](const std::string&) { return false; });
    EXPECT_TRUE(AuthorizationRedirects::handleAuthorizationURL("db-abc://2/token?code=x"));
    EXPECT_FALSE(AuthorizationRedirects::handleAuthorizationURL("https://example.test/"));
    AuthorizationRedirects::removeHandler("one");
    AuthorizationRedirects::removeHandler("two");
    EXPECT_FALSE(AuthorizationRedirects::handleAuthorizationURL("db-abc://2/token?code=y"));
    EXPECT_EQ(taken, (std::vector<std::string>{"db-abc://2/token?code=x"}));
}

TEST_F(OAuthFixture, ARestoreWaitsForTheStoreAndNeverUndoesWhatHappenedMeanwhile)
{
    HeldTokenStore waiting;
    waiting.secrets["dropbox"] = OAuthTokens{"access-1", "refresh-1", 1.0, "dbid:one"}.toJson();
    struct Case {
        const char* what;
        std::function<void(OAuthClient&)> meanwhile;
        bool linkedAfter;
    };
    const Case cases[] = {
        {"nothing", [](OAuthClient&) {}, true},
        {"a sign-out", [](OAuthClient& c) { c.unlink(); }, false},
    };
    for (const Case& c : cases) {
        OAuthClient later(engine, settings, waiting, "dropbox");
        int done = 0;
        later.restore([&](const Error& error) {
            ++done;
            EXPECT_TRUE(error.isEmpty());
        });
        EXPECT_TRUE(later.isRestoring()) << c.what;
        EXPECT_FALSE(later.isLinked()) << c.what;
        c.meanwhile(later);
        waiting.answer();
        EXPECT_EQ(done, 1) << c.what;
        EXPECT_FALSE(later.isRestoring()) << c.what;
        EXPECT_EQ(later.isLinked(), c.linkedAfter) << c.what;
        waiting.secrets["dropbox"] = OAuthTokens{"access-1", "refresh-1", 1.0, "dbid:one"}.toJson();
    }

    int done = 0;
    {
        OAuthClient gone(engine, settings, waiting, "dropbox");
        gone.restore([&](const Error&) { ++done; });
    }
    waiting.answer();
    EXPECT_EQ(done, 0) << "a client that is gone is never called back";
}

TEST_F(OAuthFixture, ATokenTheStoreCouldNotKeepIsReportedAndStillServesThisRun)
{
    HeldTokenStore failing;
    failing.writeFailure = "The keyring is locked.";
    OAuthClient signingIn(engine, settings, failing, "dropbox");
    std::vector<Error> reported;
    signingIn.setStoreFailureHandler([&](const Error& error) { reported.push_back(error); });
    std::optional<OAuthResult> result;
    std::string address = signingIn.beginAuthorization([&](const OAuthResult& outcome) { result = outcome; });
    auto parameters = OAuthClient::queryParameters(address).value();
    {
        std::lock_guard lock(endpoint.mutex);
        endpoint.challenge = parameters["code_challenge"];
    }
    ASSERT_TRUE(signingIn.handleRedirect(Redirect + "?code=the-code&state=" + parameters["state"]));
    ASSERT_TRUE(MainLoop::runUntil([&] { return result.has_value(); }, 10));
    ASSERT_TRUE(result->ok()) << result->message;
    EXPECT_TRUE(reported.empty()) << "the store has not answered yet";
    failing.answer();
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].failureReason, "The keyring is locked.");
    EXPECT_EQ(signingIn.accessToken(), "access-1");
}
