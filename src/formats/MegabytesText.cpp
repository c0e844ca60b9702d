#include "formats/MegabytesText.h"

#include "platform/NumberText.h"

std::string megabytesText(uint64_t bytes)
{
    constexpr uint64_t Megabyte = 1024 * 1024;
    // In tenths, rounded up: the sum cannot overflow for any size a file or archive declares
    // short of the last tenth of the range.
    const uint64_t tenths = bytes / Megabyte * 10 + ((bytes % Megabyte) * 10 + Megabyte - 1) / Megabyte;
    return formatInteger(static_cast<int64_t>(tenths / 10)) + "." + formatInteger(static_cast<int64_t>(tenths % 10)) +
        " MB";
}
