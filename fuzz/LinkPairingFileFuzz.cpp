#include "link/server/pairing.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// A pairing file with arbitrary contents, and the device name and app id headers of "/pair".
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string contents(reinterpret_cast<const char*>(data), size);
    std::FILE* file = size ? ::fmemopen(contents.data(), size, "r") : ::fmemopen(nullptr, 1, "r");
    if (!file) return 0;
    small_string secret;
    const bool read = pairing_read_secret(file, secret);
    std::fclose(file);
    // At most 127 characters are read, which decode to at most 95 bytes.
    if (read ? secret.empty() || secret.size() > 95 : !secret.empty()) std::abort();

    const std::string_view text(contents);
    const small_string name = pairing_device_name(text);
    if (!utf8_valid(name.view())) std::abort();
    for (const char c : name.view())
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();
    if (pairing_app_id_valid(text) &&
        (text.empty() || text.size() > 128 || text.front() == '.' || text.find('/') != std::string_view::npos))
        std::abort();
    return 0;
}
