#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// Overwrites the CRC of the first entry of a zip in its local header and in the central
// directory, so that the headers agree and only the data tells that it is damaged. False when
// the zip has no such headers.
inline bool breakFirstCrc(std::vector<uint8_t>& zip)
{
    const auto patch = [&zip](const std::string& signature, size_t crcOffset) {
        const auto at = std::search(zip.begin(), zip.end(), signature.begin(), signature.end());
        if (at == zip.end() || size_t(zip.end() - at) < crcOffset + 4) return false;
        for (size_t i = 0; i < 4; ++i) *(at + crcOffset + i) ^= 0x5A;
        return true;
    };
    return patch(std::string("PK\x03\x04", 4), 14) && patch(std::string("PK\x01\x02", 4), 16);
}
