#include "dropbox/DropboxSettings.h"
#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

TEST(DropboxSettingsTest, AcceptsOnlyAProperAppKey)
{
    const std::vector<std::pair<std::string, bool>> cases = {
        {"k3x9q2mzt8w4p1a", true},   {"K3x9q2mzt8w4p1a", false}, {"k3x9q2mzt8w4p1", false},
        {"k3x9q2mzt8w4p1ab", false}, {"k3x9q2mzt8w4p1-", false}, {"", false},
    };
    for (const auto& [key, valid] : cases) {
        EXPECT_EQ(DropboxSettings::isValidAppKey(key), valid) << key;
        ScopedEnvironment environment("TARNWICK_DROPBOX_APP_KEY", key);
        EXPECT_EQ(DropboxSettings::appKey(), valid ? key : "") << key;
    }
}

TEST(DropboxSettingsTest, OnlyALoopbackStandInReplacesTheService)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"http://127.0.0.1:4711", "http://127.0.0.1:4711"},
        {"http://evil.example.org", "https://api.dropboxapi.com"},
        {"https://evil.example.org", "https://api.dropboxapi.com"},
        {"", "https://api.dropboxapi.com"},
    };
    for (const auto& [server, api] : cases) {
        ScopedEnvironment environment("TARNWICK_DROPBOX_SERVER", server);
        EXPECT_EQ(DropboxSettings::endpoints().api, api) << server;
        OAuthSettings settings = DropboxSettings::signInSettings("k3x9q2mzt8w4p1a");
        EXPECT_EQ(settings.tokenUrl.rfind(api == "https://api.dropboxapi.com" ? api : server, 0), 0u) << server;
    }
    OAuthSettings settings = DropboxSettings::signInSettings("k3x9q2mzt8w4p1a");
    EXPECT_EQ(settings.redirectUri, "db-k3x9q2mzt8w4p1a://2/token");
    EXPECT_EQ(settings.authorizeParameters,
              (std::vector<std::pair<std::string, std::string>>{{"token_access_type", "offline"}}));
}
