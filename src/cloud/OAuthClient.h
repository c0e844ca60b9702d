#pragma once

#include "platform/Error.h"
#include "platform/HttpEngine.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class TokenStore;

// Signing in with OAuth 2 and PKCE for a desktop program: the user signs in in the browser, the
// service redirects to an address of the program with a one-time code, and the code is exchanged
// for an access token and a refresh token. No secret of the program is involved, so none can leak
// from its binary. Main thread only.

struct OAuthSettings {
    std::string clientId;
    std::string authorizeUrl;
    std::string tokenUrl;
    std::string redirectUri;
    // Further parameters of the sign-in address, such as the request for a refresh token.
    std::vector<std::pair<std::string, std::string>> authorizeParameters;
    // Only for services that issue one even to desktop programs, where it is no secret; sent to
    // the token endpoint when not empty.
    std::string clientSecret = {};
};

struct OAuthTokens {
    std::string accessToken;
    std::string refreshToken;
    // Seconds since 1970 when the access token runs out; 0 when the service did not say.
    double expiresAt = 0;
    std::string accountId;

    std::string toJson() const;
    static std::optional<OAuthTokens> fromJson(const std::string& text);
    bool operator==(const OAuthTokens&) const = default;
};

enum class OAuthStatus {
    Success,
    // The service refused the code or the refresh token: only signing in again helps.
    InvalidGrant,
    // The user declined in the browser, or the service answered the sign-in with an error.
    Denied,
    // The token endpoint was not reached or answered with a server failure.
    NetworkError,
    // The token endpoint's answer made no sense.
    BadAnswer,
    // Nothing to refresh: not signed in.
    NotLinked,
};

struct OAuthResult {
    OAuthStatus status = OAuthStatus::Success;
    // A text for the user; it never holds a token.
    std::string message;
    bool ok() const { return status == OAuthStatus::Success; }
};

class OAuthClient {
public:
    using Completion = std::function<void(const OAuthResult&)>;
    using RandomBytes = std::function<std::vector<uint8_t>(size_t count)>;

    // The tokens are kept in store under account.
    OAuthClient(HttpEngine& engine, OAuthSettings settings, TokenStore& store, std::string account);
    ~OAuthClient();
    OAuthClient(const OAuthClient&) = delete;
    OAuthClient& operator=(const OAuthClient&) = delete;

    // Tests fix the time and the random bytes.
    void setClock(std::function<double()> now) { _now = std::move(now); }
    void setRandomBytes(RandomBytes randomBytes) { _randomBytes = std::move(randomBytes); }

    // For redirect addresses known only when a sign-in starts (a loopback listener's port).
    void setRedirectUri(std::string redirectUri) { _settings.redirectUri = std::move(redirectUri); }
    const std::string& redirectUri() const { return _settings.redirectUri; }

    // Reads the tokens of an earlier run; done runs once the store has answered (later when the
    // store has to wait for its keyring), with the store's error when it failed. Tokens had
    // meanwhile from a sign-in win over the earlier run's.
    void restore(std::function<void(const Error& error)> done = {});
    bool isRestoring() const { return _restoring; }

    // Told when the tokens could not be kept in the store: they still serve this run, but the next
    // start will ask for a sign-in.
    void setStoreFailureHandler(std::function<void(const Error& error)> handler) { _storeFailed = std::move(handler); }

    // Starts a sign-in and answers the address to open in the browser. The completion runs once the
    // redirect has come back and its code was exchanged, or failed. A new sign-in replaces a pending
    // one, whose completion is then never called.
    std::string beginAuthorization(Completion completion);
    bool hasPendingAuthorization() const { return _pending.has_value(); }
    // Takes the redirect of the pending sign-in: true when the address is the redirect address with
    // that sign-in's state, which is used up then. Anything else is ignored (false).
    bool handleRedirect(const std::string& url);

    // Serves this run with tokens kept elsewhere, without storing them: the next start reads them
    // where they are kept. Ignored while signed in.
    void adoptUnstored(OAuthTokens tokens);

    bool isLinked() const { return _tokens.has_value(); }
    const std::optional<OAuthTokens>& tokens() const { return _tokens; }
    std::string accessToken() const { return _tokens ? _tokens->accessToken : std::string(); }

    // Gets a fresh access token with the refresh token. Only one refresh runs at a time: a caller
    // that asks while one runs waits for its outcome.
    void refresh(Completion completion);
    bool isRefreshing() const { return _refreshRequest.isPending(); }

    // Forgets the tokens here and in the store, and drops a pending sign-in or refresh silently.
    void unlink();

    // The PKCE pieces: a verifier of 43 characters from 32 random bytes, and its S256 challenge.
    static std::string codeVerifier(const std::vector<uint8_t>& randomBytes);
    static std::string codeChallenge(const std::string& verifier);
    // "application/x-www-form-urlencoded" both ways.
    static std::string formEncode(const std::vector<std::pair<std::string, std::string>>& fields);
    static std::string percentEncode(const std::string& text);
    // The parameters of an address's query (and fragment), decoded; nullopt when an escape is broken.
    static std::optional<std::map<std::string, std::string>> queryParameters(const std::string& url);
    // The token endpoint's JSON answer: the tokens, or the text of what is wrong with it.
    // previous supplies the refresh token when a refresh answer carries none.
    static std::optional<OAuthTokens> parseTokenAnswer(const std::string& body, double now, const OAuthTokens* previous,
                                                       std::string& problem);

private:
    struct Pending {
        std::string state;
        std::string verifier;
        Completion completion;
    };
    void exchange(const std::string& code, Completion completion, std::string verifier);
    OAuthResult takeTokenAnswer(const HttpResponse& response, const OAuthTokens* previous);
    void keep(OAuthTokens tokens);

    HttpEngine& _engine;
    OAuthSettings _settings;
    TokenStore& _store;
    std::string _account;
    std::function<double()> _now;
    RandomBytes _randomBytes;
    std::optional<OAuthTokens> _tokens;
    // Counts changes of the tokens, so that a late restore never undoes a newer sign-in.
    uint64_t _tokensGeneration = 0;
    bool _restoring = false;
    std::function<void(const Error&)> _storeFailed;
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
    std::optional<Pending> _pending;
    HttpRequestHandle _exchangeRequest;
    HttpRequestHandle _refreshRequest;
    std::vector<Completion> _refreshWaiters;
};
