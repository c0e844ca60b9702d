#include "platform/CairoGraphicsContext.h"

#include "platform/Image.h"
#include "platform/PangoTextMeasurer.h"

#include <cairo.h>
#include <pango/pangocairo.h>

namespace {

void setSource(cairo_t* cr, const Color& c)
{
    cairo_set_source_rgba(cr, c.red(), c.green(), c.blue(), c.alpha());
}

cairo_fill_rule_t cairoRule(FillRule rule)
{
    return rule == FillRule::EvenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING;
}

cairo_line_cap_t cairoCap(LineCap cap)
{
    switch (cap) {
    case LineCap::Round:
        return CAIRO_LINE_CAP_ROUND;
    case LineCap::Square:
        return CAIRO_LINE_CAP_SQUARE;
    case LineCap::Butt:
        break;
    }
    return CAIRO_LINE_CAP_BUTT;
}

} // namespace

CairoGraphicsContext::CairoGraphicsContext(cairo_t* cr, GraphicsSurfaceKind kind) : _cr(cr), _kind(kind)
{
}

CairoGraphicsContext::~CairoGraphicsContext() = default;

void CairoGraphicsContext::save()
{
    cairo_save(_cr);
}

void CairoGraphicsContext::restore()
{
    cairo_restore(_cr);
}

void CairoGraphicsContext::translate(double dx, double dy)
{
    cairo_translate(_cr, dx, dy);
}

void CairoGraphicsContext::scale(double sx, double sy)
{
    cairo_scale(_cr, sx, sy);
}

void CairoGraphicsContext::concat(const AffineTransform& t)
{
    cairo_matrix_t m;
    cairo_matrix_init(&m, t.xx, t.yx, t.xy, t.yy, t.x0, t.y0);
    cairo_transform(_cr, &m);
}

AffineTransform CairoGraphicsContext::currentTransform() const
{
    cairo_matrix_t m;
    cairo_get_matrix(_cr, &m);
    return {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0};
}

void CairoGraphicsContext::clipToRect(const Rect& r)
{
    cairo_new_path(_cr);
    cairo_rectangle(_cr, r.minX(), r.minY(), r.width(), r.height());
    cairo_clip(_cr);
}

void CairoGraphicsContext::clipToPath(const BezierPath& path, FillRule rule)
{
    cairo_new_path(_cr);
    path.addToCairo(_cr);
    cairo_set_fill_rule(_cr, cairoRule(rule));
    cairo_clip(_cr);
}

void CairoGraphicsContext::setFlatness(double flatness)
{
    cairo_set_tolerance(_cr, flatness);
}

void CairoGraphicsContext::fillPath(const BezierPath& path, const Color& color, FillRule rule)
{
    cairo_new_path(_cr);
    path.addToCairo(_cr);
    cairo_set_fill_rule(_cr, cairoRule(rule));
    setSource(_cr, color);
    cairo_fill(_cr);
}

void CairoGraphicsContext::strokePath(const BezierPath& path, const StrokeStyle& style)
{
    cairo_new_path(_cr);
    path.addToCairo(_cr);
    cairo_set_line_cap(_cr, cairoCap(style.cap));
    cairo_set_dash(_cr, style.dash.empty() ? nullptr : style.dash.data(), int(style.dash.size()), style.dashPhase);
    setSource(_cr, style.color);
    cairo_stroke(_cr);
    cairo_set_dash(_cr, nullptr, 0, 0);
}

void CairoGraphicsContext::fillPathWithLinearGradient(const BezierPath& path, const std::vector<GradientStop>& stops,
                                                      Point start, Point end)
{
    cairo_pattern_t* pattern = cairo_pattern_create_linear(start.x, start.y, end.x, end.y);
    for (const GradientStop& stop : stops)
        cairo_pattern_add_color_stop_rgba(pattern, stop.location, stop.color.red(), stop.color.green(),
                                          stop.color.blue(), stop.color.alpha());
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_new_path(_cr);
    path.addToCairo(_cr);
    cairo_set_source(_cr, pattern);
    cairo_fill(_cr);
    cairo_pattern_destroy(pattern);
}

void CairoGraphicsContext::drawImage(const Image& image, const Rect& destination, double alpha)
{
    if (image.isNull() || destination.isEmpty()) return;
    cairo_save(_cr);
    cairo_translate(_cr, destination.minX(), destination.minY());
    cairo_scale(_cr, destination.width() / image.pixelWidth(), destination.height() / image.pixelHeight());
    cairo_set_source_surface(_cr, image.surface(), 0, 0);
    cairo_paint_with_alpha(_cr, alpha);
    cairo_restore(_cr);
}

void CairoGraphicsContext::drawText(const AttributedString& text, Point origin, double wrapWidth)
{
    PangoLayout* layout = pango_cairo_create_layout(_cr);
    PangoTextMeasurer::prepareContext(pango_layout_get_context(layout));
    pango_layout_context_changed(layout);
    PangoTextMeasurer::setUpLayout(layout, text, wrapWidth);
    cairo_set_source_rgb(_cr, 0, 0, 0);
    cairo_move_to(_cr, origin.x, origin.y);
    pango_cairo_show_layout(_cr, layout);
    g_object_unref(layout);
}

void CairoGraphicsContext::addLink(const std::string&, const Rect&)
{
    // PDF link rectangles come with the PDF export.
}

void CairoGraphicsContext::beginShadow(const ShadowStyle& shadow)
{
    _shadowOn = true;
    _shadow = shadow;
}

void CairoGraphicsContext::endShadow()
{
    _shadowOn = false;
}

bool CairoGraphicsContext::hasFailed() const
{
    return cairo_status(_cr) != CAIRO_STATUS_SUCCESS;
}

std::string CairoGraphicsContext::failureReason() const
{
    return hasFailed() ? cairo_status_to_string(cairo_status(_cr)) : std::string();
}
