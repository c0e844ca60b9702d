#pragma once

#include "platform/HttpEngine.h"

#include <optional>
#include <string>

// Drive's structured error: the "error" object of a failed call's JSON answer.
struct GDriveStructuredError {
    std::string message;
    long code = 0;
    // The first of the "errors" list's reasons ("notFound", "rateLimitExceeded", ...); empty when none.
    std::string reason;
};

// A failed Drive call and the questions its callers ask of it: the HTTP status, whether the file is
// gone, whether the sign-in is no longer valid, and the text to show. The texts never hold a token.
class GDriveError {
public:
    // How the call failed below the service.
    enum class Kind {
        // An HTTP answer that is not a success (the status is the code).
        HttpStatus,
        // No connection could be made: the machine is offline.
        Offline,
        // The connection stalled or the server never answered.
        TimedOut,
        // Anything else: a broken connection, an answer that made no sense, a local file.
        Other,
    };
    // The codes of the transport failures, as the callers compare them.
    static constexpr long OfflineCode = -1009;
    static constexpr long TimedOutCode = -1001;
    static constexpr long OtherCode = -1;

    GDriveError() = default;
    // An answer that is not a success, or a transport failure.
    static GDriveError fromResponse(const HttpResponse& response);
    static GDriveError transport(HttpTransportError error, std::string text);
    // A failure of ours: a local file that could not be read, an answer without sense.
    static GDriveError other(std::string text);
    static GDriveError httpStatus(long status, std::string text);

    Kind kind = Kind::Other;
    // The HTTP status for Kind::HttpStatus, else one of the codes above.
    long code = OtherCode;
    std::optional<GDriveStructuredError> structured;
    // The token endpoint's answer: "error" and "error_description".
    std::string tokenError;
    std::string tokenErrorDescription;
    // The text of the failure without the structured error.
    std::string localizedDescription;
    // How often the request was sent again before this answer.
    int retries = 0;

    bool isOffline() const { return kind == Kind::Offline; }

    // The structured error's code, or the HTTP status; 0 for failures below HTTP.
    static long getGDriveErrorCode(const GDriveError& error);
    // For 400 the invalid credentials answer; otherwise exactly 401.
    static bool isAuthenticationError(const GDriveError& error);
    // "%@ (%ld)": the structured error's message and code, else the description and the code; the
    // words of server trouble for that.
    static std::string getDefaultErrorMessage(const GDriveError& error);

    // "%@ (%@)" with a structured error; for 400 the token endpoint's description; else the
    // description; the words of server trouble for that.
    std::string errorDescription() const;
    // A 400 whose token error is "invalid_grant" and whose description says "revoked"; or a 401.
    bool invalidCredentials() const;
    bool is404Error() const;
    // Drive's way of saying 429: a 403 with one of the rate-limit reasons.
    bool isRateLimit() const;
    // A failure on Drive's side or a limit on how much it takes (5xx, 429, a rate-limit 403), which
    // passes by itself: its texts say so, and how often the request was tried, instead of the
    // server's terse "Backend Error".
    bool isServerTrouble() const;
};
