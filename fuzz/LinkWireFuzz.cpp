#include "link/server/http_wire.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

// The bytes of a connection as the link server reads them, cut into pieces whose sizes the first
// byte chooses: the head is found and parsed, then its body read. Whatever the bytes, the reader
// uses no byte twice, hands out no more content than the body's limit, and a head read piece by
// piece ends where the whole head ends.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const size_t piece = 1 + data[0] % 64;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);

    size_t whole_scanned = 0;
    const size_t whole_end = http_find_head_end(input, whole_scanned);
    size_t scanned = 0;
    size_t end = std::string_view::npos;
    for (size_t received = 0; end == std::string_view::npos && received < input.size();) {
        received = std::min(input.size(), received + piece);
        end = http_find_head_end(input.substr(0, received), scanned);
    }
    if (end != whole_end) std::abort();
    if (end == std::string_view::npos) return 0;

    http_wire_limits limits;
    limits.max_body_bytes = 4096;
    http_wire_head head;
    http_wire_error error = http_wire_error::none;
    if (!http_parse_head(input.substr(0, end), limits, head, error)) {
        if (error == http_wire_error::none) std::abort();
        return 0;
    }
    if (head.content_length > limits.max_body_bytes || head.target.empty()) std::abort();

    http_body_reader reader;
    reader.start(head, limits.max_body_bytes);
    uint64_t content = 0;
    const auto take = [&content](std::string_view bytes) {
        content += bytes.size();
        return true;
    };
    for (size_t at = end; at < input.size() && !reader.done() && !reader.failed();) {
        const std::string_view available = input.substr(at, std::min(piece, input.size() - at));
        const size_t used = reader.consume(available, take);
        if (used > available.size()) std::abort();
        if (used < available.size() && !reader.done() && !reader.failed()) std::abort();
        at += used;
    }
    if (content > limits.max_body_bytes || content != reader.received()) std::abort();
    return 0;
}
