#pragma once

#include "platform/Font.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <string>

// How much room a string takes in a font; topics and free texts size themselves with it, and
// word wrap measures its lines through them. It measures with the process-wide text measurer,
// which reuses one layout for every call and remembers the sizes it found: a wrap drag measures
// the same lines again and again.
class TextSizeCalculator {
public:
    static TextSizeCalculator& instance();

    // The used rectangle of the string laid out in the font on unbounded lines: as wide as its
    // widest line, as high as all its lines. Not rounded. The empty string is 0 wide and one line
    // high.
    Size sizeForText(const std::string& text, const Font& font);

private:
    TextSizeCalculator() = default;
};

// A measured width rounded to whole points, halves away from zero. A width that is no number, or
// too large for the result, cannot come from real text; it is kept within bounds so that it never
// turns into an arbitrary value.
int64_t roundedTextWidth(double width);
