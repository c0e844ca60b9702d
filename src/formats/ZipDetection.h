#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Recognising zip data, and carrying zip data inside text: the encoded archive text is "PK--"
// followed by the base64url form (no padding) of the zip bytes.

// True when the file can be read and its first four bytes are the zip local-file signature.
bool isZipFile(const std::string& path);

// True when the data is at least four bytes long and starts with "P", "K", 3, 4.
bool hasPKZIPSignature(std::span<const uint8_t> data);

// True when the data is at least four bytes long and starts with "PK--".
bool isEncodedArchive(std::span<const uint8_t> data);

// The zip bytes of an encoded archive text; data that is not encoded comes back unchanged.
// "PK--" with nothing (or only white space) after it gives empty data. The text after the
// prefix may be surrounded by white space and line breaks; empty when it is not base64url.
std::optional<std::vector<uint8_t>> decodeEncodedArchive(std::span<const uint8_t> data);

// "PK--" followed by the base64url text of the data.
std::vector<uint8_t> encodeAsArchive(std::span<const uint8_t> data);
