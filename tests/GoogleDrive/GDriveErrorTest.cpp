#include "GoogleDrive/GDriveError.h"

#include <gtest/gtest.h>

namespace {

HttpResponse answer(long status, std::string body)
{
    HttpResponse response;
    response.status = status;
    response.body = std::move(body);
    return response;
}

std::string driveError(long code, const std::string& message, const std::string& reason = "")
{
    std::string errors = reason.empty() ? "" : R"("errors":[{"reason":")" + reason + R"("}],)";
    return R"({"error":{)" + errors + R"("code":)" + std::to_string(code) + R"(,"message":")" + message + "\"}}";
}

TEST(GDriveError, ClassifiesAnswers)
{
    struct Case {
        const char* name;
        HttpResponse response;
        long code;
        bool invalidCredentials;
        bool authenticationError;
        bool is404;
        bool rateLimit;
    };
    HttpResponse offline;
    offline.error = HttpTransportError::Offline;
    offline.errorText = "Could not connect";
    const Case cases[] = {
        {"401", answer(401, driveError(401, "Invalid Credentials", "authError")), 401, true, true, false, false},
        {"401 bare", answer(401, ""), 401, true, true, false, false},
        {"403", answer(403, driveError(403, "Forbidden", "insufficientPermissions")), 403, false, false, false, false},
        {"403 rate", answer(403, driveError(403, "Rate", "rateLimitExceeded")), 403, false, false, false, true},
        {"403 user rate", answer(403, driveError(403, "Rate", "userRateLimitExceeded")), 403, false, false, false,
         true},
        {"400 revoked",
         answer(400, R"({"error":"INVALID_GRANT","error_description":"Token has been expired or Revoked."})"), 400,
         true, true, false, false},
        {"400 grant only", answer(400, R"({"error":"invalid_grant","error_description":"Bad Request"})"), 400, false,
         false, false, false},
        {"400 no description", answer(400, R"({"error":"invalid_grant"})"), 400, false, false, false, false},
        {"404", answer(404, driveError(404, "File not found: X.", "notFound")), 404, false, false, true, false},
        {"404 bare", answer(404, "Not Found"), 404, false, false, true, false},
        {"500", answer(500, "<html>"), 500, false, false, false, false},
        {"offline", offline, 0, false, false, false, false},
    };
    for (const Case& test : cases) {
        GDriveError error = GDriveError::fromResponse(test.response);
        EXPECT_EQ(GDriveError::getGDriveErrorCode(error), test.code) << test.name;
        EXPECT_EQ(error.invalidCredentials(), test.invalidCredentials) << test.name;
        EXPECT_EQ(GDriveError::isAuthenticationError(error), test.authenticationError) << test.name;
        EXPECT_EQ(error.is404Error(), test.is404) << test.name;
        EXPECT_EQ(error.isRateLimit(), test.rateLimit) << test.name;
    }
}

TEST(GDriveError, AnotherDomainsCode404IsNoNotFound)
{
    GDriveError local = GDriveError::other("Missing file");
    local.code = 404;
    EXPECT_FALSE(local.is404Error());
    EXPECT_EQ(GDriveError::getGDriveErrorCode(local), 0);
}

TEST(GDriveError, TextsFollowTheirPatterns)
{
    GDriveError structured = GDriveError::fromResponse(answer(404, driveError(404, "File not found: 1AbC.")));
    EXPECT_EQ(GDriveError::getDefaultErrorMessage(structured), "File not found: 1AbC. (404)");
    EXPECT_EQ(structured.errorDescription(), "File not found: 1AbC. (404)");

    GDriveError grant = GDriveError::fromResponse(
        answer(400, R"({"error":"invalid_grant","error_description":"Token has been expired or revoked."})"));
    EXPECT_EQ(grant.errorDescription(), "Token has been expired or revoked.");

    GDriveError offline = GDriveError::transport(HttpTransportError::Offline, "No route to host");
    EXPECT_TRUE(offline.isOffline());
    EXPECT_EQ(offline.code, -1009);
    EXPECT_EQ(GDriveError::getDefaultErrorMessage(offline), "No route to host (-1009)");
    EXPECT_EQ(offline.errorDescription(), "No route to host");
}

} // namespace
