#pragma once

#include <cstddef>
#include <string>

// 12 random bytes as 24 upper-case hexadecimal digits: the identity of maps, store folders and
// cloud files.
std::string createGUIDString();

// 16 random bytes as 22 base64url characters: the identity of elements within a map.
std::string createBase64GUIDString();

// A name stamped with the local date and time, "YYYYMMDD_hhmmsscc" (cc: hundredths of a second),
// followed by "_" and the first length characters of a new GUID string when length is not 0.
std::string defaultFileNameGuidLength(size_t length);

// defaultFileNameGuidLength(8).
// Waits for its caller in the shell.
std::string defaultFileNameGuid();
