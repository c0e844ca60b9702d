#include "platform/PangoLayoutMeasurer.h"

#include "platform/PangoTextMeasurer.h"

#include <pango/pangocairo.h>

PangoLayoutMeasurer::PangoLayoutMeasurer()
{
    _fontMap = pango_cairo_font_map_new();
    pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(_fontMap), PangoTextMeasurer::Resolution);
    _context = pango_font_map_create_context(_fontMap);
    PangoTextMeasurer::prepareContext(_context);
    _layout = pango_layout_new(_context);
}

PangoLayoutMeasurer::~PangoLayoutMeasurer()
{
    g_object_unref(_layout);
    g_object_unref(_context);
    g_object_unref(_fontMap);
}

Size PangoLayoutMeasurer::sizeForText(const std::string& text, const Font& font, double wrapWidth)
{
    PangoTextMeasurer::setUpLayout(_layout, text, font, wrapWidth);
    return PangoTextMeasurer::layoutSize(_layout);
}

Size PangoLayoutMeasurer::sizeForAttributedString(const AttributedString& text, double wrapWidth)
{
    PangoTextMeasurer::setUpLayout(_layout, text, wrapWidth);
    return PangoTextMeasurer::layoutSize(_layout);
}
