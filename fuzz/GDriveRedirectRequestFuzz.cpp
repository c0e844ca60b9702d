#include "GoogleDrive/GDriveRedirectListener.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// What a local process or a web page may send to the sign-in listener: whatever the bytes, the
// parser answers, and a target it accepts is a plain origin-form path within the bound.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string target;
    const auto parse = GDriveRedirectListener::parseRequest(bytes, target);
    if (parse == GDriveRedirectListener::Parse::Complete) {
        if (target.empty() || target[0] != '/' || target.size() > GDriveRedirectListener::MaximumRequestBytes) {
            std::abort();
        }
        for (char c : target) {
            if (c <= 0x20 || c >= 0x7f) std::abort();
        }
    } else if (!target.empty()) {
        std::abort();
    }
    return 0;
}
