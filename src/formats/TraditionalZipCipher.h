#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// The traditional PKWARE encryption of zip entries. minizip would do this itself, but the build
// that the system provides cannot: its reader is compiled without decryption, and its writer reads
// zlib's 32-bit CRC table through a pointer to 64-bit values, so that what it writes no tool can
// decrypt. The archive structure stays minizip's; only the bytes of an entry pass through here.
class TraditionalZipCipher {
public:
    // Length of the random header that precedes every encrypted entry's data.
    static constexpr size_t HeaderLength = 12;

    explicit TraditionalZipCipher(std::string_view password);

    uint8_t encrypt(uint8_t plain);
    uint8_t decrypt(uint8_t cipher);

    void encrypt(std::span<uint8_t> bytes);
    void decrypt(std::span<uint8_t> bytes);

    // The encrypted header for an entry: eleven random bytes and the check byte, which readers
    // compare after decrypting to tell a wrong password.
    std::vector<uint8_t> makeHeader(uint8_t checkByte);

private:
    uint8_t keyStreamByte() const;
    void updateKeys(uint8_t plain);

    uint32_t _keys[3];
};
