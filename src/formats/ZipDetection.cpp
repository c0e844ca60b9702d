#include "formats/ZipDetection.h"

#include "Utils/Base64Url.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace {

constexpr uint8_t ZipSignature[4] = {'P', 'K', 3, 4};
constexpr std::string_view EncodedArchivePrefix = "PK--";

bool startsWith(std::span<const uint8_t> data, std::span<const uint8_t> prefix)
{
    return data.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), data.begin());
}

bool isWhiteSpaceOrLineBreak(uint8_t c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

bool isZipFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    uint8_t head[4];
    size_t filled = 0;
    while (filled < sizeof head) {
        const ssize_t count = ::read(fd, head + filled, sizeof head - filled);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        filled += static_cast<size_t>(count);
    }
    ::close(fd);
    return hasPKZIPSignature(std::span<const uint8_t>(head, filled));
}

bool hasPKZIPSignature(std::span<const uint8_t> data)
{
    return startsWith(data, ZipSignature);
}

bool isEncodedArchive(std::span<const uint8_t> data)
{
    const auto* prefix = reinterpret_cast<const uint8_t*>(EncodedArchivePrefix.data());
    return startsWith(data, std::span<const uint8_t>(prefix, EncodedArchivePrefix.size()));
}

std::optional<std::vector<uint8_t>> decodeEncodedArchive(std::span<const uint8_t> data)
{
    if (!isEncodedArchive(data)) return std::vector<uint8_t>(data.begin(), data.end());
    std::span<const uint8_t> text = data.subspan(EncodedArchivePrefix.size());
    while (!text.empty() && isWhiteSpaceOrLineBreak(text.front())) text = text.subspan(1);
    while (!text.empty() && isWhiteSpaceOrLineBreak(text.back())) text = text.first(text.size() - 1);
    if (text.empty()) return std::vector<uint8_t>();
    return dataByBase64UrlSafeDecoding(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
}

std::vector<uint8_t> encodeAsArchive(std::span<const uint8_t> data)
{
    const std::string text = std::string(EncodedArchivePrefix) +
        stringByBase64UrlSafeEncoding(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    return std::vector<uint8_t>(text.begin(), text.end());
}
