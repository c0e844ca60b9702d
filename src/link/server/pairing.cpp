#include "link/server/pairing.h"

#include "Utils/RandomData.h"

#include <algorithm>

void random_challenge_bytes(std::span<unsigned char, 32> bytes)
{
    const std::vector<uint8_t> random = randomDataWithLength(bytes.size());
    std::copy(random.begin(), random.end(), bytes.begin());
}

void pairing_clear_cache(link_server_state& state)
{
    state.paired_secrets.destroy();
}

void pair_handler::handle(http_router&, const small_string&, http_request& request)
{
    request.status = 403;
    http_reply_error_page(request);
}
