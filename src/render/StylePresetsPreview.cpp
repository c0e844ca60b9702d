#include "render/StylePresetsPreview.h"

#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StyleHelpers.h"
#include "MindMaps/StylePresets.h"
#include "MindMaps/TextStyle.h"
#include "Utils/BezierPathShapes.h"
#include "platform/BezierPath.h"
#include "platform/CairoGuard.h"
#include "platform/Font.h"
#include "platform/TextMeasurer.h"
#include "render/CalloutStyleImage.h"
#include "render/CloudShape.h"

#include <pango/pangocairo.h>

#include <optional>
#include <string>

namespace {

constexpr double Side = StylePreset::PreviewSide;
constexpr const char* SampleLetter = "T";
// The sample letter is drawn in this family and then given the style's traits and size.
constexpr const char* SampleFontFamily = "Tahoma";
constexpr double SampleFontSize = 9;
// Points in the picture per point of the style's font size.
constexpr double SampleFontScale = 4.0 / 3.0;
const Rect CallOutRect{22, 22, 16, 16};
const Rect ShapeRect{4, 4, 32, 32};
const Rect CloudRect{4, 8, 32, 24};

// The preset's own value of a property it customises, else the reference style's.
template <typename Style> const Style& pick(const Style& own, const Style* reference, uint64_t mask)
{
    return own.isPropCustomized(mask) || !reference ? own : *reference;
}

void setSourceColor(cairo_t* cr, const Color& color)
{
    cairo_set_source_rgba(cr, color.red(), color.green(), color.blue(), color.alpha());
}

// A cairo context on a new transparent picture.
class PreviewCanvas {
public:
    PreviewCanvas() : _image(StylePreset::PreviewSide, StylePreset::PreviewSide), _cr(cairo_create(_image.surface())) {}

    cairo_t* cr() const { return _cr.get(); }
    // Ends the drawing and hands the picture over.
    Image finish()
    {
        _cr.reset();
        cairo_surface_flush(_image.surface());
        return std::move(_image);
    }

private:
    Image _image;
    CairoContext _cr;
};

void drawSampleLetter(cairo_t* cr, uint64_t fontStyle, double fontSize, const std::optional<Color>& textColor)
{
    const Font base(SampleFontFamily, SampleFontSize);
    const double size = fontSize * SampleFontScale;
    const Font font = FontWithStyleTraits(base, fontStyle, size).value_or(base.withSize(size));
    const Size used = TextMeasurer::shared().sizeForText(SampleLetter, font);

    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* description = font.newPangoDescription();
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
    pango_layout_set_text(layout, SampleLetter, -1);
    setSourceColor(cr, textColor.value_or(Color::black()));
    cairo_move_to(cr, (Side - used.width) / 2, (Side - used.height) / 2);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
}

void drawCallOut(cairo_t* cr, uint64_t callOut)
{
    const Image picture = Image::fromResource(CalloutStyleImage(callOut));
    if (picture.isNull()) return;
    cairo_save(cr);
    cairo_translate(cr, CallOutRect.minX(), CallOutRect.minY());
    cairo_scale(cr, CallOutRect.width() / picture.pixelWidth(), CallOutRect.height() / picture.pixelHeight());
    cairo_set_source_surface(cr, picture.surface(), 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
}

BezierPath borderShape(int32_t borderStyle)
{
    BezierPath path;
    switch (borderStyle) {
    case 0:
        addRoundedRect(path, ShapeRect, 5);
        break;
    case 1:
        addRoundedRect(path, ShapeRect, 12);
        break;
    case 2:
        addDropRoundRect(path, ShapeRect, 5);
        break;
    case 3:
        path.appendOval(ShapeRect);
        break;
    case 5:
        addDiamond(path, ShapeRect);
        break;
    case 6:
        AppendCloudShape(path, CloudRect);
        break;
    default:
        path.appendRect(ShapeRect);
        break;
    }
    return path;
}

void strokeArrowHead(cairo_t* cr, double tipX, double backX, double y)
{
    cairo_move_to(cr, backX, y - 5);
    cairo_line_to(cr, tipX, y);
    cairo_line_to(cr, backX, y + 5);
    cairo_stroke(cr);
}

} // namespace

Image StylePresetsPreview::textPresetImage(const TextStyle& own, const TextStyle* reference)
{
    PreviewCanvas canvas;
    cairo_t* cr = canvas.cr();

    const std::optional<Color> fill = pick(own, reference, TextStyle::FillColorMask).fillColor();
    setSourceColor(cr, fill && !fill->isNormalizedClearColor() ? *fill : Color::white());
    cairo_paint(cr);

    const TextStyle& font = pick(own, reference, TextStyle::FontMask);
    drawSampleLetter(cr, font.fontStyle(), font.fontSize(), pick(own, reference, TextStyle::TextColorMask).textColor());
    const uint64_t callOut = pick(own, reference, TextStyle::CallOutMask).callOut();
    if (callOut != 0) drawCallOut(cr, callOut);
    return canvas.finish();
}

Image StylePresetsPreview::nodePresetImage(const NodeStyle& own, const NodeStyle* reference)
{
    PreviewCanvas canvas;
    cairo_t* cr = canvas.cr();

    int32_t borderStyle = pick(own, reference, NodeStyle::BorderStyleMask).borderStyle();
    // A preset that only gives a border width means a visible border.
    if (borderStyle == NodeStyle::NoBorder && own.isPropCustomized(NodeStyle::BorderWidthMask) &&
        own.borderWidth() > 0 && !own.isPropCustomized(NodeStyle::BorderStyleMask)) {
        borderStyle = 0;
    }
    const BezierPath shape = borderShape(borderStyle);
    if (const std::optional<Color> fill = pick(own, reference, TextStyle::FillColorMask).fillColor()) {
        shape.addToCairo(cr);
        setSourceColor(cr, *fill);
        cairo_fill(cr);
    }
    if (borderStyle != NodeStyle::NoBorder) {
        shape.addToCairo(cr);
        cairo_set_line_width(cr, pick(own, reference, NodeStyle::BorderWidthMask).borderWidth());
        setSourceColor(cr, pick(own, reference, NodeStyle::StrokeColorMask).strokeColor().value_or(Color::black()));
        cairo_stroke(cr);
    }

    const NodeStyle& font = pick(own, reference, TextStyle::FontMask);
    drawSampleLetter(cr, font.fontStyle(), font.fontSize(), pick(own, reference, TextStyle::TextColorMask).textColor());
    return canvas.finish();
}

Image StylePresetsPreview::relationPresetImage(const RelationStyle& own, const RelationStyle* reference)
{
    PreviewCanvas canvas;
    cairo_t* cr = canvas.cr();

    Point start;
    Point end;
    switch (pick(own, reference, RelationStyle::PathStyleMask).relationPathStyle()) {
    case 0:
        start = {5, 27.5};
        end = {35, 12.5};
        cairo_move_to(cr, start.x, start.y);
        cairo_curve_to(cr, 17, 27.5, 23, 12.5, end.x, end.y);
        break;
    case 1:
        start = {5, 25};
        end = {35, 15};
        cairo_move_to(cr, start.x, start.y);
        cairo_line_to(cr, 20, 25);
        cairo_line_to(cr, 20, 15);
        cairo_line_to(cr, end.x, end.y);
        break;
    default:
        start = {5, 20};
        end = {35, 20};
        cairo_move_to(cr, start.x, start.y);
        cairo_line_to(cr, end.x, end.y);
        break;
    }
    const int32_t lineStyle = pick(own, reference, RelationStyle::LineStyleMask).lineStyle();
    const bool solid = lineStyle == 1 || lineStyle == 3;
    cairo_set_line_width(cr, pick(own, reference, RelationStyle::LineWidthMask).lineWidth());
    setSourceColor(cr, pick(own, reference, RelationStyle::ColorMask).color().value_or(Color::black()));
    if (!solid) {
        static const double dashes[] = {2, 2};
        cairo_set_dash(cr, dashes, 2, 0);
    }
    cairo_stroke(cr);

    cairo_set_dash(cr, nullptr, 0, 0);
    if (pick(own, reference, RelationStyle::SourceArrowMask).sourceArrowStyle() != 0) {
        strokeArrowHead(cr, start.x, start.x + 5, start.y);
    }
    if (pick(own, reference, RelationStyle::TargetArrowMask).targetArrowStyle() != 0) {
        strokeArrowHead(cr, end.x, end.x - 5, end.y);
    }
    return canvas.finish();
}
