#include "link/server/link_support.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

// URL and base64url decoding of arbitrary text, and the round trip of arbitrary bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    small_string url(text);
    url_decode(url);
    if (url.size() > size) std::abort();

    small_string decoded;
    const size_t length = base64url_decode(text, decoded);
    if (length != decoded.size() || length > size) std::abort();

    small_string encoded;
    if (base64url_encode(text, encoded) != (size * 4 + 2) / 3) std::abort();
    small_string back;
    if (base64url_decode(encoded.view(), back) != size || back.view() != text) std::abort();
    return 0;
}
