#include "FuzzHome.h"

#include "platform/Localizer.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

// Fills a translation with arguments: the input is the format, then the arguments, each after a
// NUL byte. Whatever a translator writes, the result holds no more than the format and every
// argument once per placeholder, and a format without "%" comes back unchanged.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t end = input.find('\0', start);
        parts.push_back(input.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    const std::string format = parts.front();
    const std::vector<std::string> arguments(parts.begin() + 1, parts.end());

    const std::string filled = formatText(format, arguments);
    size_t longest = 0;
    for (const std::string& argument : arguments) longest = std::max(longest, argument.size());
    // Each placeholder is at least two characters of the format.
    if (filled.size() > format.size() + (format.size() / 2) * longest) std::abort();
    if (format.find('%') == std::string::npos && filled != format) std::abort();
    return 0;
}
