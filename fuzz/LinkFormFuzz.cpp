#include "link/server/http_request.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

// The input is a request URI and a body, split at the first newline: parsing must stay inside both,
// and every value handed out must be a piece of what came in.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\n');
    const std::string_view uri = input.substr(0, split);
    const std::string_view body = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    http_request request;
    http_request_parse(request, uri, body);
    if (request.path.size() > uri.size() || request.name.size() > request.path.size()) std::abort();
    size_t total = 0;
    for (uint32_t slot = 0; slot < request.params.capacity(); ++slot) {
        if (!request.params.occupied(slot)) continue;
        const auto& entry = request.params.at(slot);
        if (request.params.find(entry.key.view()) != static_cast<int32_t>(slot)) std::abort();
        if (entry.value.size() == 0) std::abort();
        for (size_t index = 0; index < entry.value.size(); ++index) total += entry.value[index].size();
    }
    if (total > size) std::abort();
    http_request_free(request);
    return 0;
}
