#include "render/CustomStylePreview.h"

#include "MindMaps/RelationStyle.h"
#include "Utils/BezierPathShapes.h"
#include "platform/CairoGuard.h"
#include "platform/ShadowPixels.h"
#include "render/CloudShape.h"

#include <pango/pangocairo.h>

#include <cmath>
#include <optional>

namespace {

// Shadows fall 4 points right and 4 down; three box passes of radius 1 come close to the blur
// radius 3 that topics cast on the map.
constexpr double ShadowOffset = 4;
constexpr int ShadowBoxRadius = 1;
constexpr double ShapeInset = 8;
// The text sits as it would in a text view inset 4 wide and 10 high.
constexpr double TextInsetX = 4;
constexpr double TextInsetY = 10;

void setSource(cairo_t* cr, const Color& c)
{
    cairo_set_source_rgba(cr, c.red(), c.green(), c.blue(), c.alpha());
}

void applyStroke(cairo_t* cr, const PreviewLineStroke& stroke)
{
    cairo_set_line_width(cr, stroke.width);
    cairo_set_dash(cr, stroke.dash.empty() ? nullptr : stroke.dash.data(), int(stroke.dash.size()), 0);
}

void blurMask(cairo_surface_t* mask)
{
    cairo_surface_flush(mask);
    ShadowPixels::blur(cairo_image_surface_get_data(mask), cairo_image_surface_get_width(mask),
                       cairo_image_surface_get_height(mask), cairo_image_surface_get_stride(mask), ShadowBoxRadius);
    cairo_surface_mark_dirty(mask);
}

// Paints a blurred alpha picture in the shadow colour at its place plus the shadow offset.
void paintShadowMask(cairo_t* cr, cairo_surface_t* mask, Point origin, const Color& color)
{
    cairo_save(cr);
    setSource(cr, color);
    cairo_mask_surface(cr, mask, origin.x + ShadowOffset, origin.y + ShadowOffset);
    cairo_restore(cr);
}

PangoFontDescription* numberFont()
{
    static PangoFontDescription* font = [] {
        PangoFontDescription* d = pango_font_description_new();
        pango_font_description_set_family(d, "Sans");
        pango_font_description_set_weight(d, PANGO_WEIGHT_BOLD);
        pango_font_description_set_absolute_size(d, 15 * PANGO_SCALE);
        return d;
    }();
    return font;
}

void drawShape(cairo_t* cr, const MindMapPreviewShape& shape, const BezierPath& outline)
{
    outline.addToCairo(cr);
    setSource(cr, shape.paintedFillColor());
    if (shape.strokesOutline()) {
        cairo_fill_preserve(cr);
        cairo_set_dash(cr, nullptr, 0, 0);
        setSource(cr, shape.strokeColor());
        cairo_stroke(cr);
    } else {
        cairo_fill(cr);
    }
}

// The blurred mask of a shape's fill and outline, its origin at the frame's origin. All entries
// share their border style and only the selected one differs in width, so one paint blurs a
// handful of masks however many entries there are.
struct ShadowSprite {
    int32_t borderStyle;
    double borderWidth;
    bool strokes;
    CairoSurface mask;
};

// What the lines' shadow depends on: the page size, the line's form and where it runs.
struct LineShadowKey {
    int width = 0;
    int height = 0;
    int32_t pathStyle = 0;
    double lineWidth = 0;
    std::vector<double> dash;
    Point root;
    std::vector<Point> ends;

    bool operator==(const LineShadowKey& other) const
    {
        const auto samePoint = [](Point a, Point b) { return a.x == b.x && a.y == b.y; };
        if (width != other.width || height != other.height || pathStyle != other.pathStyle ||
            lineWidth != other.lineWidth || dash != other.dash || !samePoint(root, other.root) ||
            ends.size() != other.ends.size())
            return false;
        for (size_t i = 0; i < ends.size(); ++i)
            if (!samePoint(ends[i], other.ends[i])) return false;
        return true;
    }
};

// Null for a shape without an outline, which casts no shadow.
cairo_surface_t* shapeShadowMask(std::vector<ShadowSprite>& sprites, const MindMapPreviewShape& shape)
{
    for (const ShadowSprite& sprite : sprites)
        if (sprite.borderStyle == shape.borderStyle() && sprite.borderWidth == shape.borderWidth() &&
            sprite.strokes == shape.strokesOutline())
            return sprite.mask.get();
    const BezierPath outline = shape.outline();
    CairoSurface mask;
    if (!outline.isEmpty()) {
        const Rect frame = shape.frame();
        mask.reset(cairo_image_surface_create(CAIRO_FORMAT_A8, int(frame.width()), int(frame.height())));
        {
            const CairoContext mcr(cairo_create(mask.get()));
            cairo_translate(mcr.get(), -frame.minX(), -frame.minY());
            outline.addToCairo(mcr.get());
            if (shape.strokesOutline()) {
                cairo_fill_preserve(mcr.get());
                cairo_stroke(mcr.get());
            } else {
                cairo_fill(mcr.get());
            }
        }
        blurMask(mask.get());
    }
    sprites.push_back({shape.borderStyle(), shape.borderWidth(), shape.strokesOutline(), std::move(mask)});
    return sprites.back().mask.get();
}

void castShapeShadow(cairo_t* cr, std::vector<ShadowSprite>& sprites, const MindMapPreviewShape& shape)
{
    cairo_surface_t* mask = shapeShadowMask(sprites, shape);
    if (!mask) return;
    cairo_save(cr);
    setSource(cr, *shape.shadowColor());
    cairo_mask_surface(cr, mask, shape.origin().x + ShadowOffset, shape.origin().y + ShadowOffset);
    cairo_restore(cr);
}

// One layout serves every number of a paint: making a layout costs more than showing it.
PangoLayout* numberLayout(cairo_t* cr)
{
    PangoLayout* layout = pango_cairo_create_layout(cr);
    pango_layout_set_font_description(layout, numberFont());
    pango_layout_set_width(layout, int((MindMapPreviewShape::Width - 2 * TextInsetX) * PANGO_SCALE));
    pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
    return layout;
}

void drawNumber(cairo_t* cr, PangoLayout* layout, const MindMapPreviewShape& shape)
{
    const std::string text = shape.label();
    if (text.empty()) return;
    pango_layout_set_text(layout, text.c_str(), -1);
    setSource(cr, shape.textColor());
    cairo_move_to(cr, shape.origin().x + TextInsetX, shape.origin().y + TextInsetY);
    pango_cairo_show_layout(cr, layout);
}

// The lines' layer depends on their run, form, colours and shadow, and on the target's scale.
struct LinesKey {
    LineShadowKey geometry;
    int32_t lineStyle = 0;
    std::vector<Color> colors;
    std::optional<Color> shadowColor;
    double scale = 1;

    bool operator==(const LinesKey& other) const
    {
        return geometry == other.geometry && lineStyle == other.lineStyle && colors == other.colors &&
            shadowColor == other.shadowColor && scale == other.scale;
    }
};

// An entry's picture: its shadow, shape and number, drawn once and then copied until one of them
// changes. The picture starts on whole points and reaches past the frame by the shadow's offset and
// blur.
constexpr int EntrySpriteMargin = 2;
constexpr int EntrySpriteWidth = int(MindMapPreviewShape::Width) + 2 * EntrySpriteMargin + 8;
constexpr int EntrySpriteHeight = int(MindMapPreviewShape::Height) + 2 * EntrySpriteMargin + 8;

struct EntryKey {
    int32_t borderStyle = 0;
    double borderWidth = 0;
    bool selected = false;
    Color fill, stroke, page, text;
    std::optional<Color> shadow;
    std::string label;
    // The part of the origin below a whole point, which the picture keeps.
    double fractionX = 0, fractionY = 0;
    double scale = 1;

    static EntryKey of(const MindMapPreviewShape& shape, double scale)
    {
        const Point origin = shape.origin();
        return {shape.borderStyle(), shape.borderWidth(), shape.isSelected(), shape.fillColor(), shape.strokeColor(),
                // The page shows only through a see-through fill.
                shape.fillColor().alpha() >= 1.0 ? Color() : shape.pageBkGndColor(), shape.textColor(),
                shape.shadowColor(), shape.label(), origin.x - std::floor(origin.x), origin.y - std::floor(origin.y),
                scale};
    }
    bool operator==(const EntryKey& other) const = default;
};

struct EntrySprite {
    EntryKey key;
    CairoSurface surface;
};

Point spriteOrigin(const MindMapPreviewShape& shape)
{
    return {std::floor(shape.origin().x) - EntrySpriteMargin, std::floor(shape.origin().y) - EntrySpriteMargin};
}

} // namespace

struct CustomStylePreviewCache::Shadows {
    std::vector<ShadowSprite> sprites;
    std::optional<LineShadowKey> lineKey;
    CairoSurface lineMask;
    std::optional<LinesKey> linesKey;
    CairoSurface linesLayer;
    std::vector<EntrySprite> entries;
};

namespace {

// The connection lines and their shadow on a clear layer of the page's size.
void paintLines(cairo_surface_t* layer, const LinesKey& key, CustomStylePreviewCache::Shadows& kept)
{
    const CairoContext cr(cairo_create(layer));
    const LineShadowKey& geometry = key.geometry;
    std::vector<BezierPath> paths;
    paths.reserve(geometry.ends.size());
    for (Point end : geometry.ends)
        paths.push_back(CustomStylePreview::connectionPath(geometry.root, end, geometry.pathStyle));
    if (key.shadowColor) {
        if (!(kept.lineKey == geometry)) {
            kept.lineMask.reset(cairo_image_surface_create(CAIRO_FORMAT_A8, geometry.width, geometry.height));
            {
                const CairoContext mcr(cairo_create(kept.lineMask.get()));
                const PreviewLineStroke shape{geometry.lineWidth, geometry.dash, Color()};
                for (const BezierPath& path : paths) {
                    path.addToCairo(mcr.get());
                    applyStroke(mcr.get(), shape);
                    cairo_stroke(mcr.get());
                }
            }
            blurMask(kept.lineMask.get());
            kept.lineKey = geometry;
        }
        paintShadowMask(cr.get(), kept.lineMask.get(), {}, *key.shadowColor);
    }
    for (size_t i = 0; i < paths.size(); ++i) {
        for (const PreviewLineStroke& stroke : CustomStylePreview::connectionStrokes(key.lineStyle, key.colors[i])) {
            paths[i].addToCairo(cr.get());
            applyStroke(cr.get(), stroke);
            setSource(cr.get(), stroke.color);
            cairo_stroke(cr.get());
        }
    }
}

// layout: the number's layout of this paint, made by the first entry drawn.
void paintEntry(cairo_surface_t* surface, const MindMapPreviewShape& entry, Point origin,
                std::vector<ShadowSprite>& sprites, PangoLayout*& layout)
{
    const CairoContext cr(cairo_create(surface));
    cairo_translate(cr.get(), -origin.x, -origin.y);
    // In the picture rather than on the page: a mask put down at a fraction of a point costs far more
    // than copying the picture.
    if (entry.shadowColor()) castShapeShadow(cr.get(), sprites, entry);
    const BezierPath outline = entry.outline();
    if (!outline.isEmpty()) drawShape(cr.get(), entry, outline);
    if (layout) pango_cairo_update_layout(cr.get(), layout);
    else layout = numberLayout(cr.get());
    drawNumber(cr.get(), layout, entry);
}

} // namespace

CustomStylePreviewCache::CustomStylePreviewCache() : _shadows(std::make_unique<Shadows>())
{
}

CustomStylePreviewCache::~CustomStylePreviewCache() = default;

BezierPath MindMapPreviewShape::outline() const
{
    BezierPath path;
    path.setLineWidth(_borderWidth);
    const Rect rect = insetRect(frame(), ShapeInset, ShapeInset);
    switch (_borderStyle) {
    case 0:
        addRoundedRect(path, rect, 7);
        break;
    case 1:
        addRoundedRect(path, rect, rect.height() / 2);
        break;
    case 2:
        addDropRoundRect(path, rect, 7);
        break;
    case 3:
        path.appendOval(rect);
        break;
    case 4:
        path.appendRect(rect);
        break;
    case 5:
        addDiamond(path, rect);
        break;
    case 6:
        AppendCloudShape(path, rect);
        break;
    case 7:
        if (_isSelected) addRoundedRect(path, rect, 2);
        else path.appendRect(rect);
        break;
    default:
        break;
    }
    return path;
}

namespace CustomStylePreview {

BezierPath connectionPath(Point root, Point end, int32_t pathStyle)
{
    BezierPath path;
    path.moveTo(root);
    const double dx = end.x - root.x;
    const double dy = end.y - root.y;
    if (pathStyle == 2 || std::abs(dx) <= 2 || std::abs(dy) <= 2) {
        path.lineTo(end);
    } else if (std::abs(dx) > std::abs(dy)) {
        path.curveTo(end, {root.x + dx / 2, root.y}, {end.x - dx / 2, end.y});
    } else {
        path.curveTo(end, {root.x, root.y + dy / 2}, {end.x, end.y - dy / 2});
    }
    return path;
}

std::vector<PreviewLineStroke> connectionStrokes(int32_t lineStyle, const Color& color)
{
    PreviewLineStroke main;
    main.width = RelationStyle::defaultLineWidth(lineStyle);
    main.color = color;
    if (lineStyle == 0 || lineStyle == 6) main.dash = {1.8, 1.8};
    if (lineStyle == 4) main.dash = {3.2, 3.2};
    std::vector<PreviewLineStroke> strokes{main};
    if (lineStyle == 2) strokes.push_back({1.0, {}, Color::white()});
    if (lineStyle == 5) strokes.push_back({1.5, {3.2, 3.2}, Color::white()});
    return strokes;
}

int hitTest(const std::vector<const MindMapPreviewShape*>& entries, Point p)
{
    for (int i = int(entries.size()) - 1; i >= 0; --i)
        if (entries[size_t(i)] && entries[size_t(i)]->hitTest(p)) return i;
    return -1;
}

void paint(cairo_t* cr, Size size, const CustomStylePreviewBackground& background,
           const std::vector<const MindMapPreviewShape*>& entries, const MindMapPreviewShape* root,
           CustomStylePreviewCache* cache)
{
    // Without a cache the paint goes the same way through a fresh one, so that both give the very
    // same pixels.
    CustomStylePreviewCache fresh;
    CustomStylePreviewCache::Shadows& kept = (cache ? *cache : fresh).shadows();
    cairo_surface_t* target = cairo_get_target(cr);
    double scaleX = 1, scaleY = 1;
    cairo_surface_get_device_scale(target, &scaleX, &scaleY);

    cairo_save(cr);
    setSource(cr, background.color);
    cairo_rectangle(cr, 0, 0, size.width, size.height);
    cairo_fill(cr);

    const int w = int(std::ceil(size.width));
    const int h = int(std::ceil(size.height));
    if (entries.size() >= 2 && w > 0 && h > 0) {
        const Point rootPoint = root ? root->center() : Point{};
        LinesKey key;
        key.geometry = {w, h, background.pathStyle, 0, {}, rootPoint, {}};
        key.lineStyle = background.lineStyle;
        key.shadowColor = background.shadowColor;
        key.scale = scaleX;
        for (const MindMapPreviewShape* entry : entries) {
            if (!entry || entry == root) continue;
            key.geometry.ends.push_back(entry->center());
            key.colors.push_back(background.customLineColor.value_or(entry->strokeColor()));
        }
        if (!key.geometry.ends.empty()) {
            const PreviewLineStroke front = connectionStrokes(background.lineStyle, Color()).front();
            key.geometry.lineWidth = front.width;
            key.geometry.dash = front.dash;
            if (!(kept.linesKey == key)) {
                kept.linesLayer.reset(cairo_surface_create_similar(target, CAIRO_CONTENT_COLOR_ALPHA, w, h));
                paintLines(kept.linesLayer.get(), key, kept);
                kept.linesKey = std::move(key);
            }
            cairo_set_source_surface(cr, kept.linesLayer.get(), 0, 0);
            cairo_paint(cr);
        }
    }

    kept.entries.resize(entries.size());
    PangoLayout* layout = nullptr;
    for (size_t i = 0; i < entries.size(); ++i) {
        const MindMapPreviewShape* entry = entries[i];
        if (!entry) continue;
        EntrySprite& sprite = kept.entries[i];
        const EntryKey key = EntryKey::of(*entry, scaleX);
        if (!sprite.surface || !(sprite.key == key)) {
            sprite.surface.reset(
                cairo_surface_create_similar(target, CAIRO_CONTENT_COLOR_ALPHA, EntrySpriteWidth, EntrySpriteHeight));
            paintEntry(sprite.surface.get(), *entry, spriteOrigin(*entry), kept.sprites, layout);
            sprite.key = key;
        }
        const Point at = spriteOrigin(*entry);
        cairo_set_source_surface(cr, sprite.surface.get(), at.x, at.y);
        cairo_paint(cr);
    }
    if (layout) g_object_unref(layout);
    cairo_restore(cr);
}

} // namespace CustomStylePreview
