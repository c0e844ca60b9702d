#pragma once

#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/Geometry.h"

#include <string>

class GraphicsContext;

// Draws the one-line labels of topics (auto numbers and dates) in one font and colour. One
// instance serves the whole process; it keeps nothing between calls.
class SimpleTextPainter {
public:
    static SimpleTextPainter& instance();

    // The text's top left corner at the rectangle's origin. Labels are single lines measured
    // unwrapped, so the text is not wrapped at the rectangle's width: a width rounded down by a
    // fraction must not push the label's last character onto a line of its own.
    void paintText(GraphicsContext& context, const std::string& text, const Font& font, const Color& color,
                   const Rect& rect);
};
