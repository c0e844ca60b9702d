#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <string>

// Paper formats by index, as the print options and the outline PDF carry them: 1 A2, 2 A3, 3 A4,
// 4 A5, 5 B4, 6 B5, 7 US Letter, 8 US Legal, 9 US Tabloid, 10 JIS-B4, 11 JIS-B5; every other
// index (0 included) is A1.

// The portrait size in points, each side rounded up to the next whole point.
Size PaperSizeForFormat(int64_t format);

std::string PaperFormatName(int64_t format);

// The number of formats, A1 included: the format lists offer indices 0 to PaperFormatCount() - 1.
int64_t PaperFormatCount();
