#include "GoogleDrive/GDriveAuthHelper.h"
#include "Editor/FeedbackCenter.h"
#include "GoogleDrive/GDriveFileOperations.h"
#include "GoogleDrive/GDriveSettings.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "platform/TokenStore.h"
#include "platform/UriLauncher.h"
#include "support/FakeBrowser.h"
#include "support/FakeGoogleDriveServer.h"
#include "support/HeldTokenStore.h"
#include "support/ScriptedAlertPanel.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

struct GDriveAuthHelperTest : ::testing::Test {
    FakeGoogleDriveServer fake;
    TempDir home;
    HttpEngine engine;
    FileTokenStore store{home.file("cloud-tokens.json")};
    FakeBrowser browser{engine, GDriveSettings::SuccessPath};
    ScriptedAlertPanel alerts;
    std::unique_ptr<GDriveAuthHelper> helper = make(FakeGoogleDriveServer::ClientId);
    int completions = 0;
    int broughtToFront = 0;

    std::unique_ptr<GDriveAuthHelper> make(const std::string& clientId,
                                           const std::string& clientSecret = FakeGoogleDriveServer::ClientSecret,
                                           TokenStore* tokens = nullptr)
    {
        OAuthSettings signIn;
        signIn.clientId = clientId;
        signIn.clientSecret = clientSecret;
        signIn.authorizeUrl = fake.authorizeUrl();
        signIn.tokenUrl = fake.tokenUrl();
        signIn.authorizeParameters = {{"scope", GDriveSettings::Scopes}, {"access_type", "offline"}};
        auto made = std::make_unique<GDriveAuthHelper>(engine, tokens ? *tokens : store, signIn,
                                                       GDriveEndpoints{fake.baseUrl(), fake.baseUrl()},
                                                       fake.baseUrl() + GDriveSettings::SuccessPath);
        made->setBringToFront([this] { ++broughtToFront; });
        return made;
    }

    void signIn()
    {
        helper->reauthenticate([this] { ++completions; });
        ASSERT_TRUE(MainLoop::runUntil([&] { return completions > 0 || !alerts.requests.empty(); }, 20));
    }

    std::string listenerAddress() const
    {
        const std::string& url = browser.opened.at(0);
        const size_t start = url.find("redirect_uri=") + 13;
        std::string encoded = url.substr(start, url.find('&', start) - start);
        auto fields = OAuthClient::queryParameters("?x=" + encoded);
        return fields->at("x");
    }
};

TEST_F(GDriveAuthHelperTest, SignsInThroughTheBrowserAndTheLoopbackListener)
{
    EXPECT_FALSE(helper->isAuthenticated());
    signIn();
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(alerts.requests.empty());
    EXPECT_TRUE(helper->isAuthenticated());
    EXPECT_EQ(broughtToFront, 1);
    EXPECT_FALSE(helper->isFlowInProgress());

    const std::string& consent = browser.opened.at(0);
    EXPECT_NE(consent.find("scope=https%3A%2F%2Fwww.googleapis.com%2Fauth%2Fdrive%20email"), std::string::npos);
    EXPECT_NE(consent.find("code_challenge_method=S256"), std::string::npos);
    EXPECT_EQ(listenerAddress().rfind("http://127.0.0.1:", 0), 0u);
    EXPECT_EQ(listenerAddress().back(), '/');

    // The browser moved on to the success page, and the listener is gone.
    ASSERT_EQ(browser.answers.size(), 2u);
    EXPECT_EQ(browser.answers[1].status, 302);
    EXPECT_EQ(browser.answers[1].header("Location"), fake.baseUrl() + "/support/mac-gdrive-authorization-complete/");
    EXPECT_FALSE(helper->redirectListener()->isListening());

    auto saved = OAuthTokens::fromJson(store.read("Tarnwick-Trial: Google Drive-AppAuth").value_or(""));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->accessToken, helper->authorization().accessToken());
    EXPECT_FALSE(store.read("Tarnwick: Google Drive"));

    // The client is signed in with what came back.
    fake.addFile("Plan.twkx", "p", "", "1Plan");
    GDriveFileMetadataGet get(helper->driveService());
    std::optional<std::string> name;
    get.get("1Plan",
            [&](const GDriveMetadata* metadata, const GDriveError*) { name = metadata ? metadata->name : "?"; });
    ASSERT_TRUE(MainLoop::runUntil([&] { return name.has_value(); }, 20));
    EXPECT_EQ(*name, "Plan.twkx");
}

TEST_F(GDriveAuthHelperTest, ASecondSignInDuringAFlowDoesNothing)
{
    browser.follows = false;
    helper->reauthenticate([this] { ++completions; });
    helper->reauthenticate([this] { completions += 10; });
    EXPECT_EQ(browser.opened.size(), 1u);
    EXPECT_TRUE(helper->isFlowInProgress());
    browser.visit(browser.opened.at(0));
    ASSERT_TRUE(MainLoop::runUntil([&] { return completions > 0; }, 20));
    MainLoop::runFor(0.05);
    EXPECT_EQ(completions, 1);
}

TEST_F(GDriveAuthHelperTest, AuthenticateWhenSignedInCallsNothing)
{
    signIn();
    browser.opened.clear();
    bool called = false;
    helper->authenticate([&] { called = true; });
    MainLoop::runFor(0.05);
    EXPECT_FALSE(called);
    EXPECT_TRUE(browser.opened.empty());
}

TEST_F(GDriveAuthHelperTest, TheListenerAnswersOnlyTheRightStateAndSavesNothingElse)
{
    browser.follows = false;
    helper->reauthenticate([this] { ++completions; });
    const std::string listener = listenerAddress();
    struct Case {
        const char* name;
        std::string url;
        std::string method;
        HttpHeaders headers;
    };
    const Case cases[] = {
        {"wrong state", listener + "?state=forged&code=4/0Stolen", "GET", {}},
        {"no state", listener + "?code=4/0Stolen", "GET", {}},
        {"other path", listener + "favicon.ico", "GET", {}},
        {"post", listener + "?state=forged", "POST", {}},
        {"oversized", listener + "?state=x", "GET", {{"X-Padding", std::string(9000, 'p')}}},
    };
    for (const Case& test : cases) {
        browser.answers.clear();
        browser.visit(test.url, test.method, test.headers);
        ASSERT_TRUE(MainLoop::runUntil([&] { return !browser.answers.empty(); }, 20)) << test.name;
        EXPECT_EQ(browser.answers[0].status, 400) << test.name;
    }
    EXPECT_FALSE(store.read("Tarnwick-Trial: Google Drive-AppAuth"));
    EXPECT_TRUE(helper->redirectListener()->isListening());
    EXPECT_TRUE(fake.requestsTo("oauth.token").empty());

    browser.answers.clear();
    browser.visit(browser.opened.at(0));
    ASSERT_TRUE(MainLoop::runUntil([&] { return completions > 0; }, 20));
    EXPECT_TRUE(helper->isAuthenticated());
}

TEST_F(GDriveAuthHelperTest, ADeclinedSignInIsReportedAndSavesNothing)
{
    browser.follows = false;
    helper->reauthenticate([this] { ++completions; });
    const std::string& consent = browser.opened.at(0);
    const size_t start = consent.find("state=") + 6;
    const std::string state = consent.substr(start, consent.find('&', start) - start);
    browser.visit(listenerAddress() + "?error=access_denied&state=" + state);
    ASSERT_TRUE(MainLoop::runUntil([&] { return !alerts.requests.empty(); }, 20));
    EXPECT_EQ(alerts.requests[0].messageText, localized("error_authorizing_with_gdrive"));
    EXPECT_EQ(alerts.requests[0].informativeText, "access_denied");
    ASSERT_EQ(alerts.requests[0].buttons.size(), 1u);
    EXPECT_EQ(alerts.requests[0].buttons[0].title, localized("close_button_title"));
    EXPECT_EQ(completions, 0);
    EXPECT_FALSE(helper->isAuthenticated());
    EXPECT_FALSE(helper->isFlowInProgress());
}

TEST_F(GDriveAuthHelperTest, SignOutForgetsBothItems)
{
    signIn();
    store.write("Tarnwick: Google Drive", OAuthTokens{"old", "old-refresh", 0, ""}.toJson());
    helper->deauthenticate();
    EXPECT_FALSE(helper->isAuthenticated());
    EXPECT_FALSE(store.read("Tarnwick-Trial: Google Drive-AppAuth"));
    EXPECT_FALSE(store.read("Tarnwick: Google Drive"));
}

TEST_F(GDriveAuthHelperTest, AnEarlierVersionsSignInIsReadAsAFallBack)
{
    fake.issueTokens("old-access", "old-refresh");
    store.write("Tarnwick: Google Drive", OAuthTokens{"old-access", "old-refresh", 0, ""}.toJson());
    auto restored = make(FakeGoogleDriveServer::ClientId);
    EXPECT_TRUE(restored->isAuthenticated());
    EXPECT_EQ(restored->authorization().accessToken(), "old-access");
}

TEST_F(GDriveAuthHelperTest, AnEarlierSignInTheStoreCannotTakeOverIsReportedAndKept)
{
    HeldTokenStore held;
    held.secrets["Tarnwick: Google Drive"] = OAuthTokens{"old-access", "old-refresh", 0, ""}.toJson();
    held.writeFailure = "the keyring is locked";
    FeedbackCenter::feedbackCenter().clearFeedbackItems();
    auto restored = make(FakeGoogleDriveServer::ClientId, FakeGoogleDriveServer::ClientSecret, &held);
    bool known = false;
    restored->whenRestored([&] { known = true; });
    for (int round = 0; round < 4 && !known; ++round) held.answer();
    ASSERT_TRUE(known);

    EXPECT_TRUE(restored->isAuthenticated()) << "this run goes on with the earlier sign-in";
    EXPECT_EQ(restored->authorization().accessToken(), "old-access");
    EXPECT_TRUE(held.secrets.count("Tarnwick: Google Drive")) << "the next start can try again";
    EXPECT_FALSE(held.secrets.count("Tarnwick-Trial: Google Drive-AppAuth"));
    const auto& items = FeedbackCenter::feedbackCenter().items();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->title(), localized("gdrive_sign_in_not_kept"));
    EXPECT_EQ(items[0]->message(), "kept nowhere");
    EXPECT_TRUE(alerts.requests.empty());
}

TEST_F(GDriveAuthHelperTest, WithoutAClientIdOrItsSecretNoSignInStartsAndTheUserIsToldWhich)
{
    struct Case {
        std::string clientId;
        std::string clientSecret;
        const char* told;
    };
    for (const Case& c : {Case{"", FakeGoogleDriveServer::ClientSecret, "gdrive_not_available"},
                          Case{FakeGoogleDriveServer::ClientId, "", "gdrive_client_secret_missing"}}) {
        alerts.requests.clear();
        auto unconfigured = make(c.clientId, c.clientSecret);
        EXPECT_FALSE(unconfigured->isAvailable()) << c.told;
        unconfigured->reauthenticate([this] { ++completions; });
        EXPECT_TRUE(browser.opened.empty()) << c.told;
        ASSERT_EQ(alerts.requests.size(), 1u) << c.told;
        EXPECT_EQ(alerts.requests[0].informativeText, localized(c.told));
        EXPECT_NE(localized(c.told), c.told) << "a text the user can read";
    }
    EXPECT_EQ(completions, 0);
}

TEST(GDriveRedirectListener, ParsesOnlyABoundedGetRequestHead)
{
    using Parse = GDriveRedirectListener::Parse;
    struct Case {
        std::string bytes;
        Parse parse;
        std::string target;
    };
    const Case cases[] = {
        {"GET /?code=1&state=s HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", Parse::Complete, "/?code=1&state=s"},
        {"GET / HTTP/1.0\r\n\r\n", Parse::Complete, "/"},
        {"GET /?code=1 HTTP/1.1\r\nHost: 127.0.0.1\r\n", Parse::Incomplete, ""},
        {"GE", Parse::Incomplete, ""},
        {"", Parse::Incomplete, ""},
        {"POST / HTTP/1.1\r\n\r\n", Parse::Bad, ""},
        {"PUT", Parse::Bad, ""},
        {"GET http://evil/ HTTP/1.1\r\n\r\n", Parse::Bad, ""},
        {"GET /\x01 HTTP/1.1\r\n\r\n", Parse::Bad, ""},
        {"GET / HTTP/2\r\n\r\n", Parse::Bad, ""},
        {"GET /  HTTP/1.1\r\n\r\n", Parse::Bad, ""},
        {"GET " + std::string(9000, 'a') + " HTTP/1.1\r\n\r\n", Parse::Bad, ""},
        {"GET /" + std::string(9000, 'a'), Parse::Bad, ""},
    };
    for (const Case& test : cases) {
        std::string target;
        EXPECT_EQ(GDriveRedirectListener::parseRequest(test.bytes, target), test.parse) << test.bytes.substr(0, 40);
        EXPECT_EQ(target, test.target) << test.bytes.substr(0, 40);
    }
}

TEST(GDriveRedirectListener, GivesUpAfterItsTime)
{
    bool gaveUp = false;
    GDriveRedirectListener listener(
        "", [](const std::string&) { return true; }, [&] { gaveUp = true; });
    listener.setGiveUpSeconds(0.05);
    std::string error;
    ASSERT_TRUE(listener.start(error)) << error;
    EXPECT_TRUE(listener.isListening());
    ASSERT_TRUE(MainLoop::runUntil([&] { return gaveUp; }, 5));
    EXPECT_FALSE(listener.isListening());
}

} // namespace
