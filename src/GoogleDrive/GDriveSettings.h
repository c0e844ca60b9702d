#pragma once

#include "GoogleDrive/GDriveClient.h"
#include "cloud/OAuthClient.h"

#include <string>

// Where the program finds Google Drive and who it is there.
namespace GDriveSettings {

// The OAuth client of the build (CMake's TARNWICK_GDRIVE_CLIENT_ID and TARNWICK_GDRIVE_CLIENT_SECRET),
// or of the environment's variables of the same names. Empty when not a proper value: Drive is then
// not available.
std::string clientId();
std::string clientSecret();
// Google's form: 12 digits, "-", 32 lower-case letters and digits, ".apps.googleusercontent.com".
bool isValidClientId(const std::string& id);
bool isValidClientSecret(const std::string& secret);
bool isAvailable();
// Drive is offered with a client id alone: a build or an environment that lacks the secret is told
// so when the user connects, instead of the cloud set-up keeping quiet about Drive.
bool isOffered();
// Why Drive is not offered although the build or the environment names a client id (one not in
// Google's form); empty when Drive is offered or no id is named at all.
std::string notOfferedReason();

// Drive's addresses. "TARNWICK_GDRIVE_SERVER" (a loopback address, for the program's tests) stands
// for all of them at once.
GDriveEndpoints endpoints();
// The redirect address is set when a sign-in starts.
OAuthSettings signInSettings();
// The page the browser is sent to after the sign-in: the product's web site's
// "/support/mac-gdrive-authorization-complete/", or the stand-in's; empty when neither is known.
std::string successUrl();

// The token store's items: the current sign-in, and an earlier version's, read only as a fall-back.
inline constexpr const char* KeychainItemName = "Tarnwick-Trial: Google Drive-AppAuth";
inline constexpr const char* EarlierKeychainItemName = "Tarnwick: Google Drive";
inline constexpr const char* Scopes = "https://www.googleapis.com/auth/drive email";
inline constexpr const char* SuccessPath = "/support/mac-gdrive-authorization-complete/";

} // namespace GDriveSettings
