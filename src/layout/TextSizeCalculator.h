#pragma once

#include "platform/Font.h"
#include "platform/Geometry.h"

#include <string>

// How much room a string takes in a font; topics and free texts size themselves with it.
class TextSizeCalculator {
public:
    static TextSizeCalculator& instance();

    // The used rectangle of the string laid out in the font on unbounded lines: as wide as its
    // widest line, as high as all its lines. Not rounded.
    Size sizeForText(const std::string& text, const Font& font);
};
