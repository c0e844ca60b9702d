#include "platform/CairoGraphicsContext.h"

#include "platform/CairoGuard.h"
#include "platform/Image.h"
#include "platform/PangoTextMeasurer.h"
#include "platform/ShadowPixels.h"
#include "platform/ShadowSprites.h"
#include "platform/TextLayoutCache.h"
#include "platform/VisibleStroke.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>
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

// The layer this thread's shadows are drawn into on pictures. A group as large as a window is
// megabytes that cairo has the system hand over and clear for every shadow of every frame, which
// cost a third of a frame; a window's is kept, and cleared after each use. Those of other jobs
// (exports, prints, thumbnails on threads of their own), and any larger than a screen, are let go
// after each use.
struct KeptLayer {
    CairoSurface surface;
    int width = 0;
    int height = 0;
    // The part the running shadow may draw on, in the layer's pixels.
    int usedWidth = 0;
    int usedHeight = 0;
    // The device position of the layer's first pixel.
    int left = 0;
    int top = 0;
    bool inUse = false;
};

// Shadow layers are looked at in tiles of this many pixels a side: most of a window's layer holds
// nothing, and only tiles with something in them are blurred, painted back and cleared.
constexpr int LayerTile = 32;

// Occupied tiles gathered into rectangles of tiles: the runs along each row of tiles, a run
// joined to the one right above it when both span the same columns.
struct TileRun {
    int row;
    int rowEnd;
    int first;
    int end;
};

std::vector<TileRun> tileRuns(const std::vector<uint8_t>& tiles, int across)
{
    std::vector<TileRun> runs;
    if (across <= 0) return runs;
    const int down = int(tiles.size()) / across;
    std::vector<size_t> open, next; // the runs reaching down to the row above, and to this one
    for (int row = 0; row < down; ++row) {
        next.clear();
        const uint8_t* flags = tiles.data() + size_t(row) * size_t(across);
        for (int t = 0; t < across;) {
            if (!flags[t]) {
                ++t;
                continue;
            }
            const int first = t;
            while (t < across && flags[t]) ++t;
            auto above = std::find_if(open.begin(), open.end(),
                                      [&](size_t i) { return runs[i].first == first && runs[i].end == t; });
            if (above != open.end()) {
                ++runs[*above].rowEnd;
                next.push_back(*above);
            } else {
                runs.push_back({row, row + 1, first, t});
                next.push_back(runs.size() - 1);
            }
        }
        std::swap(open, next);
    }
    return runs;
}

void appendBytes(std::string& key, const void* data, size_t size)
{
    key.append(static_cast<const char*>(data), size);
}

void appendNumber(std::string& key, double value)
{
    appendBytes(key, &value, sizeof value);
}

void appendColorAlpha(std::string& key, const std::optional<Color>& color)
{
    appendNumber(key, color ? color->alpha() : -1.0);
}

// The path's points in a 256th of a device pixel, cairo's own grid, from the whole pixel (wholeX,
// wholeY): the same numbers there are the same pixels.
void appendDevicePath(std::string& key, const BezierPath& path, const AffineTransform& t, double wholeX, double wholeY)
{
    for (const BezierPath::Element& e : path.elements()) {
        appendNumber(key, double(e.type));
        const int points = e.type == BezierPath::ElementType::CurveTo ? 3
            : e.type == BezierPath::ElementType::ClosePath            ? 0
                                                                      : 1;
        for (int i = 0; i < points; ++i) {
            const Point device = t.apply(e.points[i]);
            const int64_t grid[2] = {std::llround((device.x - wholeX) * 256), std::llround((device.y - wholeY) * 256)};
            appendBytes(key, grid, sizeof grid);
        }
    }
}

// Dashed lines larger than this are stroked as they are: a window holds few of them, and their
// coverage would take the room of many small ones.
constexpr double MaxLineSpritePixels = 512.0 * 512.0;

// Finds the parts of a sprite's mask that hold anything, in tiles of this many pixels a side.
constexpr int SpriteTile = 16;

void findInkedBoxes(ShadowSprites::Sprite& sprite)
{
    cairo_surface_t* mask = sprite.mask.get();
    const int width = cairo_image_surface_get_width(mask), height = cairo_image_surface_get_height(mask);
    int across = 0;
    const std::vector<uint8_t> tiles =
        ShadowPixels::occupiedTiles(cairo_image_surface_get_data(mask), width, height,
                                    cairo_image_surface_get_stride(mask), 1, SpriteTile, 0, across);
    sprite.inked.clear();
    for (const TileRun& run : tileRuns(tiles, across)) {
        const int x0 = run.first * SpriteTile, y0 = run.row * SpriteTile;
        sprite.inked.push_back(
            {x0, y0, std::min(width, run.end * SpriteTile) - x0, std::min(height, run.rowEnd * SpriteTile) - y0});
    }
}

// Paints the sprite's mask in the colour with its first pixel at the device pixel (x, y), where
// it holds anything.
void paintSprite(cairo_t* cr, const ShadowSprites::Sprite& sprite, double x, double y, const Color& color)
{
    if (sprite.inked.empty()) return;
    cairo_save(cr);
    cairo_identity_matrix(cr);
    setSource(cr, color);
    // One mask for all the parts, painted only inside them.
    cairo_new_path(cr);
    for (const ShadowSprites::Sprite::Box& box : sprite.inked)
        cairo_rectangle(cr, x + box.x, y + box.y, box.width, box.height);
    cairo_clip(cr);
    cairo_mask_surface(cr, sprite.mask.get(), x, y);
    cairo_restore(cr);
}

constexpr double MaxKeptLayerPixels = 3840.0 * 2400.0;

// cairo's miter limit when none is set, which a shadow's layer strokes with.
constexpr double DefaultMiterLimit = 10.0;

KeptLayer& keptLayer()
{
    thread_local KeptLayer layer;
    return layer;
}

thread_local int layerKeepers = 0;

// Clears what the tiles hold, every other tile of the layer being clear already.
void clearKeptLayer(KeptLayer& layer, const std::vector<TileRun>& inked, bool keep)
{
    cairo_surface_t* surface = layer.surface.get();
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (const TileRun& run : inked) {
        const int x0 = run.first * LayerTile, x1 = std::min(layer.usedWidth, run.end * LayerTile);
        const int y0 = run.row * LayerTile, y1 = std::min(layer.usedHeight, run.rowEnd * LayerTile);
        for (int y = y0; y < y1; ++y) std::memset(data + ptrdiff_t(y) * stride + x0 * 4, 0, size_t(x1 - x0) * 4);
    }
    cairo_surface_mark_dirty(surface);
    if (!keep || double(layer.width) * layer.height > MaxKeptLayerPixels) {
        layer.surface.reset();
        layer.width = layer.height = 0;
    }
    layer.inUse = false;
}

} // namespace

CairoGraphicsContext::CairoGraphicsContext(cairo_t* cr, GraphicsSurfaceKind kind) : _cr(cr), _kind(kind)
{
}

CairoGraphicsContext::ShadowLayerKeeper::ShadowLayerKeeper()
{
    ++layerKeepers;
}

CairoGraphicsContext::ShadowLayerKeeper::~ShadowLayerKeeper()
{
    if (--layerKeepers > 0) return;
    KeptLayer& layer = keptLayer();
    if (layer.inUse) return;
    layer.surface.reset();
    layer.width = layer.height = 0;
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
    drawDeferredShapes();
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
    drawDeferredShapes();
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
    drawDeferredShapes();
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
    if (_shadowEachAlone) {
        castShadow(path, color, std::nullopt, _shadow);
        _deferred.push_back({path, color, rule, std::nullopt, currentTransform(), cairo_get_tolerance(_cr)});
        return;
    }
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
    if (_shadowEachAlone) {
        castStrokeShadow(path, style);
        _deferred.push_back(
            {path, std::nullopt, FillRule::Winding, style, currentTransform(), cairo_get_tolerance(_cr)});
        return;
    }
    // Miter joins may reach further than half the width; a few widths cover the usual limit.
    noteDrawn(path.controlPointBounds(), path.lineWidth() * 5);
    cairo_set_line_cap(_cr, cairoCap(style.cap));
    setSource(_cr, style.color);
    const double phase = std::isfinite(style.dashPhase) ? style.dashPhase : 0;
    std::vector<StrokePiece> pieces;
    bool cut = false;
    if (dashed && cutsStrokes()) {
        const Rect area = strokeArea(path);
        // A curved line is cut once cairo has flattened it: the same segments its dasher steps
        // through, so the dashes stay where they were, and a cross link running far beyond the
        // window no longer costs every dash of its length.
        const std::optional<BezierPath> flat = flattenedBeyond(path, area);
        cut = cutDashedStrokeToArea(flat ? *flat : path, area, backendTransform(), pieces);
    }
    if (dashed && !cut) pieces.push_back(StrokePiece{path, 0});
    for (StrokePiece& piece : pieces) {
        piece.path.setLineWidth(path.lineWidth());
        piece.path.setLineJoinStyle(path.lineJoinStyle());
    }
    if (dashed && strokeDashedFromSprite(pieces, style)) {
        // Drawn from the coverage kept for the very same pixels.
    } else if (cut) {
        // The pieces are what shows of the path; each starts its dashes where the path had them.
        // A solid line costs what the clip shows of it anyway: it is never cut, and so drawn to
        // the pixel as it always was.
        for (const StrokePiece& piece : pieces) {
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

bool CairoGraphicsContext::strokeDashedFromSprite(const std::vector<StrokePiece>& pieces, const StrokeStyle& style)
{
    if (pieces.empty()) return true; // nothing of the line shows
    Point whole;
    const ShadowSprites::Sprite* sprite = dashedLineSprite(pieces, style, whole);
    if (!sprite) return false;
    paintSprite(_cr, *sprite, whole.x + sprite->left, whole.y + sprite->top, style.color);
    return true;
}

const ShadowSprites::Sprite* CairoGraphicsContext::dashedLineSprite(const std::vector<StrokePiece>& pieces,
                                                                    const StrokeStyle& style, Point& whole)
{
    // Only a window draws the same lines frame after frame, and only where a pixel of the sprite
    // is a pixel of the target.
    if (_kind != GraphicsSurfaceKind::Screen || pieces.empty()) return nullptr;
    cairo_surface_t* target = cairo_get_group_target(_cr);
    double scaleX = 1, scaleY = 1, offsetX = 0, offsetY = 0;
    cairo_surface_get_device_scale(target, &scaleX, &scaleY);
    cairo_surface_get_device_offset(target, &offsetX, &offsetY);
    if (scaleX != 1 || scaleY != 1 || offsetX != std::floor(offsetX) || offsetY != std::floor(offsetY)) return nullptr;

    const AffineTransform t = currentTransform();
    const double width = pieces.front().path.lineWidth();
    const double miterLimit = cairo_get_miter_limit(_cr);
    // All the pen may reach beyond the path, in device pixels, and a pixel for the anti-aliased
    // edge.
    const double stretch = std::hypot(t.xx, t.yx) + std::hypot(t.xy, t.yy);
    const double outset = std::max(width / 2 * miterLimit, width) * stretch + 2;
    Rect bounds;
    for (const StrokePiece& piece : pieces) {
        const Rect device = t.apply(piece.path.controlPointBounds());
        bounds = &piece == &pieces.front() ? device : unionRect(bounds, device);
    }
    const Point anchor = t.apply(pieces.front().path.elements().front().points[0]);
    const double wholeX = std::floor(anchor.x), wholeY = std::floor(anchor.y);
    const double left = std::floor(bounds.minX() - outset - wholeX), top = std::floor(bounds.minY() - outset - wholeY);
    const double right = std::ceil(bounds.maxX() + outset - wholeX);
    const double bottom = std::ceil(bounds.maxY() + outset - wholeY);
    if (!((right - left) * (bottom - top) <= MaxLineSpritePixels)) return nullptr;

    const double tolerance = cairo_get_tolerance(_cr);
    const cairo_antialias_t antialias = cairo_get_antialias(_cr);
    const double phase = std::isfinite(style.dashPhase) ? style.dashPhase : 0;
    std::string key;
    key.reserve(128 + pieces.size() * 16 + pieces.front().path.elements().size() * 24);
    for (double v : {t.xx, t.yx, t.xy, t.yy, tolerance, miterLimit, double(antialias), width,
                     double(pieces.front().path.lineJoinStyle()), double(style.cap), phase, double(style.dash.size())})
        appendNumber(key, v);
    for (double d : style.dash) appendNumber(key, d);
    for (const StrokePiece& piece : pieces) {
        appendNumber(key, piece.dashPhase);
        appendNumber(key, double(piece.path.elements().size()));
        appendDevicePath(key, piece.path, t, wholeX, wholeY);
    }

    ShadowSprites& kept = ShadowSprites::linesForThisThread();
    const ShadowSprites::Sprite* sprite = kept.find(key);
    if (!sprite) {
        ShadowSprites::Sprite made;
        made.mask.reset(cairo_image_surface_create(CAIRO_FORMAT_A8, int(right - left), int(bottom - top)));
        if (cairo_surface_status(made.mask.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
        {
            const CairoContext cr(cairo_create(made.mask.get()));
            cairo_matrix_t m;
            cairo_matrix_init(&m, t.xx, t.yx, t.xy, t.yy, t.x0 - wholeX - left, t.y0 - wholeY - top);
            cairo_set_matrix(cr.get(), &m);
            cairo_set_tolerance(cr.get(), tolerance);
            cairo_set_miter_limit(cr.get(), miterLimit);
            cairo_set_antialias(cr.get(), antialias);
            cairo_set_line_cap(cr.get(), cairoCap(style.cap));
            // Each piece on its own, starting its dashes where the whole line has them there.
            for (const StrokePiece& piece : pieces) {
                cairo_new_path(cr.get());
                piece.path.addToCairo(cr.get());
                cairo_set_dash(cr.get(), style.dash.data(), int(style.dash.size()), phase + piece.dashPhase);
                cairo_stroke(cr.get());
            }
            if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
        }
        cairo_surface_flush(made.mask.get());
        made.left = int(left);
        made.top = int(top);
        made.bytes = size_t(cairo_image_surface_get_stride(made.mask.get())) * size_t(bottom - top);
        findInkedBoxes(made);
        sprite = &kept.keep(key, std::move(made));
    }
    whole = {wholeX, wholeY};
    return sprite;
}

std::optional<BezierPath> CairoGraphicsContext::flattenedBeyond(const BezierPath& path, const Rect& area) const
{
    const std::vector<BezierPath::Element>& elements = path.elements();
    const bool curved = std::any_of(elements.begin(), elements.end(), [](const BezierPath::Element& e) {
        return e.type == BezierPath::ElementType::CurveTo;
    });
    if (!curved || containsRect(area, path.controlPointBounds())) return std::nullopt;
    cairo_new_path(_cr);
    path.addToCairo(_cr);
    cairo_path_t* flat = cairo_copy_path_flat(_cr);
    cairo_new_path(_cr);
    std::optional<BezierPath> lines;
    if (flat->status == CAIRO_STATUS_SUCCESS) {
        lines.emplace();
        for (int i = 0; i < flat->num_data; i += flat->data[i].header.length) {
            const cairo_path_data_t& data = flat->data[i];
            switch (data.header.type) {
            case CAIRO_PATH_MOVE_TO:
                lines->moveTo({flat->data[i + 1].point.x, flat->data[i + 1].point.y});
                break;
            case CAIRO_PATH_LINE_TO:
                lines->lineTo({flat->data[i + 1].point.x, flat->data[i + 1].point.y});
                break;
            case CAIRO_PATH_CLOSE_PATH:
                lines->closePath();
                break;
            case CAIRO_PATH_CURVE_TO:
                // Never in a flattened path; the curve is kept rather than lost.
                lines.reset();
                break;
            }
            if (!lines) break;
        }
    }
    cairo_path_destroy(flat);
    if (lines) {
        lines->setLineWidth(path.lineWidth());
        lines->setLineJoinStyle(path.lineJoinStyle());
    }
    return lines;
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
    drawDeferredShapes();
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
    drawDeferredShapes();
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
    drawDeferredShapes();
    if (text.string().empty() || !isDrawable(Rect(origin, Size{})) || !std::isfinite(wrapWidth)) return;
    TextLayoutCache& cache = TextLayoutCache::forThisThread();
    const size_t made = cache.layoutsMade();
    // Only a window draws the same texts again and again; pictures and pages draw each once.
    const bool keep = _kind == GraphicsSurfaceKind::Screen && _textsKept < TextLayoutCache::KeptPerJob;
    PangoLayout* layout = cache.layoutFor(text, wrapWidth, keep);
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
    drawDeferredShapes();
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
    const bool casts = _kind != GraphicsSurfaceKind::Pdf && _kind != GraphicsSurfaceKind::PostScript &&
        std::isfinite(shadow.offset.width) && std::isfinite(shadow.offset.height) && std::isfinite(shadow.blurRadius) &&
        shadow.color.alpha() > 0;
    _shadowEachAlone = casts && shadow.eachShapeAlone;
    _shadowGroup = casts && !_shadowEachAlone;
    _shadowDrawn = false;
    _shadowExtents = Rect();
    if (_shadowGroup && !beginKeptLayer()) cairo_push_group(_cr);
}

bool CairoGraphicsContext::beginKeptLayer()
{
    cairo_surface_t* target = cairo_get_group_target(_cr);
    if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE) return false;
    double scaleX = 1, scaleY = 1;
    cairo_surface_get_device_scale(target, &scaleX, &scaleY);
    KeptLayer& layer = keptLayer();
    if (scaleX != 1 || scaleY != 1 || layer.inUse) return false;

    // The layer covers the clip, and is clipped as the target is: a group would be the same.
    double x1, y1, x2, y2;
    cairo_save(_cr);
    cairo_identity_matrix(_cr);
    cairo_clip_extents(_cr, &x1, &y1, &x2, &y2);
    cairo_rectangle_list_t* clip = cairo_copy_clip_rectangle_list(_cr);
    cairo_restore(_cr);
    const double left = std::floor(x1), top = std::floor(y1);
    const double width = std::ceil(x2) - left, height = std::ceil(y2) - top;
    const bool fits = clip->status == CAIRO_STATUS_SUCCESS && width >= 1 && height >= 1 &&
        width * height <= double(Image::MaxPixelCount) && width <= Image::MaxSide && height <= Image::MaxSide;
    if (!fits) {
        cairo_rectangle_list_destroy(clip);
        return false;
    }
    if (layer.width < width || layer.height < height) {
        const int newWidth = std::max(layer.width, int(width)), newHeight = std::max(layer.height, int(height));
        layer.surface.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, newWidth, newHeight));
        const bool made = cairo_surface_status(layer.surface.get()) == CAIRO_STATUS_SUCCESS;
        layer.width = made ? newWidth : 0;
        layer.height = made ? newHeight : 0;
        if (!made) {
            layer.surface.reset();
            cairo_rectangle_list_destroy(clip);
            return false;
        }
    }
    layer.usedWidth = int(width);
    layer.usedHeight = int(height);
    layer.left = int(left);
    layer.top = int(top);
    layer.inUse = true;
    cairo_surface_set_device_offset(layer.surface.get(), -left, -top);

    cairo_t* cr = cairo_create(layer.surface.get());
    for (int i = 0; i < clip->num_rectangles; ++i) {
        const cairo_rectangle_t& r = clip->rectangles[i];
        cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    }
    cairo_clip(cr);
    cairo_rectangle_list_destroy(clip);
    cairo_matrix_t matrix;
    cairo_get_matrix(_cr, &matrix);
    cairo_set_matrix(cr, &matrix);
    cairo_set_tolerance(cr, cairo_get_tolerance(_cr));
    cairo_set_antialias(cr, cairo_get_antialias(_cr));
    cairo_set_fill_rule(cr, cairo_get_fill_rule(_cr));
    cairo_set_line_width(cr, cairo_get_line_width(_cr));
    cairo_set_line_cap(cr, cairo_get_line_cap(_cr));
    cairo_set_line_join(cr, cairo_get_line_join(_cr));
    cairo_set_miter_limit(cr, cairo_get_miter_limit(_cr));
    _outerCr = _cr;
    _cr = cr;
    return true;
}

cairo_pattern_t* CairoGraphicsContext::endKeptLayer()
{
    if (cairo_status(_cr) != CAIRO_STATUS_SUCCESS && _layerStatus == CAIRO_STATUS_SUCCESS)
        _layerStatus = cairo_status(_cr);
    cairo_destroy(_cr);
    _cr = _outerCr;
    _outerCr = nullptr;
    cairo_surface_t* surface = keptLayer().surface.get();
    cairo_surface_flush(surface);
    // As cairo hands back a group: its pattern space is the device space of the current transform.
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(surface);
    cairo_matrix_t matrix;
    cairo_get_matrix(_cr, &matrix);
    cairo_pattern_set_matrix(pattern, &matrix);
    return pattern;
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
    _shadowEachAlone = false;
    drawDeferredShapes();
}

void CairoGraphicsContext::drawDeferredShapes()
{
    if (_deferred.empty()) return;
    const bool eachAlone = std::exchange(_shadowEachAlone, false);
    const std::vector<DeferredShape> shapes = std::exchange(_deferred, {});
    for (const DeferredShape& shape : shapes) {
        cairo_save(_cr);
        cairo_matrix_t m;
        cairo_matrix_init(&m, shape.transform.xx, shape.transform.yx, shape.transform.xy, shape.transform.yy,
                          shape.transform.x0, shape.transform.y0);
        cairo_set_matrix(_cr, &m);
        cairo_set_tolerance(_cr, shape.tolerance);
        if (shape.fill) fillPath(shape.path, *shape.fill, shape.rule);
        else if (shape.stroke) strokePath(shape.path, *shape.stroke);
        cairo_restore(_cr);
    }
    _shadowEachAlone = eachAlone;
}

const ShadowSprites::Sprite* CairoGraphicsContext::lineCoverageForShadow(const BezierPath& path,
                                                                         const StrokeStyle& style)
{
    // Only a whole dashed line, as the window will stroke it uncut, opaque, and with the pen a
    // shadow's layer strokes with: cairo's own miter limit and anti-aliasing.
    double dashLength = 0;
    for (double d : style.dash) dashLength += d;
    if (!(dashLength > 0) || style.color.alpha() != 1 || !std::isfinite(style.dashPhase) || !(path.lineWidth() > 0) ||
        cairo_get_miter_limit(_cr) != DefaultMiterLimit || cairo_get_antialias(_cr) != CAIRO_ANTIALIAS_DEFAULT)
        return nullptr;
    const Rect bounds = path.controlPointBounds(), area = strokeArea(path);
    if (bounds.minX() < area.minX() || bounds.maxX() > area.maxX() || bounds.minY() < area.minY() ||
        bounds.maxY() > area.maxY())
        return nullptr;
    Point whole;
    const ShadowSprites::Sprite* sprite = dashedLineSprite({StrokePiece{path, 0}}, style, whole);
    // The shadow counts its pixels from the same whole pixel, that of the path's first point.
    const Point anchor = currentTransform().apply(path.elements().front().points[0]);
    return sprite && whole.x == std::floor(anchor.x) && whole.y == std::floor(anchor.y) ? sprite : nullptr;
}

void CairoGraphicsContext::castStrokeShadow(const BezierPath& path, const StrokeStyle& style)
{
    // How far a shadow falls from what casts it, as castShadow blurs it, in user space: a line
    // running far beyond the window casts only the shadow of the part that can show.
    const double k = std::max(1.0, std::round(std::clamp(_shadow.blurRadius, 0.0, 100.0) / 2));
    const double reach =
        (3 * k + std::max(std::abs(_shadow.offset.width), std::abs(_shadow.offset.height)) + 2) * userUnitsPerPixel();
    const Rect area = insetRect(strokeArea(path), -reach, -reach);
    const std::optional<BezierPath> flat = flattenedBeyond(path, area);
    std::vector<StrokePiece> pieces;
    if (!cutDashedStrokeToArea(flat ? *flat : path, area, backendTransform(), pieces)) {
        castShadowOf(path, std::nullopt, style, _shadow, lineCoverageForShadow(path, style));
        return;
    }
    for (StrokePiece& piece : pieces) {
        piece.path.setLineWidth(path.lineWidth());
        piece.path.setLineJoinStyle(path.lineJoinStyle());
        StrokeStyle pieceStyle = style;
        pieceStyle.dashPhase = (std::isfinite(style.dashPhase) ? style.dashPhase : 0) + piece.dashPhase;
        castShadow(piece.path, std::nullopt, pieceStyle, _shadow);
    }
}

void CairoGraphicsContext::compositeShadow()
{
    const bool kept = _outerCr != nullptr;
    cairo_pattern_t* group = kept ? endKeptLayer() : cairo_pop_group(_cr);
    if (!kept) {
        compositeShadowOfGroup(group, nullptr);
        cairo_pattern_destroy(group);
        return;
    }
    // Where the kept layer holds anything, in device space: all else of it is clear. Nothing
    // drawn, it is clear throughout and not looked at.
    KeptLayer& layer = keptLayer();
    std::vector<TileRun> runs;
    if (_shadowDrawn) {
        int across = 0;
        const std::vector<uint8_t> tiles = ShadowPixels::occupiedTiles(
            cairo_image_surface_get_data(layer.surface.get()), layer.usedWidth, layer.usedHeight,
            cairo_image_surface_get_stride(layer.surface.get()), 4, LayerTile, 0, across);
        runs = tileRuns(tiles, across);
    }
    std::vector<Rect> inked;
    inked.reserve(runs.size());
    for (const TileRun& run : runs) {
        const double x0 = layer.left + run.first * LayerTile, y0 = layer.top + run.row * LayerTile;
        const double x1 = std::min(double(layer.left + layer.usedWidth), layer.left + double(run.end) * LayerTile);
        const double y1 = std::min(double(layer.top + layer.usedHeight), layer.top + double(run.rowEnd) * LayerTile);
        inked.emplace_back(x0, y0, x1 - x0, y1 - y0);
    }
    if (!inked.empty()) compositeShadowOfGroup(group, &inked);
    cairo_pattern_destroy(group);
    // Only a window draws frame after frame: pictures and pages of other threads let theirs go,
    // unless more jobs of the same picture follow.
    clearKeptLayer(layer, runs, _kind == GraphicsSurfaceKind::Screen || layerKeepers > 0);
}

void CairoGraphicsContext::compositeShadowOfGroup(cairo_pattern_t* group, const std::vector<Rect>* inked)
{
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
    if (!_shadowDrawn || drawn.isEmpty()) return;
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
                                     kReduced, inked))
            paintShadowOfLayer(group, left, top, width, height, reduction, kReduced);
    }
    // The group holds nothing beyond what was drawn: painting only that spares the rest.
    cairo_save(_cr);
    cairo_matrix_t ctm;
    cairo_get_matrix(_cr, &ctm);
    cairo_identity_matrix(_cr);
    cairo_new_path(_cr);
    const Rect painted(std::floor(drawn.minX()), std::floor(drawn.minY()),
                       std::ceil(drawn.maxX()) - std::floor(drawn.minX()),
                       std::ceil(drawn.maxY()) - std::floor(drawn.minY()));
    if (!inked) cairo_rectangle(_cr, painted.minX(), painted.minY(), painted.width(), painted.height());
    else
        for (const Rect& tile : *inked) {
            const Rect part = intersectionRect(tile, painted);
            if (!part.isEmpty()) cairo_rectangle(_cr, part.minX(), part.minY(), part.width(), part.height());
        }
    cairo_set_matrix(_cr, &ctm);
    cairo_clip(_cr);
    cairo_set_source(_cr, group);
    cairo_paint(_cr);
    cairo_restore(_cr);
}

bool CairoGraphicsContext::paintShadowOfImageLayer(cairo_pattern_t* group, const Rect& clip, int left, int top,
                                                   int reducedWidth, int reducedHeight, int reduction, int k,
                                                   const std::vector<Rect>* inked)
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

    // The layer's alpha reduced and blurred; where the layer is known to be clear, so is the
    // reduced layer, and the layer is not read there.
    std::vector<uint8_t> reduced(size_t(reducedWidth) * size_t(reducedHeight));
    cairo_surface_flush(layer);
    auto reduce = [&](int i0, int j0, int i1, int j1) {
        if (i1 <= i0 || j1 <= j0) return;
        ShadowPixels::reduceAlpha(cairo_image_surface_get_data(layer), cairo_image_surface_get_width(layer),
                                  cairo_image_surface_get_height(layer), cairo_image_surface_get_stride(layer),
                                  left + i0 * reduction + int(offsetX), top + j0 * reduction + int(offsetY), reduction,
                                  reduced.data() + ptrdiff_t(j0) * reducedWidth + i0, i1 - i0, j1 - j0, reducedWidth);
    };
    if (!inked) reduce(0, 0, reducedWidth, reducedHeight);
    else
        for (const Rect& r : *inked) {
            auto index = [&](double v, double origin, int size, bool up) {
                const double i = (v - origin) / reduction;
                return int(std::clamp(up ? std::ceil(i) : std::floor(i), 0.0, double(size)));
            };
            reduce(index(r.minX(), left, reducedWidth, false), index(r.minY(), top, reducedHeight, false),
                   index(r.maxX(), left, reducedWidth, true), index(r.maxY(), top, reducedHeight, true));
        }
    ShadowPixels::blur(reduced.data(), reducedWidth, reducedHeight, reducedWidth, k);

    // The mask, in target pixels, where the moved shadow falls inside the clip.
    const double shadowLeft = left + _shadow.offset.width, shadowTop = top + _shadow.offset.height;
    const int x0 = int(std::floor(std::max(shadowLeft, clip.minX())));
    const int y0 = int(std::floor(std::max(shadowTop, clip.minY())));
    const int x1 = int(std::ceil(std::min(shadowLeft + reducedWidth * reduction, clip.maxX())));
    const int y1 = int(std::ceil(std::min(shadowTop + reducedHeight * reduction, clip.maxY())));
    if (x1 <= x0 || y1 <= y0) return true;
    // Only the tiles of the blurred layer that hold anything, and those next to them (a target
    // pixel samples the layer's pixels round it), are masked. A tile's target pixels run from its
    // left edge rounded down to the next tile's, so that no pixel is masked twice.
    constexpr int ReducedTile = 16;
    int across = 0;
    const std::vector<uint8_t> tiles = ShadowPixels::occupiedTiles(reduced.data(), reducedWidth, reducedHeight,
                                                                   reducedWidth, 1, ReducedTile, 2, across);
    const size_t runsTiles = tiles.size();
    const std::vector<TileRun> runs = tileRuns(tiles, across);
    const double span = double(ReducedTile) * reduction;
    std::vector<uint8_t> pixels;
    cairo_save(_cr);
    cairo_identity_matrix(_cr);
    setSource(_cr, _shadow.color);
    for (const TileRun& run : runs) {
        // The last tiles reach to the end of the mask, past which a pixel still samples the layer.
        const int maskLeft = std::max(x0, int(std::floor(shadowLeft + run.first * span)));
        const int maskRight = run.end == across ? x1 : std::min(x1, int(std::floor(shadowLeft + run.end * span)));
        const int maskTop = std::max(y0, int(std::floor(shadowTop + run.row * span)));
        const int maskBottom =
            run.rowEnd * across == int(runsTiles) ? y1 : std::min(y1, int(std::floor(shadowTop + run.rowEnd * span)));
        if (maskRight <= maskLeft || maskBottom <= maskTop) continue;
        const int width = maskRight - maskLeft, height = maskBottom - maskTop;
        const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_A8, width);
        pixels.resize(size_t(stride) * size_t(height));
        ShadowPixels::enlarge(reduced.data(), reducedWidth, reducedHeight, reduction, shadowLeft, shadowTop, maskLeft,
                              maskTop, pixels.data(), width, height, stride);
        const CairoSurface mask(
            cairo_image_surface_create_for_data(pixels.data(), CAIRO_FORMAT_A8, width, height, stride));
        cairo_mask_surface(_cr, mask.get(), maskLeft, maskTop);
        cairo_surface_finish(mask.get());
    }
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

void CairoGraphicsContext::castShadow(const BezierPath& path, const std::optional<Color>& fill,
                                      const std::optional<StrokeStyle>& stroke, const ShadowStyle& shadow)
{
    castShadowOf(path, fill, stroke, shadow, nullptr);
}

void CairoGraphicsContext::castShadowOf(const BezierPath& path, const std::optional<Color>& fill,
                                        const std::optional<StrokeStyle>& stroke, const ShadowStyle& shadow,
                                        const ShadowSprites::Sprite* lineCoverage)
{
    if (_kind == GraphicsSurfaceKind::Pdf || _kind == GraphicsSurfaceKind::PostScript) return;
    if (!std::isfinite(shadow.offset.width) || !std::isfinite(shadow.offset.height) ||
        std::abs(shadow.offset.width) > MaxDeviceCoordinate || std::abs(shadow.offset.height) > MaxDeviceCoordinate ||
        !std::isfinite(shadow.blurRadius) || !(shadow.color.alpha() > 0) || !isDrawable(path))
        return;
    const bool fills = fill && fill->alpha() > 0;
    bool strokes = stroke && stroke->color.alpha() > 0 && path.lineWidth() > 0 &&
        path.lineWidth() <= MaxDeviceCoordinate && std::isfinite(stroke->dashPhase);
    double dashLength = 0;
    if (strokes)
        for (double d : stroke->dash) {
            if (!std::isfinite(d) || d < 0) strokes = false;
            dashLength += d;
        }
    if (!fills && !strokes) return;
    const bool dashed = strokes && !stroke->dash.empty() && dashLength > 0;

    // As a shadow layer would blur it: the same radius, worked at half the resolution when wide.
    const int k = std::max(1, int(std::lround(std::clamp(shadow.blurRadius, 0.0, 100.0) / 2)));
    const int reduction = k >= 2 ? 2 : 1;
    const int kReduced = std::max(1, k / reduction);
    const int margin = 3 * kReduced * reduction;

    const AffineTransform t = currentTransform();
    const Rect ink = t.apply(insetRect(path.controlPointBounds(), strokes ? -path.lineWidth() * 5 : -1,
                                       strokes ? -path.lineWidth() * 5 : -1));
    double x1, y1, x2, y2;
    cairo_save(_cr);
    cairo_identity_matrix(_cr);
    cairo_clip_extents(_cr, &x1, &y1, &x2, &y2);
    cairo_restore(_cr);
    const Rect reach = insetRect(ink, -margin - 2, -margin - 2);
    const Rect fallsOn(reach.minX() + shadow.offset.width, reach.minY() + shadow.offset.height, reach.width(),
                       reach.height());
    if (!intersectsRect(fallsOn, Rect(x1, y1, x2 - x1, y2 - y1))) return;
    const double extent = std::max(reach.width(), reach.height());
    if (!(extent <= Image::MaxSide && reach.width() * reach.height() <= double(Image::MaxPixelCount))) return;

    // The sprite is kept for the shape's place within the whole pixel its first point lies in, so
    // that the same shape anywhere else finds it again. Its points are told apart in a 256th of a
    // device pixel, cairo's own grid: the same numbers there are the same pixels.
    const Point anchor = t.apply(path.elements().front().points[0]);
    const double wholeX = std::floor(anchor.x), wholeY = std::floor(anchor.y);
    const double tolerance = cairo_get_tolerance(_cr);
    double surfaceScaleX = 1, surfaceScaleY = 1;
    cairo_surface_get_device_scale(cairo_get_group_target(_cr), &surfaceScaleX, &surfaceScaleY);

    std::string key;
    key.reserve(160 + path.elements().size() * 56);
    for (double v : {t.xx, t.yx, t.xy, t.yy, surfaceScaleX, surfaceScaleY, tolerance, shadow.offset.width,
                     shadow.offset.height, double(k), path.lineWidth(), double(path.lineJoinStyle())})
        appendNumber(key, v);
    appendColorAlpha(key, fills ? fill : std::nullopt);
    appendColorAlpha(key, strokes ? std::optional<Color>(stroke->color) : std::nullopt);
    if (strokes) {
        appendNumber(key, double(stroke->cap));
        appendNumber(key, dashed ? stroke->dashPhase : 0.0);
        if (dashed)
            for (double d : stroke->dash) appendNumber(key, d);
    }
    appendDevicePath(key, path, t, wholeX, wholeY);

    // Only a window draws the same shapes again and again; pictures and pages make each for once.
    ShadowSprites* kept = _kind == GraphicsSurfaceKind::Screen ? &ShadowSprites::forThisThread() : nullptr;
    const ShadowSprites::Sprite* sprite = kept ? kept->find(key) : nullptr;
    ShadowSprites::Sprite made;
    if (!sprite) {
        // The shape drawn as it would be into a layer, its pixels counted from the whole pixel of
        // its first point.
        const double left = std::floor(ink.minX() - wholeX) - margin, top = std::floor(ink.minY() - wholeY) - margin;
        const int width = int(std::ceil(ink.maxX() - wholeX) + margin - left);
        const int height = int(std::ceil(ink.maxY() - wholeY) + margin - top);
        const int reducedWidth = (width + reduction - 1) / reduction,
                  reducedHeight = (height + reduction - 1) / reduction;
        std::vector<uint8_t> reduced(size_t(reducedWidth) * size_t(reducedHeight));
        if (lineCoverage && !fills && strokes && stroke->color.alpha() == 1) {
            // The layer would hold the line's own coverage over exactly its own pixels: that is
            // read instead of stroked anew, clear beyond the layer as the layer is.
            cairo_surface_t* mask = lineCoverage->mask.get();
            const int x0 = int(left) - lineCoverage->left, y0 = int(top) - lineCoverage->top;
            ShadowPixels::reduceCoverage(
                cairo_image_surface_get_data(mask), std::clamp(x0 + width, 0, cairo_image_surface_get_width(mask)),
                std::clamp(y0 + height, 0, cairo_image_surface_get_height(mask)), cairo_image_surface_get_stride(mask),
                x0, y0, reduction, reduced.data(), reducedWidth, reducedHeight, reducedWidth);
        } else {
            // Only the shape's alpha is wanted, which cairo draws the same into A8 as into the
            // alpha of ARGB32, in a quarter of the memory.
            const CairoSurface layer(cairo_image_surface_create(CAIRO_FORMAT_A8, width, height));
            if (cairo_surface_status(layer.get()) != CAIRO_STATUS_SUCCESS) return;
            {
                const CairoContext cr(cairo_create(layer.get()));
                cairo_matrix_t m;
                cairo_matrix_init(&m, t.xx, t.yx, t.xy, t.yy, t.x0 - wholeX - left, t.y0 - wholeY - top);
                cairo_set_matrix(cr.get(), &m);
                cairo_set_tolerance(cr.get(), tolerance);
                if (fills) {
                    path.addToCairo(cr.get());
                    cairo_set_source_rgba(cr.get(), 0, 0, 0, fill->alpha());
                    cairo_fill(cr.get());
                }
                if (strokes) {
                    path.addToCairo(cr.get());
                    cairo_set_source_rgba(cr.get(), 0, 0, 0, stroke->color.alpha());
                    cairo_set_line_cap(cr.get(), cairoCap(stroke->cap));
                    cairo_set_dash(cr.get(), dashed ? stroke->dash.data() : nullptr,
                                   dashed ? int(stroke->dash.size()) : 0, stroke->dashPhase);
                    cairo_stroke(cr.get());
                }
                if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) return;
            }
            cairo_surface_flush(layer.get());
            ShadowPixels::reduceCoverage(cairo_image_surface_get_data(layer.get()), width, height,
                                         cairo_image_surface_get_stride(layer.get()), 0, 0, reduction, reduced.data(),
                                         reducedWidth, reducedHeight, reducedWidth);
        }
        ShadowPixels::blur(reduced.data(), reducedWidth, reducedHeight, reducedWidth, kReduced);
        // Moved by the offset onto the target's pixel grid.
        const double originX = left + shadow.offset.width, originY = top + shadow.offset.height;
        const int maskLeft = int(std::floor(originX)), maskTop = int(std::floor(originY));
        const int maskWidth = int(std::ceil(originX + double(reducedWidth) * reduction)) - maskLeft;
        const int maskHeight = int(std::ceil(originY + double(reducedHeight) * reduction)) - maskTop;
        made.mask.reset(cairo_image_surface_create(CAIRO_FORMAT_A8, maskWidth, maskHeight));
        if (cairo_surface_status(made.mask.get()) != CAIRO_STATUS_SUCCESS) return;
        cairo_surface_flush(made.mask.get());
        const int stride = cairo_image_surface_get_stride(made.mask.get());
        ShadowPixels::enlarge(reduced.data(), reducedWidth, reducedHeight, reduction, originX, originY, maskLeft,
                              maskTop, cairo_image_surface_get_data(made.mask.get()), maskWidth, maskHeight, stride);
        cairo_surface_mark_dirty(made.mask.get());
        made.left = maskLeft;
        made.top = maskTop;
        made.bytes = size_t(stride) * size_t(maskHeight);
        findInkedBoxes(made);
        sprite = kept ? &kept->keep(key, std::move(made)) : &made;
    }
    paintSprite(_cr, *sprite, wholeX + sprite->left, wholeY + sprite->top, shadow.color);
}

bool CairoGraphicsContext::hasFailed() const
{
    return !failureReason().empty();
}

std::string CairoGraphicsContext::failureReason() const
{
    // A shadow's layer fails for the context too: what it held is part of the output.
    for (cairo_t* cr : {_cr, _outerCr})
        if (cr && cairo_status(cr) != CAIRO_STATUS_SUCCESS) return cairo_status_to_string(cairo_status(cr));
    if (_layerStatus != CAIRO_STATUS_SUCCESS) return cairo_status_to_string(cairo_status_t(_layerStatus));
    cairo_t* own = _outerCr ? _outerCr : _cr;
    const cairo_status_t surfaceStatus = cairo_surface_status(cairo_get_target(own));
    return surfaceStatus != CAIRO_STATUS_SUCCESS ? cairo_status_to_string(surfaceStatus) : std::string();
}
