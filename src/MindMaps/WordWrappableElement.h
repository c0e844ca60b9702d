#pragma once

#include "platform/Geometry.h"

#include <string>

// A topic or free text whose text can be rewritten with line breaks to a wrap width.
class WordWrappableElement {
public:
    virtual ~WordWrappableElement() = default;

    virtual const std::string& text() const = 0;
    virtual Size textSize() = 0;
    virtual Size minTextSize() = 0;
    // The size of a string in the element's font.
    virtual Size calcTextSize(const std::string& text) = 0;
    // Takes over a text that the wrap state has broken into lines.
    virtual void applyWrappedText(const std::string& text) = 0;
};
