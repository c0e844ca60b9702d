#include "GoogleDrive/GDriveError.h"

#include "GoogleDrive/GDriveAnswers.h"
#include "platform/Localizer.h"

#include <algorithm>
#include <cctype>

namespace {

std::string lowercased(std::string text)
{
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string serverTroubleText(const GDriveError& error)
{
    const bool limited = error.code == 429 || error.code == 403;
    const std::string status = std::to_string(error.code);
    if (error.retries <= 0)
        return formatText(localized(limited ? "gdrive_rate_limited" : "gdrive_server_error"), {status});
    return formatText(localized(limited ? "gdrive_rate_limited_retried" : "gdrive_server_error_retried"),
                      {status, std::to_string(error.retries + 1)});
}

} // namespace

GDriveError GDriveError::transport(HttpTransportError error, std::string text)
{
    GDriveError result;
    switch (error) {
    case HttpTransportError::Offline:
        result.kind = Kind::Offline;
        result.code = OfflineCode;
        break;
    case HttpTransportError::TimedOut:
        result.kind = Kind::TimedOut;
        result.code = TimedOutCode;
        break;
    default:
        result.kind = Kind::Other;
        result.code = OtherCode;
        break;
    }
    result.localizedDescription = text.empty() ? "The connection to Google Drive failed." : std::move(text);
    return result;
}

GDriveError GDriveError::other(std::string text)
{
    return transport(HttpTransportError::Other, std::move(text));
}

GDriveError GDriveError::httpStatus(long status, std::string text)
{
    GDriveError result;
    result.kind = Kind::HttpStatus;
    result.code = status;
    result.localizedDescription = std::move(text);
    return result;
}

GDriveError GDriveError::fromResponse(const HttpResponse& response)
{
    if (response.isTransportError()) return transport(response.error, response.errorText);
    GDriveError result =
        httpStatus(response.status, "Google Drive answered with HTTP status " + std::to_string(response.status) + ".");
    result.structured = GDriveAnswers::readStructuredError(response.body);
    GDriveAnswers::readTokenError(response.body, result.tokenError, result.tokenErrorDescription);
    result.retries = response.retries;
    return result;
}

long GDriveError::getGDriveErrorCode(const GDriveError& error)
{
    if (error.structured) return error.structured->code;
    return error.kind == Kind::HttpStatus ? error.code : 0;
}

bool GDriveError::isAuthenticationError(const GDriveError& error)
{
    const long code = getGDriveErrorCode(error);
    if (code == 400) return error.invalidCredentials();
    return code == 401;
}

std::string GDriveError::getDefaultErrorMessage(const GDriveError& error)
{
    if (error.isServerTrouble()) return serverTroubleText(error);
    if (error.structured) return error.structured->message + " (" + std::to_string(error.structured->code) + ")";
    return error.localizedDescription + " (" + std::to_string(error.code) + ")";
}

std::string GDriveError::errorDescription() const
{
    if (isServerTrouble()) return serverTroubleText(*this);
    if (structured) return structured->message + " (" + std::to_string(structured->code) + ")";
    if (getGDriveErrorCode(*this) == 400 && !tokenErrorDescription.empty()) return tokenErrorDescription;
    return localizedDescription;
}

bool GDriveError::invalidCredentials() const
{
    const long status = getGDriveErrorCode(*this);
    if (status == 400) {
        return !tokenError.empty() && !tokenErrorDescription.empty() && lowercased(tokenError) == "invalid_grant" &&
            lowercased(tokenErrorDescription).find("revoked") != std::string::npos;
    }
    return status == 401;
}

bool GDriveError::is404Error() const
{
    if (!structured && kind != Kind::HttpStatus) return false;
    return getGDriveErrorCode(*this) == 404;
}

bool GDriveError::isRateLimit() const
{
    if (getGDriveErrorCode(*this) != 403 || !structured) return false;
    return structured->reason == "rateLimitExceeded" || structured->reason == "userRateLimitExceeded";
}

bool GDriveError::isServerTrouble() const
{
    if (kind != Kind::HttpStatus) return false;
    return code == 500 || code == 502 || code == 503 || code == 504 || code == 429 || (code == 403 && isRateLimit());
}
