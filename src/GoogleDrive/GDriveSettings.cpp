#include "GoogleDrive/GDriveSettings.h"

#include "Editor/ProductAddresses.h"
#include "platform/Localizer.h"

#include <algorithm>
#include <cstdlib>

#ifndef TARNWICK_GDRIVE_CLIENT_ID
#define TARNWICK_GDRIVE_CLIENT_ID ""
#endif
#ifndef TARNWICK_GDRIVE_CLIENT_SECRET
#define TARNWICK_GDRIVE_CLIENT_SECRET ""
#endif

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Only a loopback stand-in may replace Drive; anything else would send the user's tokens to
// whoever set the variable.
std::string standIn()
{
    std::string server = environment("TARNWICK_GDRIVE_SERVER");
    if (server.empty() || !HttpEngine::isAllowedUrl(server) || server.rfind("http://", 0) != 0) return {};
    while (!server.empty() && server.back() == '/') server.pop_back();
    return server;
}

bool isLowerAlphanumeric(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

} // namespace

namespace GDriveSettings {

bool isValidClientId(const std::string& id)
{
    static const std::string suffix = ".apps.googleusercontent.com";
    if (id.size() != 12 + 1 + 32 + suffix.size() || id.compare(45, std::string::npos, suffix) != 0 || id[12] != '-') {
        return false;
    }
    return std::all_of(id.begin(), id.begin() + 12, [](char c) { return c >= '0' && c <= '9'; }) &&
        std::all_of(id.begin() + 13, id.begin() + 45, isLowerAlphanumeric);
}

bool isValidClientSecret(const std::string& secret)
{
    return !secret.empty() && secret.size() <= 64 && std::all_of(secret.begin(), secret.end(), [](char c) {
        return isLowerAlphanumeric(c) || (c >= 'A' && c <= 'Z') || c == '_' || c == '-';
    });
}

namespace {

std::string namedClientId()
{
    std::string id = environment("TARNWICK_GDRIVE_CLIENT_ID");
    if (id.empty()) id = TARNWICK_GDRIVE_CLIENT_ID;
    return id;
}

} // namespace

std::string clientId()
{
    std::string id = namedClientId();
    return isValidClientId(id) ? id : std::string();
}

std::string clientSecret()
{
    std::string secret = environment("TARNWICK_GDRIVE_CLIENT_SECRET");
    if (secret.empty()) secret = TARNWICK_GDRIVE_CLIENT_SECRET;
    return isValidClientSecret(secret) ? secret : std::string();
}

bool isAvailable()
{
    return !clientId().empty() && !clientSecret().empty();
}

bool isOffered()
{
    return !clientId().empty();
}

std::string notOfferedReason()
{
    const std::string id = namedClientId();
    if (id.empty() || isValidClientId(id)) return {};
    return localized("gdrive_client_id_malformed");
}

GDriveEndpoints endpoints()
{
    const std::string server = standIn();
    if (!server.empty()) return GDriveEndpoints{server, server};
    return GDriveEndpoints{};
}

OAuthSettings signInSettings()
{
    OAuthSettings settings;
    settings.clientId = clientId();
    settings.clientSecret = clientSecret();
    const std::string server = standIn();
    settings.authorizeUrl =
        server.empty() ? "https://accounts.google.com/o/oauth2/v2/auth" : server + "/o/oauth2/v2/auth";
    settings.tokenUrl = server.empty() ? "https://oauth2.googleapis.com/token" : server + "/token";
    // A refresh token, so that the connection survives the hour an access token lasts.
    settings.authorizeParameters = {{"scope", Scopes}, {"access_type", "offline"}};
    return settings;
}

std::string successUrl()
{
    const std::string server = standIn();
    if (!server.empty()) return server + SuccessPath;
    const std::string home = ProductAddresses::loadInstalled().homePage;
    if (!ProductAddresses::isWebAddress(home)) return {};
    // The site's own host, whatever page the home page is.
    const size_t hostStart = home.find("://");
    const size_t pathStart = home.find('/', hostStart == std::string::npos ? 0 : hostStart + 3);
    return home.substr(0, pathStart) + SuccessPath;
}

} // namespace GDriveSettings
