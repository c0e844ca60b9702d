#pragma once

#include "platform/Geometry.h"

#include <string>

// Something that can tell how much room a string takes; a paragraph measures its words and lines
// through it.
class TextSizeProvider {
public:
    virtual ~TextSizeProvider() = default;

    virtual Size calcTextSize(const std::string& text) = 0;
};
