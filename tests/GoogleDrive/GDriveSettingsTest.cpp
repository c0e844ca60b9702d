#include "GoogleDrive/GDriveSettings.h"
#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

namespace {

TEST(GDriveSettings, ClientCredentialsMustHaveGooglesForm)
{
    const std::string good = "123456789012-abcdefghijklmnopqrstuvwxyz012345.apps.googleusercontent.com";
    ASSERT_EQ(good.size(), 72u);
    EXPECT_TRUE(GDriveSettings::isValidClientId(good));
    for (const std::string& bad :
         {std::string(), std::string("12345678901-abcdefghijklmnopqrstuvwxyz0123456.apps.googleusercontent.com"),
          std::string("123456789012-ABCDEFGHIJKLMNOPQRSTUVWXYZ012345.apps.googleusercontent.com"),
          std::string("123456789012-abcdefghijklmnopqrstuvwxyz012345.apps.evil.example.comx"), good + " "}) {
        EXPECT_FALSE(GDriveSettings::isValidClientId(bad)) << bad;
    }
    EXPECT_TRUE(GDriveSettings::isValidClientSecret("aB3_cD4eF5gH6iJ7kL8mN9oP"));
    EXPECT_FALSE(GDriveSettings::isValidClientSecret(""));
    EXPECT_FALSE(GDriveSettings::isValidClientSecret("secret with blanks"));
    EXPECT_FALSE(GDriveSettings::isValidClientSecret("a&b=c"));
}

TEST(GDriveSettings, OnlyALoopbackStandInReplacesDrive)
{
    struct Case {
        std::optional<std::string> server;
        std::string api;
        std::string token;
    };
    const Case cases[] = {
        {std::nullopt, "https://www.googleapis.com", "https://oauth2.googleapis.com/token"},
        {"http://127.0.0.1:4711/", "http://127.0.0.1:4711", "http://127.0.0.1:4711/token"},
        {"http://drive.example.com", "https://www.googleapis.com", "https://oauth2.googleapis.com/token"},
        {"https://127.0.0.1:4711", "https://www.googleapis.com", "https://oauth2.googleapis.com/token"},
    };
    for (const Case& test : cases) {
        ScopedEnvironment server("TARNWICK_GDRIVE_SERVER", test.server);
        EXPECT_EQ(GDriveSettings::endpoints().api, test.api) << test.server.value_or("(none)");
        EXPECT_EQ(GDriveSettings::endpoints().upload, test.api);
        EXPECT_EQ(GDriveSettings::signInSettings().tokenUrl, test.token) << test.server.value_or("(none)");
    }
    ScopedEnvironment server("TARNWICK_GDRIVE_SERVER", "http://127.0.0.1:4711");
    EXPECT_EQ(GDriveSettings::successUrl(), "http://127.0.0.1:4711/support/mac-gdrive-authorization-complete/");
    const auto signIn = GDriveSettings::signInSettings();
    ASSERT_FALSE(signIn.authorizeParameters.empty());
    EXPECT_EQ(signIn.authorizeParameters[0],
              (std::pair<std::string, std::string>{"scope", "https://www.googleapis.com/auth/drive email"}));
}

TEST(GDriveSettings, WithoutCredentialsDriveIsNotAvailable)
{
    ScopedEnvironment id("TARNWICK_GDRIVE_CLIENT_ID", "not-a-client-id");
    ScopedEnvironment secret("TARNWICK_GDRIVE_CLIENT_SECRET", "aB3_cD4eF5gH6iJ7kL8mN9oP");
    EXPECT_EQ(GDriveSettings::clientId(), "");
    EXPECT_FALSE(GDriveSettings::isAvailable());
    EXPECT_FALSE(GDriveSettings::isOffered());
}

// A client id alone puts Drive in the cloud set-up, where connecting says what is missing.
TEST(GDriveSettings, AClientIdWithoutItsSecretOffersDriveButIsNotAvailable)
{
    ScopedEnvironment id("TARNWICK_GDRIVE_CLIENT_ID",
                         "123456789012-abcdefghijklmnopqrstuvwxyz012345.apps.googleusercontent.com");
    ScopedEnvironment secret("TARNWICK_GDRIVE_CLIENT_SECRET", "");
    EXPECT_TRUE(GDriveSettings::isOffered());
    EXPECT_FALSE(GDriveSettings::isAvailable());
}

} // namespace
