#include "Utils/Base64Url.h"

#include <algorithm>
#include <array>

namespace {

template <class Bytes> std::string encode(const Bytes& data)
{
    const size_t size = data.size();
    std::string out((size * 4 + 2) / 3, '\0');
    char* o = out.data();
    for (size_t i = 0; i < size; i += 3) {
        const size_t count = std::min<size_t>(3, size - i);
        const unsigned b0 = static_cast<uint8_t>(data[i]);
        const unsigned b1 = count > 1 ? static_cast<uint8_t>(data[i + 1]) : 0;
        const unsigned b2 = count > 2 ? static_cast<uint8_t>(data[i + 2]) : 0;
        *o++ = Base64UrlAlphabet[b0 >> 2];
        *o++ = Base64UrlAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
        if (count > 1) *o++ = Base64UrlAlphabet[((b1 & 15) << 2) | (b2 >> 6)];
        if (count > 2) *o++ = Base64UrlAlphabet[b2 & 63];
    }
    return out;
}

constexpr int NotInAlphabet = -1;

constexpr std::array<int, 256> makeDecodeTable()
{
    std::array<int, 256> table{};
    for (int& v : table) v = NotInAlphabet;
    for (size_t i = 0; i < Base64UrlAlphabet.size(); ++i) {
        table[static_cast<unsigned char>(Base64UrlAlphabet[i])] = static_cast<int>(i);
    }
    return table;
}

constexpr std::array<int, 256> DecodeTable = makeDecodeTable();

bool isOuterSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isOuterSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isOuterSpace(text.back())) text.remove_suffix(1);
    return text;
}

} // namespace

std::string stringByBase64UrlSafeEncoding(const std::vector<uint8_t>& data)
{
    return encode(data);
}

std::string stringByBase64UrlSafeEncoding(std::string_view bytes)
{
    return encode(bytes);
}

std::optional<std::vector<uint8_t>> dataByBase64UrlSafeDecoding(std::string_view text)
{
    text = trimmed(text);
    if (text.empty()) return std::nullopt;

    size_t padding = 0;
    while (padding < text.size() && text[text.size() - 1 - padding] == '=') ++padding;
    if (padding > 2) return std::nullopt;
    const std::string_view symbols = text.substr(0, text.size() - padding);
    for (char c : symbols) {
        if (DecodeTable[static_cast<unsigned char>(c)] == NotInAlphabet) return std::nullopt;
    }

    size_t groups;
    size_t missing; // characters the last group lacks, each standing for one byte less
    if (padding > 0) {
        // Padding completes the last group; any other length would leave characters unread.
        if (text.size() % 4 != 0) return std::nullopt;
        missing = padding;
        groups = text.size() / 4;
    } else {
        switch (text.size() % 4) {
        case 1:
            return std::nullopt;
        case 2:
            missing = 2;
            break;
        case 3:
            missing = 1;
            break;
        default:
            missing = 0;
            break;
        }
        groups = (text.size() + missing) / 4;
    }
    if (groups == 0) return std::nullopt;

    std::vector<uint8_t> out;
    out.reserve(groups * 3 - missing);
    for (size_t g = 0; g < groups; ++g) {
        uint32_t value = 0;
        for (size_t k = 0; k < 4; ++k) {
            const size_t i = g * 4 + k;
            value <<= 6;
            if (i < symbols.size()) value |= static_cast<uint32_t>(DecodeTable[static_cast<unsigned char>(symbols[i])]);
        }
        const size_t bytes = g + 1 == groups ? 3 - missing : 3;
        for (size_t k = 0; k < bytes; ++k) out.push_back(static_cast<uint8_t>(value >> (16 - 8 * k)));
    }
    return out;
}
