#pragma once

#include "cloud/OAuthClient.h"
#include "dropbox/DropboxClient.h"

#include <string>

// Where the program finds the cloud file service and who it is there.
namespace DropboxSettings {

// The app key: the environment's "TARNWICK_DROPBOX_APP_KEY" when set, else the build's. Empty when
// neither is a proper key (15 lower-case letters and digits): the service is then not available.
std::string appKey();
bool isValidAppKey(const std::string& key);

// The service's addresses. "TARNWICK_DROPBOX_SERVER" (a loopback address, for the program's tests)
// stands for all of them at once.
DropboxEndpoints endpoints();
OAuthSettings signInSettings(const std::string& appKey);

} // namespace DropboxSettings
