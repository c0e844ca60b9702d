#pragma once

#include "platform/Font.h"
#include "platform/Geometry.h"

#include <string>

// The smallest room any text in a font needs: the size of a short sample with an ascender and
// descenders. It bounds a topic's text box and the in-place editor from below.
class MinTextSizeCalculator {
public:
    // The one-line sample measured for every font.
    static constexpr const char* SampleText = "Wyg";

    static MinTextSizeCalculator& instance();

    Size minTextSizeForFont(const Font& font);

    // A fresh measurement of the sample in the font.
    Size calcTextSizeForFont(const Font& font);
};
