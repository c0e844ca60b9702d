#include "DropboxServiceDouble.h"

#include "Editor/FeedbackCenter.h"
#include "cloud/OAuthClient.h"
#include "platform/MainLoop.h"
#include "platform/TokenStore.h"
#include "store/ExternalProvider.h"
#include "store/MindMapProviders.h"
#include "support/FakeDropboxServer.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

namespace {

struct DropboxMetadataPreloaderTest : ::testing::Test {
    TempDir home;
    ScopedEnvironment data{"XDG_DATA_HOME", home.file("data")};
    ScopedNetwork network{true};
    FakeDropboxServer fake;
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
    DropboxServiceDouble service{home.file("records.xml")};
    std::shared_ptr<DropboxProvider> provider;

    DropboxMetadataPreloaderTest()
    {
        std::filesystem::create_directories(home.file("data/Tarnwick"));
        ExternalProvider::resetProvidersDirectoryCleanup();
        fake.issueTokens("access-0", "refresh-0");
        tokens.write("dropbox", OAuthTokens{"access-0", "refresh-0", 0, "dbid:fake"}.toJson());
        oauth.restore();
        service.client = &client;
        // Recent maps count only while their provider is registered and takes their ids.
        provider = std::make_shared<DropboxProvider>(service);
        provider->setEnabled(true);
        MindMapProviders::instance().registerProvider(provider);
        for (const char* folder : {"/A", "/Tarnwick/Images", "/Work/Sub/Deep", "/Work/Sub2", "/Work/Sub3"}) {
            fake.makeFolder(folder);
        }
        fake.putFile("/Work/Plan.twkx", "plan");
    }
    ~DropboxMetadataPreloaderTest() override { MindMapProviders::instance().unregisterProvider(provider.get()); }

    // Runs a preloader to its end; the folders it asked the server for, in order.
    std::vector<std::string> preload()
    {
        auto preloader = DropboxMetadataPreloader::create(service);
        std::weak_ptr<DropboxMetadataPreloader> weak = preloader;
        preloader->run();
        preloader.reset();
        // It keeps itself alive while it works and lets go when it ends.
        EXPECT_TRUE(MainLoop::runUntil([&] { return weak.expired(); }, 20));
        std::vector<std::string> listed;
        for (const auto& request : fake.requestsTo("files/list_folder")) {
            auto argument =
                nlohmann::json::parse(request.argument.empty() ? request.body : request.argument, nullptr, false);
            listed.push_back(argument.is_object() ? argument.value("path", "<none>") : "<bad>");
        }
        return listed;
    }
};

} // namespace

TEST_F(DropboxMetadataPreloaderTest, ListsRootRecentFoldersAppFolderThenSubFoldersAtMostFour)
{
    service.history.addPoint(HistoryPoint("Local", "some-guid"));
    service.history.addPoint(HistoryPoint(DropboxProvider::ProviderId, "/Work/Plan.twkx"));
    service.history.addPoint(HistoryPoint(DropboxProvider::ProviderId, "/work/Other.twkx"));

    EXPECT_EQ(preload(), (std::vector<std::string>{"", "/work", "/Tarnwick", "/Work/Sub"}));
    // The root's own sub-folders are not followed; the fifth folder waits for the next run.
    EXPECT_TRUE(service.listings.get("/"));
    EXPECT_TRUE(service.listings.get("/WORK/sub"));
    EXPECT_FALSE(service.listings.get("/A"));
    EXPECT_FALSE(service.listings.get("/Work/Sub2"));
    EXPECT_TRUE(FeedbackCenter::feedbackCenter().progressStack().empty());
}

TEST_F(DropboxMetadataPreloaderTest, CachedFoldersAreSkippedWithoutCountingBreadthFirst)
{
    service.listings.put("/", {});
    service.listings.put("/tarnwick/", {});
    service.history.addPoint(HistoryPoint(DropboxProvider::ProviderId, "/Work/Plan.twkx"));

    EXPECT_EQ(preload(), (std::vector<std::string>{"/Work", "/Work/Sub", "/Work/Sub2", "/Work/Sub3"}));
}

TEST_F(DropboxMetadataPreloaderTest, APagedListingIsStoredOnceAndWhole)
{
    for (int i = 0; i < 5; ++i) fake.putFile("/Tarnwick/Map " + std::to_string(i) + ".twkx", "x");
    fake.setPageSize(2);
    preload();
    auto listing = service.listings.get("/Tarnwick");
    ASSERT_TRUE(listing);
    EXPECT_EQ(listing->size(), 6u);
    EXPECT_GE(fake.requestsTo("files/list_folder/continue").size(), 2u);
}

TEST_F(DropboxMetadataPreloaderTest, EndsEarlyOnFailuresSignInLossOfflineOrNoClient)
{
    struct Case {
        const char* name;
        std::function<void(DropboxMetadataPreloaderTest&)> arrange;
        size_t listed;
        size_t stored;
        bool unlinked;
    };
    const std::vector<Case> cases = {
        {"failed folders still count",
         [](auto& t) {
             for (const char* map : {"/A/x.twkx", "/Work/Plan.twkx", "/Work/Sub/y.twkx", "/Work/Sub2/z.twkx"}) {
                 t.service.history.addPoint(HistoryPoint(DropboxProvider::ProviderId, map));
             }
             // Three folders fail, each after three retries; a fourth is listed.
             t.fake.failNext("files/list_folder", 500, 3 * 4);
         },
         3 * 4 + 1, 1, false},
        {"sign-in gone",
         [](auto& t) {
             t.fake.expireAccessTokens();
             t.fake.revokeRefreshTokens();
         },
         1, 0, true},
        {"offline", [](auto& t) { t.network.set(false); }, 0, 0, false},
        {"not initialised", [](auto& t) { t.service.initialized = false; }, 0, 0, false},
        {"no client", [](auto& t) { t.service.client = nullptr; }, 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake.clearLog();
        service.log.clear();
        service.listings.clear();
        service.initialized = true;
        service.client = &client;
        network.set(true);
        c.arrange(*this);
        EXPECT_EQ(preload().size(), c.listed);
        EXPECT_EQ(service.log == std::vector<std::string>{"unlinked"}, c.unlinked);
        EXPECT_EQ(service.listings.count(), c.stored);
    }
}
