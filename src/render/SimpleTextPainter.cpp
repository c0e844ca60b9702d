#include "render/SimpleTextPainter.h"

#include "platform/AttributedString.h"
#include "platform/GraphicsContext.h"

#include <cmath>

SimpleTextPainter& SimpleTextPainter::instance()
{
    static SimpleTextPainter painter;
    return painter;
}

void SimpleTextPainter::paintText(GraphicsContext& context, const std::string& text, const Font& font,
                                  const Color& color, const Rect& rect)
{
    if (text.empty() || !std::isfinite(rect.minX()) || !std::isfinite(rect.minY())) return;
    TextAttributes attributes;
    attributes.font = font;
    attributes.color = color;
    context.drawText(AttributedString(text, attributes), rect.origin, 0);
}
