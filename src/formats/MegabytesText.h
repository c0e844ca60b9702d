#pragma once

#include <cstdint>
#include <string>

// A size for the user in megabytes with one decimal, "8.0 MB"; never rounded down, so that a
// size just past a limit never reads as the limit.
std::string megabytesText(uint64_t bytes);
