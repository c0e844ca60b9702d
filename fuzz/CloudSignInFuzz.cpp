#include "cloud/OAuthClient.h"
#include "platform/TokenStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// What the sign-in reads from outside: the token endpoint's answer, the redirect address the
// browser hands back, the stored tokens and the fall-back token file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string problem;
    OAuthTokens previous{"a", "r", 1, "id"};
    if (auto tokens = OAuthClient::parseTokenAnswer(text, 1000, &previous, problem)) {
        if (tokens->accessToken.empty() || tokens->refreshToken.empty()) std::abort();
        if (tokens->expiresAt != 0 && tokens->expiresAt < 1000) std::abort();
    }
    OAuthClient::parseTokenAnswer(text, 1000, nullptr, problem);
    OAuthClient::queryParameters(text);
    OAuthClient::queryParameters("db-key://2/token?" + text);
    if (auto tokens = OAuthTokens::fromJson(text)) {
        // What is read back is what is written.
        if (OAuthTokens::fromJson(tokens->toJson()) != tokens) std::abort();
    }
    if (auto secrets = FileTokenStore::parse(text)) {
        if (FileTokenStore::parse(FileTokenStore::serialize(*secrets)) != secrets) std::abort();
    }
    return 0;
}
