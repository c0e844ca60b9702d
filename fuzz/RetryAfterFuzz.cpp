#include "platform/HttpEngine.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// A server's "Retry-After" decides how long a request waits: whatever it holds, the wait is a
// number of seconds within the request's limit, never negative or endless.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string value(reinterpret_cast<const char*>(data), size);
    const double now = 1.7e9;
    if (const auto seconds = HttpEngine::retryAfterSeconds(value, now)) {
        if (!std::isfinite(*seconds) || *seconds < 0) std::abort();
    }
    HttpRequest request;
    HttpResponse answer;
    answer.status = 503;
    answer.headers = {{"Retry-After", value}};
    for (int attempt : {0, 3, 1000}) {
        const double wait = HttpEngine::retryDelay(request, answer, attempt, 0.5, now);
        if (!std::isfinite(wait) || wait < 0 || wait > request.maxRetryDelaySeconds) std::abort();
    }
    return 0;
}
