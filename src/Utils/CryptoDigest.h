#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Message digests of a byte buffer: 16, 20, 32 and 64 bytes.
std::vector<uint8_t> MD5(const std::vector<uint8_t>& data);
std::vector<uint8_t> SHA1(const std::vector<uint8_t>& data);
std::vector<uint8_t> SHA256(const std::vector<uint8_t>& data);
std::vector<uint8_t> SHA512(const std::vector<uint8_t>& data);

// Digests of a text's UTF-8 bytes; empty when the text is not valid UTF-8.
std::optional<std::vector<uint8_t>> SHA1(std::string_view text);
std::optional<std::vector<uint8_t>> SHA256(std::string_view text);
std::optional<std::vector<uint8_t>> SHA512(std::string_view text);

// The SHA-1 of bytes given piece by piece, equal to SHA1() of all of them at once.
class SHA1Stream {
public:
    SHA1Stream();
    ~SHA1Stream();
    SHA1Stream(const SHA1Stream&) = delete;
    SHA1Stream& operator=(const SHA1Stream&) = delete;

    void update(std::string_view bytes);
    // The digest of everything given; the stream is done with.
    std::vector<uint8_t> finish();

private:
    struct Context;
    Context* _context;
};

// Upper-case hexadecimal MD5 of a whole file, read piece by piece; empty when the file cannot be
// read.
std::optional<std::string> FileMD5HexString(const std::string& path);
