#include "FuzzHome.h"

#include "Utils/Base64Url.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

// Decodes arbitrary text, and checks that every byte string survives encoding and decoding.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    if (const auto decoded = dataByBase64UrlSafeDecoding(text)) {
        // Whatever the decoder accepts must be made of the alphabet, padding and outer white space,
        // and give back no more bytes than its characters can carry.
        if (decoded->empty() || decoded->size() > size * 3 / 4) std::abort();
        const auto again = dataByBase64UrlSafeDecoding(stringByBase64UrlSafeEncoding(*decoded));
        if (!again || *again != *decoded) std::abort();
    }

    const std::vector<uint8_t> bytes(data, data + size);
    const std::string encoded = stringByBase64UrlSafeEncoding(bytes);
    if (encoded.size() != (size * 4 + 2) / 3) std::abort();
    if (encoded.find_first_not_of(Base64UrlAlphabet) != std::string::npos) std::abort();
    const auto decoded = dataByBase64UrlSafeDecoding(encoded);
    if (size == 0) {
        if (decoded) std::abort();
    } else if (!decoded || *decoded != bytes) {
        std::abort();
    }
    return 0;
}
