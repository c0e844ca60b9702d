#pragma once

#include <cstdint>
#include <string>

// The name of the 16-pixel image of a call-out style: 0 none, 1 tapered, 2 line; empty for any
// other code.
std::string CalloutStyleImage(uint64_t calloutStyle);
