#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Bytes from the operating system's random source. Identifiers are made from these, so they are
// never derived from a generator that a clock or a second process could reproduce.
std::vector<uint8_t> randomDataWithLength(size_t length);
