#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The URL-safe base64 alphabet, written without padding.
inline constexpr std::string_view Base64UrlAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

// 1, 2 and 3 bytes give 2, 3 and 4 characters; empty data gives the empty text.
std::string stringByBase64UrlSafeEncoding(const std::vector<uint8_t>& data);
std::string stringByBase64UrlSafeEncoding(std::string_view bytes);

// Accepts the text with or without "=" padding (at most two) and with white space around it.
// Empty when the text is empty, has a length no encoding gives, or holds any other character:
// a stray character would otherwise shift every byte after it.
std::optional<std::vector<uint8_t>> dataByBase64UrlSafeDecoding(std::string_view text);
