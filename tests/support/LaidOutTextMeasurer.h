#pragma once

#include "platform/PangoTextMeasurer.h"

#include <pango/pangocairo.h>

// Lays every text out alone in a Pango layout set up as painters set theirs up, remembering
// nothing: the sizes that the real measurer's batches, caches and shortcuts must give to the bit.
class LaidOutTextMeasurer : public TextMeasurer {
public:
    LaidOutTextMeasurer() : _fontMap(pango_cairo_font_map_new())
    {
        pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(_fontMap), PangoTextMeasurer::Resolution);
        _context = pango_font_map_create_context(_fontMap);
        PangoTextMeasurer::prepareContext(_context);
        _layout = pango_layout_new(_context);
    }
    ~LaidOutTextMeasurer() override
    {
        g_object_unref(_layout);
        g_object_unref(_context);
        g_object_unref(_fontMap);
    }
    LaidOutTextMeasurer(const LaidOutTextMeasurer&) = delete;
    LaidOutTextMeasurer& operator=(const LaidOutTextMeasurer&) = delete;

    Size sizeForText(const std::string& text, const Font& font, double wrapWidth = 0) override
    {
        PangoTextMeasurer::setUpLayout(_layout, text, font, wrapWidth);
        return PangoTextMeasurer::layoutSize(_layout);
    }
    Size sizeForAttributedString(const AttributedString& text, double wrapWidth = 0) override
    {
        PangoTextMeasurer::setUpLayout(_layout, text, wrapWidth);
        return PangoTextMeasurer::layoutSize(_layout);
    }

private:
    PangoFontMap* _fontMap;
    PangoContext* _context = nullptr;
    PangoLayout* _layout = nullptr;
};
