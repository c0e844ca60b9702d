#include "formats/TraditionalZipCipher.h"

#include "Utils/RandomData.h"

#include <zlib.h>

namespace {

uint32_t crc32Step(uint32_t crc, uint8_t byte)
{
    static const z_crc_t* table = get_crc_table();
    return static_cast<uint32_t>(table[(crc ^ byte) & 0xFF]) ^ (crc >> 8);
}

} // namespace

TraditionalZipCipher::TraditionalZipCipher(std::string_view password) : _keys{0x12345678u, 0x23456789u, 0x34567890u}
{
    for (char c : password) updateKeys(static_cast<uint8_t>(c));
}

uint8_t TraditionalZipCipher::keyStreamByte() const
{
    const uint32_t temp = (_keys[2] | 2u) & 0xFFFFu;
    return static_cast<uint8_t>((temp * (temp ^ 1u)) >> 8);
}

void TraditionalZipCipher::updateKeys(uint8_t plain)
{
    _keys[0] = crc32Step(_keys[0], plain);
    _keys[1] = (_keys[1] + (_keys[0] & 0xFFu)) * 134775813u + 1u;
    _keys[2] = crc32Step(_keys[2], static_cast<uint8_t>(_keys[1] >> 24));
}

uint8_t TraditionalZipCipher::encrypt(uint8_t plain)
{
    const uint8_t cipher = plain ^ keyStreamByte();
    updateKeys(plain);
    return cipher;
}

uint8_t TraditionalZipCipher::decrypt(uint8_t cipher)
{
    const uint8_t plain = cipher ^ keyStreamByte();
    updateKeys(plain);
    return plain;
}

void TraditionalZipCipher::encrypt(std::span<uint8_t> bytes)
{
    for (uint8_t& b : bytes) b = encrypt(b);
}

void TraditionalZipCipher::decrypt(std::span<uint8_t> bytes)
{
    for (uint8_t& b : bytes) b = decrypt(b);
}

std::vector<uint8_t> TraditionalZipCipher::makeHeader(uint8_t checkByte)
{
    std::vector<uint8_t> header = randomDataWithLength(HeaderLength - 1);
    header.resize(HeaderLength - 1);
    header.push_back(checkByte);
    encrypt(header);
    return header;
}
