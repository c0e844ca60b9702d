#pragma once

#include "GoogleDrive/GDriveClient.h"
#include "cloud/OAuthClient.h"
#include "platform/TokenStore.h"
#include "support/FakeGoogleDriveServer.h"
#include "support/ManualScheduler.h"
#include "support/RetryingLoop.h"
#include "support/TempDir.h"

#include <chrono>
#include <functional>

// A Drive client signed in on the loopback stand-in for an hour, in a home of its own. Retries
// wait on the test's scheduler, the random half of each back-off fixed at a half.
struct SignedInDriveClient {
    FakeGoogleDriveServer fake;
    TempDir home;
    FakeClock retryClock{5000};
    ManualScheduler retryWaits{retryClock};
    HttpEngine engine{{&retryWaits, [] { return 0.5; }}};
    FileTokenStore tokens{home.file("cloud-tokens.json")};
    OAuthClient oauth{engine,
                      {FakeGoogleDriveServer::ClientId,
                       fake.authorizeUrl(),
                       fake.tokenUrl(),
                       "http://127.0.0.1:1/",
                       {},
                       FakeGoogleDriveServer::ClientSecret},
                      tokens,
                      "drive"};
    GDriveClient client{engine, oauth, {fake.baseUrl(), fake.baseUrl()}};

    SignedInDriveClient()
    {
        fake.issueTokens("access-0", "refresh-0");
        signIn(now() + 3600);
    }

    static double now()
    {
        return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    }

    // The sign-in kept with the fake's tokens, the access token running out at that time.
    void signIn(double expiresAt)
    {
        tokens.write("drive", OAuthTokens{"access-0", "refresh-0", expiresAt, ""}.toJson());
        oauth.restore();
    }

    bool driveUntil(const std::function<bool()>& condition)
    {
        return runPastRetries(engine, retryWaits, condition, 20);
    }
};
