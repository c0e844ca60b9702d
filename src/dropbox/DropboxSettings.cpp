#include "dropbox/DropboxSettings.h"

#include <algorithm>
#include <cstdlib>

#ifndef TARNWICK_DROPBOX_APP_KEY
#define TARNWICK_DROPBOX_APP_KEY ""
#endif

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

namespace DropboxSettings {

bool isValidAppKey(const std::string& key)
{
    return key.size() == 15 &&
        std::all_of(key.begin(), key.end(), [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); });
}

std::string appKey()
{
    std::string key = environment("TARNWICK_DROPBOX_APP_KEY");
    if (key.empty()) key = TARNWICK_DROPBOX_APP_KEY;
    return isValidAppKey(key) ? key : std::string();
}

DropboxEndpoints endpoints()
{
    std::string server = environment("TARNWICK_DROPBOX_SERVER");
    // Only a loopback stand-in may replace the service; anything else would send the user's
    // tokens to whoever set the variable.
    if (!server.empty() && HttpEngine::isAllowedUrl(server) && server.rfind("http://", 0) == 0) {
        return DropboxEndpoints{server, server};
    }
    return DropboxEndpoints{};
}

OAuthSettings signInSettings(const std::string& appKey)
{
    OAuthSettings settings;
    settings.clientId = appKey;
    std::string server = environment("TARNWICK_DROPBOX_SERVER");
    bool standIn = !server.empty() && HttpEngine::isAllowedUrl(server) && server.rfind("http://", 0) == 0;
    settings.authorizeUrl = (standIn ? server : std::string("https://www.dropbox.com")) + "/oauth2/authorize";
    settings.tokenUrl = (standIn ? server : std::string("https://api.dropboxapi.com")) + "/oauth2/token";
    settings.redirectUri = "db-" + appKey + "://2/token";
    // A refresh token, so that the connection survives the short-lived access tokens.
    settings.authorizeParameters = {{"token_access_type", "offline"}};
    return settings;
}

} // namespace DropboxSettings
