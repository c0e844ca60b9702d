#include "platform/CairoGraphicsContext.h"

#include "platform/CairoGuard.h"
#include "platform/Image.h"
#include "platform/PangoTextMeasurer.h"
#include "platform/ShadowPixels.h"
#include "platform/TextLayoutCache.h"
#include "platform/VisibleStroke.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

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

bool isFinite(const AffineTransform& t)
{
    return std::isfinite(t.xx) && std::isfinite(t.yx) && std::isfinite(t.xy) && std::isfinite(t.yy) &&
        std::isfinite(t.x0) && std::isfinite(t.y0);
}

// cairo refuses a matrix it cannot invert and stays in error from then on.
bool isUsable(const AffineTransform& t)
{
    const double det = t.xx * t.yy - t.xy * t.yx;
    return isFinite(t) && std::isfinite(det) && det != 0;
}

bool withinDeviceRange(const Rect& r)
{
    const double limit = CairoGraphicsContext::MaxDeviceCoordinate;
    return std::isfinite(r.minX()) && std::isfinite(r.minY()) && std::isfinite(r.maxX()) && std::isfinite(r.maxY()) &&
        r.minX() >= -limit && r.maxX() <= limit && r.minY() >= -limit && r.maxY() <= limit;
}

} // namespace

CairoGraphicsContext::CairoGraphicsContext(cairo_t* cr, GraphicsSurfaceKind kind) : _cr(cr), _kind(kind)
{
}

CairoGraphicsContext::~CairoGraphicsContext()
{
    endShadow();
}

void CairoGraphicsContext::save()
{
    cairo_save(_cr);
    ++_saveDepth;
}

void CairoGraphicsContext::restore()
{
    if (_saveDepth == 0) return;
    // A shadow begun after the matching save ends with it, as the group it pushed must be popped
    // before the state beneath it.
    if (_shadowOn && _shadowDepth == _saveDepth) endShadow();
    cairo_restore(_cr);
    --_saveDepth;
}

void CairoGraphicsContext::translate(double dx, double dy)
{
    concat(AffineTransform::translation(dx, dy));
}

void CairoGraphicsContext::scale(double sx, double sy)
{
    concat(AffineTransform::scaling(sx, sy));
}

void CairoGraphicsContext::concat(const AffineTransform& t)
{
    if (!isUsable(t) || !isUsable(currentTransform().concatenating(t))) return;
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

bool CairoGraphicsContext::isDrawable(const BezierPath& path) const
{
    return !path.isEmpty() && std::isfinite(path.lineWidth()) &&
        withinDeviceRange(currentTransform().apply(path.controlPointBounds()));
}

bool CairoGraphicsContext::isDrawable(const Rect& rect) const
{
    return withinDeviceRange(currentTransform().apply(rect));
}

void CairoGraphicsContext::clipToRect(const Rect& r)
{
    cairo_new_path(_cr);
    if (isDrawable(r)) {
        cairo_rectangle(_cr, r.minX(), r.minY(), r.width(), r.height());
    } else {
        // A rectangle wider than cairo's range keeps the part cairo can hold; one that is not a
        // rectangle at all clips everything away.
        const Rect device = currentTransform().apply(r);
        const double limit = MaxDeviceCoordinate;
        if (std::isfinite(device.minX()) && std::isfinite(device.minY()) && std::isfinite(device.maxX()) &&
            std::isfinite(device.maxY())) {
            const double x0 = std::clamp(device.minX(), -limit, limit), x1 = std::clamp(device.maxX(), -limit, limit);
            const double y0 = std::clamp(device.minY(), -limit, limit), y1 = std::clamp(device.maxY(), -limit, limit);
            cairo_save(_cr);
            cairo_identity_matrix(_cr);
            cairo_rectangle(_cr, x0, y0, x1 - x0, y1 - y0);
            cairo_restore(_cr);
        }
    }
    cairo_clip(_cr);
}

void CairoGraphicsContext::clipToPath(const BezierPath& path, FillRule rule)
{
    cairo_new_path(_cr);
    if (isDrawable(path)) path.addToCairo(_cr);
    cairo_set_fill_rule(_cr, cairoRule(rule));
    cairo_clip(_cr);
}

void CairoGraphicsContext::setFlatness(double flatness)
{
    if (std::isfinite(flatness) && flatness > 0) cairo_set_tolerance(_cr, flatness);
}

void CairoGraphicsContext::fillPath(const BezierPath& path, const Color& color, FillRule rule)
{
    if (!isDrawable(path)) return;
    noteDrawn(path.controlPointBounds());
    cairo_new_path(_cr);
    path.addToCairo(_cr);
    cairo_set_fill_rule(_cr, cairoRule(rule));
    setSource(_cr, color);
    cairo_fill(_cr);
}

void CairoGraphicsContext::strokePath(const BezierPath& path, const StrokeStyle& style)
{
    if (!isDrawable(path) || path.lineWidth() < 0 || path.lineWidth() > MaxDeviceCoordinate) return;
    // cairo fails on a negative or non-finite dash, and on dashes that add up to nothing.
    double dashLength = 0;
    for (double d : style.dash) {
        if (!std::isfinite(d) || d < 0) return;
        dashLength += d;
    }
    const bool dashed = !style.dash.empty() && dashLength > 0;
    // Miter joins may reach further than half the width; a few widths cover the usual limit.
    noteDrawn(path.controlPointBounds(), path.lineWidth() * 5);
    cairo_set_line_cap(_cr, cairoCap(style.cap));
    setSource(_cr, style.color);
    const double phase = std::isfinite(style.dashPhase) ? style.dashPhase : 0;
    std::vector<StrokePiece> pieces;
    if (dashed && cutsStrokes() && cutDashedStrokeToArea(path, strokeArea(path), backendTransform(), pieces)) {
        // The pieces are what shows of the path; each starts its dashes where the path had them.
        // A solid line costs what the clip shows of it anyway: it is never cut, and so drawn to
        // the pixel as it always was.
        for (StrokePiece& piece : pieces) {
            piece.path.setLineWidth(path.lineWidth());
            piece.path.setLineJoinStyle(path.lineJoinStyle());
            cairo_new_path(_cr);
            piece.path.addToCairo(_cr);
            cairo_set_dash(_cr, style.dash.data(), int(style.dash.size()), phase + piece.dashPhase);
            cairo_stroke(_cr);
        }
    } else {
        cairo_new_path(_cr);
        path.addToCairo(_cr);
        cairo_set_dash(_cr, dashed ? style.dash.data() : nullptr, dashed ? int(style.dash.size()) : 0, phase);
        cairo_stroke(_cr);
    }
    cairo_set_dash(_cr, nullptr, 0, 0);
}

bool CairoGraphicsContext::cutsStrokes() const
{
    // Only pictures: vector output keeps its paths as they were drawn.
    return _kind == GraphicsSurfaceKind::Bitmap || _kind == GraphicsSurfaceKind::Screen;
}

Rect CairoGraphicsContext::strokeArea(const BezierPath& path) const
{
    double x1, y1, x2, y2;
    cairo_clip_extents(_cr, &x1, &y1, &x2, &y2);
    // A miter join reaches half the width times the miter limit beyond its corner; caps reach no
    // further. Two device pixels more keep the anti-aliased edge.
    const double width = path.lineWidth();
    const double reach = std::max(width / 2 * cairo_get_miter_limit(_cr), width) + 2 * userUnitsPerPixel();
    return Rect(x1 - reach, y1 - reach, x2 - x1 + 2 * reach, y2 - y1 + 2 * reach);
}

double CairoGraphicsContext::userUnitsPerPixel() const
{
    // The inverse of the transform's smallest stretch: the longest a pixel is in user space.
    const AffineTransform t = currentTransform();
    const double sum = t.xx * t.xx + t.yx * t.yx + t.xy * t.xy + t.yy * t.yy;
    const double det = std::abs(t.xx * t.yy - t.xy * t.yx);
    const double smallest = std::sqrt(std::max(0.0, (sum - std::sqrt(std::max(0.0, sum * sum - 4 * det * det))) / 2));
    return smallest > 0 ? 1 / smallest : 1;
}

AffineTransform CairoGraphicsContext::backendTransform() const
{
    // cairo rounds a path to its fixed-point grid in the coordinates of the surface's memory,
    // which a surface's own scale and offset (a HiDPI window, a group) lead to from device space.
    cairo_surface_t* target = cairo_get_group_target(_cr);
    double sx = 1, sy = 1, dx = 0, dy = 0;
    cairo_surface_get_device_scale(target, &sx, &sy);
    cairo_surface_get_device_offset(target, &dx, &dy);
    return AffineTransform{sx, 0, 0, sy, dx, dy}.concatenating(currentTransform());
}

void CairoGraphicsContext::fillPathWithLinearGradient(const BezierPath& path, const std::vector<GradientStop>& stops,
                                                      Point start, Point end)
{
    if (!isDrawable(path) || !std::isfinite(start.x) || !std::isfinite(start.y) || !std::isfinite(end.x) ||
        !std::isfinite(end.y))
        return;
    noteDrawn(path.controlPointBounds());
    cairo_pattern_t* pattern = cairo_pattern_create_linear(start.x, start.y, end.x, end.y);
    for (const GradientStop& stop : stops)
        if (std::isfinite(stop.location))
            cairo_pattern_add_color_stop_rgba(pattern, std::clamp(stop.location, 0.0, 1.0), stop.color.red(),
                                              stop.color.green(), stop.color.blue(), stop.color.alpha());
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_new_path(_cr);
    path.addToCairo(_cr);
    cairo_set_source(_cr, pattern);
    cairo_fill(_cr);
    cairo_pattern_destroy(pattern);
}

void CairoGraphicsContext::drawImage(const Image& image, const Rect& destination, double alpha)
{
    if (image.isNull() || destination.isEmpty() || !isDrawable(destination) || !std::isfinite(alpha)) return;
    noteDrawn(destination);
    cairo_save(_cr);
    cairo_translate(_cr, destination.minX(), destination.minY());
    cairo_scale(_cr, destination.width() / image.pixelWidth(), destination.height() / image.pixelHeight());
    cairo_set_source_surface(_cr, image.surface(), 0, 0);
    // Pictures are mostly shrunk into their frames; the default filter would alias them then.
    cairo_pattern_set_filter(cairo_get_source(_cr), CAIRO_FILTER_GOOD);
    cairo_paint_with_alpha(_cr, std::clamp(alpha, 0.0, 1.0));
    cairo_restore(_cr);
}

void CairoGraphicsContext::drawText(const AttributedString& text, Point origin, double wrapWidth)
{
    if (text.string().empty() || !isDrawable(Rect(origin, Size{})) || !std::isfinite(wrapWidth)) return;
    TextLayoutCache& cache = TextLayoutCache::forThisThread();
    const size_t made = cache.layoutsMade();
    // Only a window draws the same texts again and again; pictures and pages draw each once.
    const bool keep = _kind == GraphicsSurfaceKind::Screen && _textsKept < TextLayoutCache::KeptPerJob;
    PangoLayout* layout = cache.layoutFor(_cr, text, wrapWidth, keep);
    _textsKept += cache.layoutsMade() - made;
    if (_shadowGroup) {
        PangoRectangle ink, logical;
        pango_layout_get_extents(layout, &ink, &logical);
        const Rect inkRect(ink.x / double(PANGO_SCALE), ink.y / double(PANGO_SCALE), ink.width / double(PANGO_SCALE),
                           ink.height / double(PANGO_SCALE));
        noteDrawn(Rect(origin.x + inkRect.minX(), origin.y + inkRect.minY(), inkRect.width(), inkRect.height()), 1);
    }
    cairo_set_source_rgb(_cr, 0, 0, 0);
    cairo_move_to(_cr, origin.x, origin.y);
    pango_cairo_show_layout(_cr, layout);
    cairo_new_path(_cr);
}

std::string CairoGraphicsContext::linkAttributes(const std::string& uri, const Rect& rect)
{
    // cairo copies the URI into the PDF as a literal string without escaping it there: a
    // parenthesis or backslash would break the document, and bytes outside printable ASCII do not
    // belong in a URI anyway. Those are percent-encoded. Inside the quotes of a tag attribute only
    // a quote and a backslash are special to cairo; a quote is escaped with a backslash.
    static const char hex[] = "0123456789ABCDEF";
    std::string attributes = "uri='";
    for (unsigned char c : uri) {
        if (c <= 0x20 || c >= 0x7f || c == '(' || c == ')' || c == '\\') {
            attributes += '%';
            attributes += hex[c >> 4];
            attributes += hex[c & 15];
            continue;
        }
        if (c == '\'') attributes += '\\';
        attributes += char(c);
    }
    char numbers[160];
    std::snprintf(numbers, sizeof numbers, "' rect=[%.3f %.3f %.3f %.3f]", rect.minX(), rect.minY(), rect.width(),
                  rect.height());
    // The number format must not follow the locale: a decimal comma would end the array.
    for (char* p = numbers; *p; ++p)
        if (*p == ',') *p = '.';
    return attributes + numbers;
}

void CairoGraphicsContext::addLink(const std::string& uri, const Rect& rect)
{
    if (_kind != GraphicsSurfaceKind::Pdf || uri.empty() || rect.isEmpty() || !isDrawable(rect)) return;
    // The rectangle is given in device space with the identity transform, so it lands where it was
    // drawn whatever transform the job has set.
    const Rect device = currentTransform().apply(rect);
    cairo_save(_cr);
    cairo_identity_matrix(_cr);
    cairo_tag_begin(_cr, CAIRO_TAG_LINK, linkAttributes(uri, device).c_str());
    // cairo writes a link only onto a page where something was drawn inside its tag: a speck far
    // below what any output shows, yet above what cairo drops as drawing nothing.
    cairo_new_path(_cr);
    cairo_rectangle(_cr, device.midX(), device.midY(), 1.0 / 32, 1.0 / 32);
    cairo_set_source_rgba(_cr, 0, 0, 0, 1.0 / 128);
    cairo_fill(_cr);
    cairo_tag_end(_cr, CAIRO_TAG_LINK);
    cairo_restore(_cr);
}

void CairoGraphicsContext::beginShadow(const ShadowStyle& shadow)
{
    if (_shadowOn) endShadow();
    _shadowOn = true;
    _shadow = shadow;
    _shadowDepth = _saveDepth;
    // A blurred shadow can only be a picture. In PDF and PostScript output it would be one at a
    // fixed resolution beneath sharp vector shapes, large in the file and coarse in print: vector
    // output is drawn without shadows.
    _shadowGroup = _kind != GraphicsSurfaceKind::Pdf && _kind != GraphicsSurfaceKind::PostScript &&
        std::isfinite(shadow.offset.width) && std::isfinite(shadow.offset.height) && std::isfinite(shadow.blurRadius) &&
        shadow.color.alpha() > 0;
    _shadowDrawn = false;
    _shadowExtents = Rect();
    if (_shadowGroup) cairo_push_group(_cr);
}

void CairoGraphicsContext::noteDrawn(const Rect& userBounds, double userOutset)
{
    if (!_shadowGroup) return;
    const Rect device = currentTransform().apply(insetRect(userBounds, -userOutset, -userOutset));
    _shadowExtents = _shadowDrawn ? unionRect(_shadowExtents, device) : device;
    _shadowDrawn = true;
}

void CairoGraphicsContext::endShadow()
{
    if (!_shadowOn) return;
    _shadowOn = false;
    if (_shadowGroup) compositeShadow();
    _shadowGroup = false;
}

void CairoGraphicsContext::compositeShadow()
{
    cairo_pattern_t* group = cairo_pop_group(_cr);
    // Only what was drawn, as far as the clip lets it show, is blurred and painted back; the
    // device space of the group and of its parent are the same.
    double x1, y1, x2, y2;
    cairo_save(_cr);
    cairo_identity_matrix(_cr);
    cairo_clip_extents(_cr, &x1, &y1, &x2, &y2);
    cairo_restore(_cr);
    const Rect clip(x1, y1, x2 - x1, y2 - y1);
    const int k = std::max(1, int(std::lround(std::clamp(_shadow.blurRadius, 0.0, 100.0) / 2)));
    const double reach = 3 * k + std::max(std::abs(_shadow.offset.width), std::abs(_shadow.offset.height)) + 1;
    // What lies outside the clip by less than the shadow's reach may cast a shadow into it.
    const Rect drawn = intersectionRect(_shadowExtents, insetRect(clip, -reach, -reach));
    if (!_shadowDrawn || drawn.isEmpty()) {
        cairo_pattern_destroy(group);
        return;
    }
    // A wide blur loses nothing when worked at half the resolution, in a quarter of the time.
    const int reduction = k >= 2 ? 2 : 1;
    const int kReduced = std::max(1, k / reduction);
    const int margin = 3 * kReduced * reduction;
    const double left = std::floor(drawn.minX()) - margin, top = std::floor(drawn.minY()) - margin;
    const double width = std::ceil(drawn.maxX()) + margin - left, height = std::ceil(drawn.maxY()) + margin - top;
    const double reducedWidth = std::ceil(width / reduction), reducedHeight = std::ceil(height / reduction);
    if (reducedWidth <= Image::MaxSide && reducedHeight <= Image::MaxSide &&
        reducedWidth * reducedHeight <= double(Image::MaxPixelCount)) {
        if (!paintShadowOfImageLayer(group, clip, int(left), int(top), int(reducedWidth), int(reducedHeight), reduction,
                                     kReduced))
            paintShadowOfLayer(group, left, top, width, height, reduction, kReduced);
    }
    // The group holds nothing beyond what was drawn: painting only that spares the rest.
    cairo_save(_cr);
    cairo_matrix_t ctm;
    cairo_get_matrix(_cr, &ctm);
    cairo_identity_matrix(_cr);
    cairo_new_path(_cr);
    cairo_rectangle(_cr, std::floor(drawn.minX()), std::floor(drawn.minY()),
                    std::ceil(drawn.maxX()) - std::floor(drawn.minX()),
                    std::ceil(drawn.maxY()) - std::floor(drawn.minY()));
    cairo_set_matrix(_cr, &ctm);
    cairo_clip(_cr);
    cairo_set_source(_cr, group);
    cairo_paint(_cr);
    cairo_restore(_cr);
    cairo_pattern_destroy(group);
}

bool CairoGraphicsContext::paintShadowOfImageLayer(cairo_pattern_t* group, const Rect& clip, int left, int top,
                                                   int reducedWidth, int reducedHeight, int reduction, int k)
{
    // Worked by hand on the layer's pixels: cairo would filter the reduced layer into the target
    // with a general bilinear sampler, many times slower than masking with a mask of the target's
    // own pixel grid.
    cairo_surface_t* layer = nullptr;
    if (cairo_pattern_get_surface(group, &layer) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_get_type(layer) != CAIRO_SURFACE_TYPE_IMAGE ||
        cairo_image_surface_get_format(layer) != CAIRO_FORMAT_ARGB32)
        return false;
    double scaleX = 1, scaleY = 1, offsetX = 0, offsetY = 0;
    cairo_surface_get_device_scale(layer, &scaleX, &scaleY);
    cairo_surface_get_device_offset(layer, &offsetX, &offsetY);
    if (scaleX != 1 || scaleY != 1 || offsetX != std::floor(offsetX) || offsetY != std::floor(offsetY)) return false;

    // The layer's alpha reduced and blurred.
    std::vector<uint8_t> reduced(size_t(reducedWidth) * size_t(reducedHeight));
    cairo_surface_flush(layer);
    ShadowPixels::reduceAlpha(cairo_image_surface_get_data(layer), cairo_image_surface_get_width(layer),
                              cairo_image_surface_get_height(layer), cairo_image_surface_get_stride(layer),
                              left + int(offsetX), top + int(offsetY), reduction, reduced.data(), reducedWidth,
                              reducedHeight);
    ShadowPixels::blur(reduced.data(), reducedWidth, reducedHeight, reducedWidth, k);

    // The mask, in target pixels, where the moved shadow falls inside the clip.
    const double shadowLeft = left + _shadow.offset.width, shadowTop = top + _shadow.offset.height;
    const int x0 = int(std::floor(std::max(shadowLeft, clip.minX())));
    const int y0 = int(std::floor(std::max(shadowTop, clip.minY())));
    const int x1 = int(std::ceil(std::min(shadowLeft + reducedWidth * reduction, clip.maxX())));
    const int y1 = int(std::ceil(std::min(shadowTop + reducedHeight * reduction, clip.maxY())));
    if (x1 <= x0 || y1 <= y0) return true;
    const CairoSurface mask(cairo_image_surface_create(CAIRO_FORMAT_A8, x1 - x0, y1 - y0));
    if (cairo_surface_status(mask.get()) != CAIRO_STATUS_SUCCESS) return false;
    ShadowPixels::enlarge(reduced.data(), reducedWidth, reducedHeight, reduction, shadowLeft, shadowTop, x0, y0,
                          cairo_image_surface_get_data(mask.get()), x1 - x0, y1 - y0,
                          cairo_image_surface_get_stride(mask.get()));
    cairo_surface_mark_dirty(mask.get());

    cairo_save(_cr);
    cairo_identity_matrix(_cr);
    setSource(_cr, _shadow.color);
    cairo_mask_surface(_cr, mask.get(), x0, y0);
    cairo_restore(_cr);
    return true;
}

void CairoGraphicsContext::paintShadowOfLayer(cairo_pattern_t* group, double left, double top, double width,
                                              double height, int reduction, int k)
{
    const CairoSurface alpha(cairo_image_surface_create(CAIRO_FORMAT_A8, int(std::ceil(width / reduction)),
                                                        int(std::ceil(height / reduction))));
    const CairoContext cr(cairo_create(alpha.get()));
    cairo_matrix_t groupMatrix, identity;
    cairo_pattern_get_matrix(group, &groupMatrix);
    cairo_matrix_init_identity(&identity);
    cairo_pattern_set_matrix(group, &identity);
    cairo_scale(cr.get(), 1.0 / reduction, 1.0 / reduction);
    cairo_translate(cr.get(), -left, -top);
    // At exactly half the size a bilinear sample is the mean of four pixels; cairo's default
    // filter would convolve the whole layer for the same result.
    const cairo_filter_t groupFilter = cairo_pattern_get_filter(group);
    cairo_pattern_set_filter(group, CAIRO_FILTER_BILINEAR);
    cairo_set_source(cr.get(), group);
    cairo_paint(cr.get());
    cairo_pattern_set_filter(group, groupFilter);
    cairo_pattern_set_matrix(group, &groupMatrix);
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) return;
    cairo_surface_flush(alpha.get());
    ShadowPixels::blur(cairo_image_surface_get_data(alpha.get()), cairo_image_surface_get_width(alpha.get()),
                       cairo_image_surface_get_height(alpha.get()), cairo_image_surface_get_stride(alpha.get()), k);
    cairo_surface_mark_dirty(alpha.get());
    cairo_pattern_t* mask = cairo_pattern_create_for_surface(alpha.get());
    cairo_matrix_t toMask;
    cairo_matrix_init_scale(&toMask, 1.0 / reduction, 1.0 / reduction);
    cairo_matrix_translate(&toMask, -(left + _shadow.offset.width), -(top + _shadow.offset.height));
    cairo_pattern_set_matrix(mask, &toMask);
    cairo_pattern_set_filter(mask, CAIRO_FILTER_BILINEAR);
    cairo_save(_cr);
    cairo_identity_matrix(_cr);
    setSource(_cr, _shadow.color);
    cairo_mask(_cr, mask);
    cairo_restore(_cr);
    cairo_pattern_destroy(mask);
}

bool CairoGraphicsContext::hasFailed() const
{
    return cairo_status(_cr) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_status(cairo_get_target(_cr)) != CAIRO_STATUS_SUCCESS;
}

std::string CairoGraphicsContext::failureReason() const
{
    if (cairo_status(_cr) != CAIRO_STATUS_SUCCESS) return cairo_status_to_string(cairo_status(_cr));
    const cairo_status_t surfaceStatus = cairo_surface_status(cairo_get_target(_cr));
    return surfaceStatus != CAIRO_STATUS_SUCCESS ? cairo_status_to_string(surfaceStatus) : std::string();
}
