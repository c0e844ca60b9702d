#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Two upper-case hexadecimal digits per byte.
std::string stringByHexEncoding(const std::vector<uint8_t>& data);
std::string stringByHexEncoding(std::string_view bytes);
