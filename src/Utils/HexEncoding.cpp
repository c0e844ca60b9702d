#include "Utils/HexEncoding.h"

namespace {

template <class Bytes> std::string encode(const Bytes& data)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(data.size() * 2);
    for (auto b : data) {
        const auto byte = static_cast<uint8_t>(b);
        out += digits[byte >> 4];
        out += digits[byte & 15];
    }
    return out;
}

} // namespace

std::string stringByHexEncoding(const std::vector<uint8_t>& data)
{
    return encode(data);
}

std::string stringByHexEncoding(std::string_view bytes)
{
    return encode(bytes);
}
