#include "cloud/OAuthClient.h"

#include "Utils/Base64Url.h"
#include "Utils/CryptoDigest.h"
#include "cloud/AnswerBounds.h"
#include "platform/TokenStore.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <sys/random.h>

namespace {

double wallClock()
{
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

std::vector<uint8_t> secureRandomBytes(size_t count)
{
    std::vector<uint8_t> bytes(count);
    for (size_t done = 0; done < count;) {
        const ssize_t n = getrandom(bytes.data() + done, count - done, 0);
        if (n < 0 && errno == EINTR) continue;
        // Never sign in with a guessable verifier or state.
        if (n <= 0) throw std::runtime_error("no secure random bytes");
        done += static_cast<size_t>(n);
    }
    return bytes;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> formDecode(std::string_view text)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            decoded += ' ';
        } else if (c == '%') {
            if (i + 2 >= text.size()) return std::nullopt;
            int high = hexValue(text[i + 1]);
            int low = hexValue(text[i + 2]);
            if (high < 0 || low < 0) return std::nullopt;
            decoded += char(high * 16 + low);
            i += 2;
        } else {
            decoded += c;
        }
    }
    return decoded;
}

} // namespace

std::string OAuthTokens::toJson() const
{
    nlohmann::json document = {{"access_token", accessToken},
                               {"refresh_token", refreshToken},
                               {"expires_at", expiresAt},
                               {"account_id", accountId}};
    return document.dump();
}

std::optional<OAuthTokens> OAuthTokens::fromJson(const std::string& text)
{
    nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object()) return std::nullopt;
    OAuthTokens tokens;
    auto access = document.find("access_token");
    auto refresh = document.find("refresh_token");
    if (access == document.end() || !access->is_string() || refresh == document.end() || !refresh->is_string()) {
        return std::nullopt;
    }
    tokens.accessToken = access->get<std::string>();
    tokens.refreshToken = refresh->get<std::string>();
    if (auto expires = document.find("expires_at"); expires != document.end() && expires->is_number()) {
        tokens.expiresAt = expires->get<double>();
    }
    if (auto account = document.find("account_id"); account != document.end() && account->is_string()) {
        tokens.accountId = account->get<std::string>();
    }
    if (tokens.accessToken.empty() && tokens.refreshToken.empty()) return std::nullopt;
    return tokens;
}

OAuthClient::OAuthClient(HttpEngine& engine, OAuthSettings settings, TokenStore& store, std::string account)
    : _engine(engine),
      _settings(std::move(settings)),
      _store(store),
      _account(std::move(account)),
      _now(wallClock),
      _randomBytes(secureRandomBytes)
{
}

OAuthClient::~OAuthClient() = default;

void OAuthClient::restore(std::function<void(const Error& error)> done)
{
    _restoring = true;
    std::weak_ptr<bool> alive = _alive;
    const uint64_t generation = _tokensGeneration;
    _store.readLater(_account, [this, alive, generation, done](std::optional<std::string> text, const Error& error) {
        if (alive.expired()) return;
        _restoring = false;
        if (error.isEmpty() && generation == _tokensGeneration) {
            _tokens = text ? OAuthTokens::fromJson(*text) : std::nullopt;
        }
        if (done) done(error);
    });
}

std::string OAuthClient::codeVerifier(const std::vector<uint8_t>& randomBytes)
{
    return stringByBase64UrlSafeEncoding(randomBytes);
}

std::string OAuthClient::codeChallenge(const std::string& verifier)
{
    std::vector<uint8_t> bytes(verifier.begin(), verifier.end());
    return stringByBase64UrlSafeEncoding(SHA256(bytes));
}

std::string OAuthClient::percentEncode(const std::string& text)
{
    static const char* hex = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            encoded += char(c);
        } else {
            encoded += '%';
            encoded += hex[c >> 4];
            encoded += hex[c & 15];
        }
    }
    return encoded;
}

std::string OAuthClient::formEncode(const std::vector<std::pair<std::string, std::string>>& fields)
{
    std::string encoded;
    for (const auto& [name, value] : fields) {
        if (!encoded.empty()) encoded += '&';
        encoded += percentEncode(name) + "=" + percentEncode(value);
    }
    return encoded;
}

std::optional<std::map<std::string, std::string>> OAuthClient::queryParameters(const std::string& url)
{
    std::map<std::string, std::string> parameters;
    size_t start = url.find_first_of("?#");
    if (start == std::string::npos) return parameters;
    std::string_view rest(url);
    rest.remove_prefix(start + 1);
    while (!rest.empty()) {
        size_t end = rest.find_first_of("&#");
        std::string_view field = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (field.empty()) continue;
        size_t equals = field.find('=');
        auto name = formDecode(field.substr(0, equals));
        auto value = formDecode(equals == std::string_view::npos ? std::string_view() : field.substr(equals + 1));
        if (!name || !value) return std::nullopt;
        // The first of a repeated name counts: a later one cannot override the state.
        parameters.emplace(*name, *value);
    }
    return parameters;
}

std::optional<OAuthTokens> OAuthClient::parseTokenAnswer(const std::string& body, double now,
                                                         const OAuthTokens* previous, std::string& problem)
{
    nlohmann::json document = nlohmann::json::parse(body, nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        problem = "The sign-in service answered with something that is not JSON.";
        return std::nullopt;
    }
    OAuthTokens tokens;
    auto access = document.find("access_token");
    if (access == document.end() || !access->is_string() || access->get<std::string>().empty()) {
        problem = "The sign-in service sent no access token.";
        return std::nullopt;
    }
    tokens.accessToken = access->get<std::string>();
    if (auto type = document.find("token_type"); type != document.end()) {
        std::string name = type->is_string() ? type->get<std::string>() : std::string();
        for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
        if (name != "bearer") {
            problem = "The sign-in service sent a token of an unknown type.";
            return std::nullopt;
        }
    }
    if (auto refresh = document.find("refresh_token"); refresh != document.end()) {
        if (!refresh->is_string()) {
            problem = "The sign-in service sent a malformed refresh token.";
            return std::nullopt;
        }
        tokens.refreshToken = refresh->get<std::string>();
    } else if (previous) {
        tokens.refreshToken = previous->refreshToken;
    }
    if (tokens.refreshToken.empty()) {
        problem = "The sign-in service sent no refresh token.";
        return std::nullopt;
    }
    if (auto expires = document.find("expires_in"); expires != document.end()) {
        if (!expires->is_number() || !std::isfinite(expires->get<double>()) || expires->get<double>() < 0) {
            problem = "The sign-in service sent a malformed expiry.";
            return std::nullopt;
        }
        tokens.expiresAt = now + std::min(expires->get<double>(), 1e9);
    }
    if (auto account = document.find("account_id"); account != document.end() && account->is_string()) {
        tokens.accountId = account->get<std::string>();
    } else if (previous) {
        tokens.accountId = previous->accountId;
    }
    return tokens;
}

std::string OAuthClient::beginAuthorization(Completion completion)
{
    _exchangeRequest.cancel();
    Pending pending;
    pending.verifier = codeVerifier(_randomBytes(32));
    pending.state = stringByBase64UrlSafeEncoding(_randomBytes(16));
    pending.completion = std::move(completion);
    std::vector<std::pair<std::string, std::string>> fields = {
        {"client_id", _settings.clientId},       {"response_type", "code"},
        {"redirect_uri", _settings.redirectUri}, {"code_challenge", codeChallenge(pending.verifier)},
        {"code_challenge_method", "S256"},       {"state", pending.state},
    };
    fields.insert(fields.end(), _settings.authorizeParameters.begin(), _settings.authorizeParameters.end());
    _pending = std::move(pending);
    return _settings.authorizeUrl + (_settings.authorizeUrl.find('?') == std::string::npos ? "?" : "&") +
        formEncode(fields);
}

bool OAuthClient::handleRedirect(const std::string& url)
{
    if (!_pending || _settings.redirectUri.empty()) return false;
    // The redirect address itself, then its parameters; a longer path is another address.
    if (url.compare(0, _settings.redirectUri.size(), _settings.redirectUri) != 0) return false;
    if (url.size() > _settings.redirectUri.size() && url[_settings.redirectUri.size()] != '?' &&
        url[_settings.redirectUri.size()] != '#') {
        return false;
    }
    auto parameters = queryParameters(url);
    if (!parameters) return false;
    auto state = parameters->find("state");
    if (state == parameters->end() || state->second != _pending->state) return false;
    Pending pending = std::move(*_pending);
    _pending.reset();
    auto code = parameters->find("code");
    if (code == parameters->end() || code->second.empty()) {
        auto description = parameters->find("error_description");
        auto error = parameters->find("error");
        OAuthResult result;
        result.status = OAuthStatus::Denied;
        result.message = description != parameters->end() ? description->second
            : error != parameters->end()                  ? error->second
                                                          : "The sign-in was not completed.";
        if (pending.completion) pending.completion(result);
        return true;
    }
    exchange(code->second, std::move(pending.completion), std::move(pending.verifier));
    return true;
}

void OAuthClient::exchange(const std::string& code, Completion completion, std::string verifier)
{
    HttpRequest request;
    request.method = "POST";
    request.url = _settings.tokenUrl;
    request.headers = {{"Content-Type", "application/x-www-form-urlencoded"}};
    std::vector<std::pair<std::string, std::string>> fields = {{"grant_type", "authorization_code"},
                                                               {"code", code},
                                                               {"code_verifier", verifier},
                                                               {"client_id", _settings.clientId},
                                                               {"redirect_uri", _settings.redirectUri}};
    if (!_settings.clientSecret.empty()) fields.emplace_back("client_secret", _settings.clientSecret);
    request.body = formEncode(fields);
    boundAnswer(request, CloudAnswer::Token);
    _exchangeRequest = _engine.start(std::move(request), [this, completion](HttpResponse response) {
        OAuthResult result = takeTokenAnswer(response, nullptr);
        if (completion) completion(result);
    });
}

OAuthResult OAuthClient::takeTokenAnswer(const HttpResponse& response, const OAuthTokens* previous)
{
    OAuthResult result;
    if (response.isTransportError()) {
        result.status = OAuthStatus::NetworkError;
        result.message = response.errorText;
        return result;
    }
    if (response.status == 200) {
        std::string problem;
        auto tokens = parseTokenAnswer(response.body, _now(), previous, problem);
        if (!tokens) {
            result.status = OAuthStatus::BadAnswer;
            result.message = problem;
            return result;
        }
        keep(std::move(*tokens));
        return result;
    }
    if (response.status >= 400 && response.status < 500) {
        nlohmann::json document = nlohmann::json::parse(response.body, nullptr, false);
        std::string error;
        std::string description;
        if (document.is_object()) {
            if (auto it = document.find("error"); it != document.end() && it->is_string())
                error = it->get<std::string>();
            if (auto it = document.find("error_description"); it != document.end() && it->is_string()) {
                description = it->get<std::string>();
            }
        }
        result.status = error == "invalid_grant" ? OAuthStatus::InvalidGrant : OAuthStatus::Denied;
        result.message = !description.empty() ? description
            : !error.empty()                  ? error
                             : "The sign-in service refused the request (" + std::to_string(response.status) + ").";
        return result;
    }
    result.status = OAuthStatus::NetworkError;
    result.message = "The sign-in service failed (" + std::to_string(response.status) + ").";
    return result;
}

void OAuthClient::keep(OAuthTokens tokens)
{
    _tokens = std::move(tokens);
    ++_tokensGeneration;
    // A store that fails costs the user a sign-in at the next start, not this session.
    std::weak_ptr<bool> alive = _alive;
    _store.writeLater(_account, _tokens->toJson(), [this, alive](const Error& error) {
        if (alive.expired() || error.isEmpty()) return;
        if (_storeFailed) _storeFailed(error);
    });
}

void OAuthClient::adoptUnstored(OAuthTokens tokens)
{
    if (_tokens) return;
    _tokens = std::move(tokens);
    ++_tokensGeneration;
}

void OAuthClient::refresh(Completion completion)
{
    if (!_tokens || _tokens->refreshToken.empty()) {
        OAuthResult result;
        result.status = OAuthStatus::NotLinked;
        result.message = "Not signed in.";
        if (completion) completion(result);
        return;
    }
    _refreshWaiters.push_back(std::move(completion));
    if (_refreshRequest.isPending()) return;
    HttpRequest request;
    request.method = "POST";
    request.url = _settings.tokenUrl;
    request.headers = {{"Content-Type", "application/x-www-form-urlencoded"}};
    std::vector<std::pair<std::string, std::string>> fields = {
        {"grant_type", "refresh_token"}, {"refresh_token", _tokens->refreshToken}, {"client_id", _settings.clientId}};
    if (!_settings.clientSecret.empty()) fields.emplace_back("client_secret", _settings.clientSecret);
    request.body = formEncode(fields);
    boundAnswer(request, CloudAnswer::Token);
    _refreshRequest = _engine.start(std::move(request), [this](HttpResponse response) {
        OAuthTokens previous = _tokens ? *_tokens : OAuthTokens();
        OAuthResult result = takeTokenAnswer(response, &previous);
        std::vector<Completion> waiters = std::move(_refreshWaiters);
        _refreshWaiters.clear();
        for (auto& waiter : waiters) {
            if (waiter) waiter(result);
        }
    });
}

void OAuthClient::unlink()
{
    _pending.reset();
    _exchangeRequest.cancel();
    _refreshRequest.cancel();
    _refreshWaiters.clear();
    _tokens.reset();
    ++_tokensGeneration;
    _store.removeLater(_account, {});
}
