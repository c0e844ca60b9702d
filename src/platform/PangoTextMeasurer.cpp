#include "platform/PangoTextMeasurer.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <memory>

namespace {

constexpr double Resolution = 72.0;

// Enough for every text of a very large map; past it the cache starts afresh rather than grow
// without bound.
constexpr size_t MaxCachedSizes = 100000;

void setWrapWidth(PangoLayout* layout, double wrapWidth)
{
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    if (std::isfinite(wrapWidth) && wrapWidth > 0) {
        double units = std::min(wrapWidth * PANGO_SCALE, double(INT_MAX));
        pango_layout_set_width(layout, std::max(1, int(units)));
    } else {
        pango_layout_set_width(layout, -1);
    }
}

void setFont(PangoLayout* layout, const Font& font)
{
    std::unique_ptr<PangoFontDescription, decltype(&pango_font_description_free)> description(
        font.newPangoDescription(), pango_font_description_free);
    pango_layout_set_font_description(layout, description.get());
}

PangoAlignment pangoAlignment(TextAlignment alignment)
{
    switch (alignment) {
    case TextAlignment::Center:
        return PANGO_ALIGN_CENTER;
    case TextAlignment::Right:
        return PANGO_ALIGN_RIGHT;
    case TextAlignment::Left:
        break;
    }
    return PANGO_ALIGN_LEFT;
}

} // namespace

PangoTextMeasurer::PangoTextMeasurer()
{
    _fontMap = pango_cairo_font_map_new();
    pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(_fontMap), Resolution);
    _context = pango_font_map_create_context(_fontMap);
    prepareContext(_context);
    _layout = pango_layout_new(_context);
}

PangoTextMeasurer::~PangoTextMeasurer()
{
    g_object_unref(_layout);
    g_object_unref(_context);
    g_object_unref(_fontMap);
}

void PangoTextMeasurer::prepareContext(PangoContext* context)
{
    pango_cairo_context_set_resolution(context, Resolution);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(context, FALSE);
}

void PangoTextMeasurer::setUpLayout(PangoLayout* layout, const std::string& text, const Font& font, double wrapWidth)
{
    std::string valid = makeValidUtf8(text);
    pango_layout_set_attributes(layout, nullptr);
    pango_layout_set_text(layout, valid.data(), int(valid.size()));
    setFont(layout, font);
    pango_layout_set_alignment(layout, PANGO_ALIGN_LEFT);
    setWrapWidth(layout, wrapWidth);
}

void PangoTextMeasurer::setUpLayout(PangoLayout* layout, const AttributedString& text, double wrapWidth)
{
    // string() is valid UTF-8 already, and the attribute offsets are offsets into it.
    pango_layout_set_text(layout, text.string().data(), int(text.string().size()));
    setFont(layout, Font());
    PangoAttrList* attributes = text.newPangoAttrList();
    pango_layout_set_attributes(layout, attributes);
    pango_attr_list_unref(attributes);
    pango_layout_set_alignment(layout, pangoAlignment(text.attributesAt(0).alignment.value_or(TextAlignment::Left)));
    setWrapWidth(layout, wrapWidth);
}

Size PangoTextMeasurer::layoutSize(PangoLayout* layout)
{
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    return {double(logical.width) / PANGO_SCALE, double(logical.height) / PANGO_SCALE};
}

Size PangoTextMeasurer::sizeForText(const std::string& text, const Font& font, double wrapWidth)
{
    setUpLayout(_layout, text, font, wrapWidth);
    return layoutSize(_layout);
}

size_t PangoTextMeasurer::MeasuredTextHash::hash(const AttributedString& text, double wrapWidth)
{
    // The text alone tells nearly all keys apart; equal texts with other attributes are compared.
    return std::hash<std::string>()(text.string()) ^ (std::hash<double>()(wrapWidth) * 31);
}

Size PangoTextMeasurer::sizeForAttributedString(const AttributedString& text, double wrapWidth)
{
    // Every width that does not wrap is one key (a NaN would never find its entry again).
    if (!std::isfinite(wrapWidth) || wrapWidth <= 0) wrapWidth = 0;
    const auto found = _attributedSizes.find(MeasuredTextView{&text, wrapWidth});
    if (found != _attributedSizes.end()) return found->second;
    setUpLayout(_layout, text, wrapWidth);
    const Size size = layoutSize(_layout);
    if (_attributedSizes.size() >= MaxCachedSizes) _attributedSizes.clear();
    _attributedSizes.emplace(MeasuredText{text, wrapWidth}, size);
    return size;
}
