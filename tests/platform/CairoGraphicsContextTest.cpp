#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/Image.h"
#include "platform/PangoTextMeasurer.h"
#include "platform/ShadowSprites.h"
#include "platform/VisibleStroke.h"

#include <cairo-pdf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <utility>

namespace {

struct Argb {
    int a, r, g, b;
    friend bool operator==(const Argb&, const Argb&) = default;
};

Argb pixelAt(cairo_surface_t* surface, int x, int y)
{
    cairo_surface_flush(surface);
    const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    uint32_t pixel;
    std::memcpy(&pixel, row + 4 * x, 4);
    return {int(pixel >> 24), int(pixel >> 16 & 0xff), int(pixel >> 8 & 0xff), int(pixel & 0xff)};
}

// The smallest rectangle of pixels with any ink, in device pixels; empty when nothing was drawn.
Rect inkBounds(cairo_surface_t* surface)
{
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
    int x0 = width, y0 = height, x1 = -1, y1 = -1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (pixelAt(surface, x, y).a != 0) {
                x0 = std::min(x0, x), x1 = std::max(x1, x);
                y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
    if (x1 < 0) return {};
    return {double(x0), double(y0), double(x1 - x0 + 1), double(y1 - y0 + 1)};
}

BezierPath rectPath(const Rect& r)
{
    BezierPath path;
    path.appendRect(r);
    return path;
}

// A context on a transparent image surface of its own.
struct BitmapCanvas {
    explicit BitmapCanvas(int width, int height, GraphicsSurfaceKind kind = GraphicsSurfaceKind::Bitmap)
        : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
          cr(cairo_create(surface.get())),
          cairoContext(cr.get(), kind)
    {
    }
    CairoSurface surface;
    CairoContext cr;
    CairoGraphicsContext cairoContext;
    GraphicsContext& context = cairoContext;
};

cairo_status_t writeNothing(void*, const unsigned char*, unsigned int)
{
    return CAIRO_STATUS_SUCCESS;
}

cairo_status_t appendTo(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

} // namespace

TEST(AffineTransform, ConcatenationAppliesTheOtherFirst)
{
    const AffineTransform scale = AffineTransform::scaling(2, 3);
    const AffineTransform move = AffineTransform::translation(10, 20);
    // Moving first, then scaling, scales the move too.
    EXPECT_EQ((Point{22, 63}), scale.concatenating(move).apply(Point{1, 1}));
    EXPECT_EQ((Point{12, 23}), move.concatenating(scale).apply(Point{1, 1}));

    const AffineTransform skewed{2, 1, 0.5, 3, 7, -4};
    for (const AffineTransform& t : {scale.concatenating(move), skewed}) {
        const Point p(5, -9);
        const Point back = t.inverted().apply(t.apply(p));
        EXPECT_NEAR(p.x, back.x, 1e-12);
        EXPECT_NEAR(p.y, back.y, 1e-12);
    }
    // Nothing to invert: the identity rather than infinities.
    EXPECT_EQ(AffineTransform(), AffineTransform::scaling(0, 2).inverted());
    EXPECT_EQ(AffineTransform(), (AffineTransform{NaN, 0, 0, 1, 0, 0}).inverted());
}

TEST(CairoGraphicsContext, ValuesCairoCannotTakeLeaveTheContextWorking)
{
    BitmapCanvas canvas(20, 20);
    GraphicsContext& context = canvas.context;
    context.scale(0, 1);
    context.scale(NaN, 1);
    context.translate(Inf, 0);
    context.concat(AffineTransform{1, 0, 0, 1, NaN, 0});
    EXPECT_EQ(AffineTransform(), context.currentTransform());

    BezierPath nan;
    nan.moveTo(Point{NaN, 1});
    nan.lineTo(Point{5, 5});
    BezierPath huge = rectPath(Rect(1e20, 0, 1e20, 5));
    BezierPath wide = rectPath(Rect(2, 2, 5, 5));
    wide.setLineWidth(Inf);
    for (const BezierPath& path : {nan, huge, wide}) {
        context.fillPath(path, Color::black());
        context.strokePath(path, StrokeStyle::solid(Color::black()));
        context.fillPathWithLinearGradient(path, {{0, Color::black()}, {1, Color::white()}}, Point{}, Point{1, 1});
    }
    BezierPath line = rectPath(Rect(2, 2, 5, 5));
    for (std::vector<double> dash : {std::vector<double>{-1, 2}, {NaN}, {Inf, 1}}) {
        StrokeStyle style = StrokeStyle::solid(Color::black());
        style.dash = dash;
        context.strokePath(line, style);
    }
    context.fillPathWithLinearGradient(line, {{NaN, Color::black()}, {7, Color::white()}}, Point{NaN, 0}, Point{});
    context.setFlatness(NaN);
    context.setFlatness(0);
    context.drawText(AttributedString("x"), Point{NaN, 0}, 0);
    context.drawText(AttributedString("x"), Point{1e30, 0}, 0);
    context.drawText(AttributedString("x"), Point{0, 0}, NaN);
    context.beginShadow(ShadowStyle{Size{NaN, Inf}, NaN, Color::black()});
    context.endShadow();
    context.save();
    context.clipToRect(Rect(NaN, 0, 5, 5));
    context.restore();
    context.clipToRect(Rect(-1e12, -1e12, 2e12, 2e12)); // wider than cairo's range: clips nothing
    EXPECT_FALSE(context.hasFailed()) << context.failureReason();
    EXPECT_EQ(Rect(), inkBounds(canvas.surface.get()));
    context.fillPath(line, Color::black());
    EXPECT_EQ(Rect(2, 2, 5, 5), inkBounds(canvas.surface.get()));
    // Dashes that add up to nothing draw a solid line rather than failing.
    StrokeStyle zeroDashes = StrokeStyle::solid(Color::black());
    zeroDashes.dash = {0, 0};
    context.strokePath(line, zeroDashes);
    EXPECT_FALSE(context.hasFailed()) << context.failureReason();
    EXPECT_EQ(Rect(1, 1, 7, 7), inkBounds(canvas.surface.get()));
}

// cairo's errors are sticky and silent; the context reports them so that no caller hands on the
// output of a failed job.
TEST(CairoGraphicsContext, ReportsCairosStickyErrors)
{
    BitmapCanvas canvas(4, 4);
    EXPECT_FALSE(canvas.context.hasFailed());
    EXPECT_EQ("", canvas.context.failureReason());
    cairo_restore(canvas.cr.get()); // a restore without save puts cairo in error for good
    canvas.context.fillPath(rectPath(Rect(0, 0, 4, 4)), Color::black());
    EXPECT_TRUE(canvas.context.hasFailed());
    EXPECT_NE("", canvas.context.failureReason());

    const CairoSurface failed(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, -1, 4));
    const CairoContext cr(cairo_create(failed.get()));
    CairoGraphicsContext onFailedSurface(cr.get(), GraphicsSurfaceKind::Bitmap);
    EXPECT_TRUE(onFailedSurface.hasFailed());
}

TEST(CairoGraphicsContext, ShadowFallsBelowAndRightOfWhatCastsIt)
{
    // A small blur is worked at full resolution, a wide one at half.
    for (double blur : {2.0, 8.0}) {
        BitmapCanvas canvas(60, 60);
        GraphicsContext& context = canvas.context;
        context.save();
        context.beginShadow(ShadowStyle{Size{6, 6}, blur, Color(0, 0, 0, 1)});
        context.fillPath(rectPath(Rect(10, 10, 20, 20)), Color(1, 0, 0));
        context.restore(); // ends the shadow begun after the save
        EXPECT_FALSE(context.hasFailed()) << context.failureReason();
        cairo_surface_t* surface = canvas.surface.get();
        // The shape itself stays on top, unshadowed.
        EXPECT_EQ((Argb{255, 255, 0, 0}), pixelAt(surface, 20, 20)) << blur;
        EXPECT_EQ((Argb{255, 255, 0, 0}), pixelAt(surface, 29, 29)) << blur;
        // Beside the shape where the offset shadow lies: dark and mostly opaque.
        const Argb below = pixelAt(surface, 25, 33);
        EXPECT_GT(below.a, 128) << blur;
        EXPECT_EQ(0, below.r) << blur;
        // Far above and left of the shape nothing.
        EXPECT_EQ(0, pixelAt(surface, 2, 20).a) << blur;
        EXPECT_EQ(0, pixelAt(surface, 20, 2).a) << blur;
        // The blur softens the shadow's far edge.
        const int edge = pixelAt(surface, 36, 25).a;
        EXPECT_GT(edge, 0) << blur;
        EXPECT_LT(edge, 255) << blur;
        // Drawing after the shadow ended casts none.
        context.fillPath(rectPath(Rect(40, 40, 5, 5)), Color(0, 0, 1));
        EXPECT_EQ(0, pixelAt(surface, 47 + int(blur), 47 + int(blur)).a) << blur;
    }
}

// Vector output leaves shadows out, but draws what casts them.
TEST(CairoGraphicsContext, PdfDrawsShadowedShapesWithoutTheShadow)
{
    const CairoSurface pdf(cairo_pdf_surface_create_for_stream(writeNothing, nullptr, 100, 100));
    const CairoContext cr(cairo_create(pdf.get()));
    {
        CairoGraphicsContext cairoContext(cr.get(), GraphicsSurfaceKind::Pdf);
        GraphicsContext& context = cairoContext;
        context.beginShadow(ShadowStyle{Size{3, 3}, 3, Color(0, 0, 0, 0.5)});
        context.fillPath(rectPath(Rect(10, 10, 20, 20)), Color(1, 0, 0));
        // Left on at the end of a job: the context ends it, so cairo is handed back balanced.
    }
    cairo_show_page(cr.get());
    EXPECT_EQ(CAIRO_STATUS_SUCCESS, cairo_status(cr.get()));
}

TEST(CairoGraphicsContext, LinkAttributesKeepTheUriInsideItsQuotes)
{
    struct Case {
        std::string uri, attributes;
    };
    const Case cases[] = {
        {"https://example.org/a'b", "uri='https://example.org/a\\'b' rect=[1.500 2.000 30.000 4.250]"},
        // What cairo would copy unescaped into the PDF string, or what has no place in a URI
        {"https://example.org/a)b\\c(d", "uri='https://example.org/a%29b%5Cc%28d' rect=[1.500 2.000 30.000 4.250]"},
        {std::string("a b\0\xC3\xA4", 6), "uri='a%20b%00%C3%A4' rect=[1.500 2.000 30.000 4.250]"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.attributes, CairoGraphicsContext::linkAttributes(c.uri, Rect(1.5, 2, 30, 4.25))) << c.uri;
}

// No URL, however made, may put the PDF into an error state; the link lands on the page where
// its rectangle was drawn, whatever the transform.
TEST(CairoGraphicsContext, PdfLinksOfAnyUrlKeepThePdfWorking)
{
    const std::string urls[] = {"https://example.org/?q='x'", "https://example.org/\\",
                                "https://example.org/'",      std::string("a\0b", 3),
                                "'] rect=[0 0 1 1] uri='",    "https://example.org/\xC3\xA4 \"quoted\")"};
    for (const std::string& url : urls) {
        std::string pdfData;
        const CairoSurface pdf(cairo_pdf_surface_create_for_stream(appendTo, &pdfData, 200, 200));
        const CairoContext cr(cairo_create(pdf.get()));
        CairoGraphicsContext context(cr.get(), GraphicsSurfaceKind::Pdf);
        context.translate(10, 0);
        context.scale(0.5, 0.5);
        context.addLink(url, Rect(10, 10, 50, 20));
        EXPECT_FALSE(context.hasFailed()) << url << ": " << context.failureReason();
        cairo_show_page(cr.get());
        cairo_surface_finish(pdf.get());
        EXPECT_EQ(CAIRO_STATUS_SUCCESS, cairo_surface_status(pdf.get())) << url;
        // Device (15, 5) to (40, 15) on a page 200 high, whose y runs upward.
        EXPECT_NE(std::string::npos, pdfData.find("/Rect [ 15 185 40 195 ]")) << url;
        EXPECT_NE(std::string::npos, pdfData.find("/URI (")) << url;
    }
}

// Text drawn at any scale stays inside the size measured for it at scale 1: printouts at 0.54,
// exports at 2.
TEST(CairoGraphicsContext, DrawnTextFitsItsMeasuredSizeAtEveryScale)
{
    AttributedString text("Wide topic text, Wg");
    text.setFont({0, 19}, Font("DejaVu Sans", 14));
    AttributedString wrapped("several words that wrap onto lines");
    wrapped.setFont({0, 34}, Font("DejaVu Sans", 12, true));
    PangoTextMeasurer measurer;
    struct Case {
        const AttributedString* text;
        double wrapWidth;
    };
    for (const Case& c : {Case{&text, 0}, Case{&wrapped, 80}}) {
        const Size measured = measurer.sizeForAttributedString(*c.text, c.wrapWidth);
        for (double scale : {1.0, 0.54, 2.0}) {
            const Point origin(7, 5);
            BitmapCanvas canvas(int(std::ceil((measured.width + 20) * scale)),
                                int(std::ceil((measured.height + 20) * scale)));
            canvas.context.scale(scale, scale);
            canvas.context.drawText(*c.text, origin, c.wrapWidth);
            EXPECT_FALSE(canvas.context.hasFailed());
            const Rect ink = inkBounds(canvas.surface.get());
            ASSERT_FALSE(ink.isEmpty()) << scale;
            // Anti-aliasing may touch the pixel on either side of the measured edge.
            const Rect allowed = insetRect(
                Rect(origin.x * scale, origin.y * scale, measured.width * scale, measured.height * scale), -1, -1);
            EXPECT_TRUE(containsRect(allowed, ink)) << "scale " << scale << " wrap " << c.wrapWidth;
        }
    }
}

TEST(CairoGraphicsContext, ImagesKeepTheirOwnAlphaAndTheGivenOpacity)
{
    Image picture(2, 2);
    {
        const CairoContext cr(cairo_create(picture.surface()));
        cairo_set_source_rgba(cr.get(), 0, 0, 1, 0.5);
        cairo_paint(cr.get());
    }
    cairo_surface_flush(picture.surface());
    BitmapCanvas canvas(20, 10);
    canvas.context.fillPath(rectPath(Rect(0, 0, 20, 10)), Color(1, 1, 1));
    canvas.context.drawImage(picture, Rect(0, 0, 10, 10), 1.0);
    canvas.context.drawImage(picture, Rect(10, 0, 10, 10), 0.5);
    const Argb half = pixelAt(canvas.surface.get(), 5, 5), quarter = pixelAt(canvas.surface.get(), 15, 5);
    EXPECT_NEAR(128, half.r, 2);
    EXPECT_EQ(255, half.b);
    EXPECT_NEAR(191, quarter.r, 2);
}

namespace {

// How two pictures of one size differ: the largest difference of any channel of any pixel, and
// how many pixels differ by more than rounding.
struct Difference {
    int largest = 0;
    int pixels = 0;
};

Difference compare(cairo_surface_t* a, cairo_surface_t* b)
{
    Difference difference;
    for (int y = 0; y < cairo_image_surface_get_height(a); ++y)
        for (int x = 0; x < cairo_image_surface_get_width(a); ++x) {
            const Argb p = pixelAt(a, x, y), q = pixelAt(b, x, y);
            const int d =
                std::max({std::abs(p.a - q.a), std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)});
            difference.largest = std::max(difference.largest, d);
            difference.pixels += d > 1;
        }
    return difference;
}

int inkedPixels(cairo_surface_t* surface)
{
    int count = 0;
    for (int y = 0; y < cairo_image_surface_get_height(surface); ++y)
        for (int x = 0; x < cairo_image_surface_get_width(surface); ++x) count += pixelAt(surface, x, y).a != 0;
    return count;
}

BezierPath polyline(std::initializer_list<Point> points)
{
    BezierPath path;
    for (Point p : points) path.hasCurrentPoint() ? path.lineTo(p) : path.moveTo(p);
    return path;
}

} // namespace

// Dashed strokes on pictures are cut down to what shows inside the clip: long lines through a
// window cost what the window shows, curved ones too. Whatever is cut, the window shows what the
// whole stroke shows; solid strokes are never cut and come out to the pixel. A window draws its
// dashed lines from their kept coverage, the first time and every time after.
TEST(CairoGraphicsContext, StrokesCutToTheClipShowWhatTheWholeStrokeShows)
{
    BezierPath curve;
    curve.moveTo(Point{-5000, -3000});
    curve.curveTo(Point{5000, 3000}, Point{-1960, 3020}, Point{2040, -2980});
    curve.lineTo(Point{9000, 9000});
    BezierPath closed = polyline({{-4000, 30}, {4000, 35}, {4000, 5000}, {-4000, 5000}});
    closed.closePath();
    // A zigzag that leaves and re-enters the window, and a path with a piece wholly outside.
    const BezierPath zigzag =
        polyline({{-3000, 10}, {30, 12}, {3000, 15}, {5000, 2000}, {-40, 70}, {35, 77}, {6000, 4000}});
    BezierPath twoParts = polyline({{5000, 5000}, {6000, 6000}});
    twoParts.moveTo(Point{-7000, -15});
    twoParts.lineTo(Point{7000, 55});
    const struct {
        const char* name;
        BezierPath path;
        std::vector<double> dash;
        double width;
    } cases[] = {
        {"diagonal solid", polyline({{-9970, -7980}, {10030, 8020}}), {}, 3},
        {"diagonal dashed", polyline({{-9970, -7980}, {10030, 8020}}), {1.7, 1.7}, 3},
        {"upright dashed", polyline({{40.25, -90000}, {40.25, 90000}}), {3.06, 3.06}, 3},
        {"zigzag dashed", zigzag, {2.21, 1.3, 4, 2}, 1.7},
        {"zigzag odd dash", zigzag, {5, 2, 1}, 4.5},
        {"two subpaths dashed", twoParts, {3.06, 3.06}, 2},
        {"curve solid", curve, {}, 3},
        {"curve dashed", curve, {1.7, 1.7}, 3},
        {"short curve dashed",
         [] {
             BezierPath p;
             p.moveTo(Point{10.3, 20.6});
             p.curveTo(Point{80.2, 60.1}, Point{40, 20}, Point{50, 70});
             return p;
         }(),
         {3.06, 3.06},
         3},
        {"closed outline", closed, {}, 12},
    };
    const AffineTransform transforms[] = {AffineTransform(), AffineTransform{0.25, 0, 0, 0.25, 20.37, 11.6},
                                          AffineTransform{2, 0, 0, 2, -17.5, 3.25},
                                          AffineTransform{1, 0.3, -0.2, 1, 3, 1}};
    for (const auto& c : cases)
        for (const AffineTransform& t : transforms)
            for (const GraphicsSurfaceKind kind :
                 {GraphicsSurfaceKind::Bitmap, GraphicsSurfaceKind::Screen, GraphicsSurfaceKind::Screen}) {
                // The reference strokes the whole path through cairo itself.
                BitmapCanvas reference(100, 80);
                cairo_t* cr = reference.cr.get();
                cairo_rectangle(cr, 3, 4, 90, 70);
                cairo_clip(cr);
                cairo_matrix_t m;
                cairo_matrix_init(&m, t.xx, t.yx, t.xy, t.yy, t.x0, t.y0);
                cairo_transform(cr, &m);
                BezierPath whole = c.path;
                whole.setLineWidth(c.width);
                whole.addToCairo(cr);
                cairo_set_dash(cr, c.dash.data(), int(c.dash.size()), 0.8);
                cairo_set_source_rgb(cr, 0.2, 0.4, 0.6);
                cairo_stroke(cr);

                BitmapCanvas canvas(100, 80, kind);
                canvas.context.clipToRect(Rect(3, 4, 90, 70));
                canvas.context.concat(t);
                StrokeStyle style = StrokeStyle::solid(Color(0.2, 0.4, 0.6));
                style.dash = c.dash;
                style.dashPhase = 0.8;
                canvas.context.strokePath(whole, style);
                EXPECT_FALSE(canvas.context.hasFailed());
                const int inked = inkedPixels(reference.surface.get());
                EXPECT_GT(inked, 0) << c.name;
                // A line cut anew ends a hair off where cairo's grid put the whole line: an edge pixel
                // may gain or lose one of the 15 rows cairo samples a pixel with; where a flattened
                // curve bends inside a dash, its pieces meet as a polyline's do, a step or two of
                // anti-aliasing from the curve's. Dashes out of phase would differ by whole dashes,
                // all along the line.
                const Difference difference = compare(reference.surface.get(), canvas.surface.get());
                EXPECT_LE(difference.largest, c.dash.empty() ? 0 : 32)
                    << c.name << " at " << t.xx << ", " << t.yx << " kind " << int(kind);
                EXPECT_LE(difference.pixels, inked / 25 + 4)
                    << c.name << " at " << t.xx << ", " << t.yx << " kind " << int(kind);
            }
}

// A window keeps the coverage of a dashed line, not its colour: the same line restyled is drawn
// in its new colour from the same sprite, and one moved by whole pixels finds it too. Either
// way the pixels are those cairo strokes.
TEST(CairoGraphicsContext, WindowsDrawDashedLinesFromKeptCoverageInTheirOwnColour)
{
    ShadowSprites& sprites = ShadowSprites::linesForThisThread();
    sprites.clear();
    const size_t hitsBefore = sprites.hits();
    const BezierPath zigzag = [] {
        BezierPath p = polyline({{10.4, 10.2}, {60.7, 14}, {30.2, 50.5}});
        p.curveTo(Point{80, 70}, Point{40, 80}, Point{70, 40});
        p.setLineWidth(3);
        return p;
    }();
    const struct {
        Color color;
        Point offset;
        size_t hitsAfter;
    } paints[] = {
        {Color(0.8, 0.1, 0.1), {0, 0}, 0},      // made
        {Color(0.1, 0.2, 0.9, 0.5), {0, 0}, 1}, // another colour, the same coverage
        {Color(0.1, 0.6, 0.2), {7, -3}, 2},     // whole pixels away
        {Color(0.1, 0.6, 0.2), {7.5, -3}, 2},   // half a pixel away: a sprite of its own
    };
    for (const auto& paint : paints) {
        BitmapCanvas reference(100, 90);
        cairo_t* cr = reference.cr.get();
        cairo_translate(cr, paint.offset.x, paint.offset.y);
        zigzag.addToCairo(cr);
        const double dash[] = {3.06, 3.06};
        cairo_set_dash(cr, dash, 2, 0);
        cairo_set_source_rgba(cr, paint.color.red(), paint.color.green(), paint.color.blue(), paint.color.alpha());
        cairo_stroke(cr);

        BitmapCanvas window(100, 90, GraphicsSurfaceKind::Screen);
        window.context.translate(paint.offset.x, paint.offset.y);
        StrokeStyle style = StrokeStyle::solid(paint.color);
        style.dash = {3.06, 3.06};
        window.context.strokePath(zigzag, style);
        ASSERT_FALSE(window.context.hasFailed());
        const Difference difference = compare(reference.surface.get(), window.surface.get());
        EXPECT_LE(difference.largest, 1) << paint.offset.x;
        EXPECT_GT(inkedPixels(window.surface.get()), 200);
        EXPECT_EQ(sprites.hits() - hitsBefore, paint.hitsAfter) << paint.offset.x;
    }
    EXPECT_EQ(sprites.size(), 2u);
    sprites.clear();
}

TEST(VisibleStroke, CutsLinesToTheAreaAndKeepsTheirDashPhase)
{
    const Rect area(0, 0, 100, 100);
    std::vector<StrokePiece> pieces;
    // Wholly inside: nothing to cut.
    EXPECT_FALSE(cutDashedStrokeToArea(polyline({{10, 10}, {90, 90}}), area, AffineTransform(), pieces));
    // Wholly outside: cut to nothing.
    EXPECT_TRUE(cutDashedStrokeToArea(polyline({{-10, 200}, {300, 200}}), area, AffineTransform(), pieces));
    EXPECT_TRUE(pieces.empty());

    // A dashed line from far left: its piece starts at the edge, as far into its dashes as the
    // part left out is long.
    ASSERT_TRUE(cutDashedStrokeToArea(polyline({{-1000, 50}, {50, 50}, {50, 2000}}), area, AffineTransform(), pieces));
    ASSERT_EQ(1u, pieces.size());
    EXPECT_DOUBLE_EQ(1000, pieces[0].dashPhase);
    const auto& elements = pieces[0].path.elements();
    ASSERT_EQ(3u, elements.size());
    EXPECT_EQ((Point{0, 50}), elements[0].points[0]);
    EXPECT_EQ((Point{50, 50}), elements[1].points[0]);
    EXPECT_EQ((Point{50, 100}), elements[2].points[0]);

    // Leaving and coming back: two pieces, the second as far in as everything before it.
    ASSERT_TRUE(
        cutDashedStrokeToArea(polyline({{50, 50}, {50, 500}, {60, 500}, {60, 50}}), area, AffineTransform(), pieces));
    ASSERT_EQ(2u, pieces.size());
    EXPECT_EQ(0, pieces[0].dashPhase);
    EXPECT_DOUBLE_EQ(450 + 10 + 400, pieces[1].dashPhase);

    // Lengths are measured on cairo's device grid and in user space: at scale 4 the 1000-point
    // part left out is still 1000 long.
    ASSERT_TRUE(cutDashedStrokeToArea(polyline({{-1000, 50}, {50, 50}}), area, AffineTransform::scaling(4, 4), pieces));
    EXPECT_DOUBLE_EQ(1000, pieces[0].dashPhase);
    EXPECT_DOUBLE_EQ(5, dashedLineLength(Point{0, 0}, Point{3, 4}, AffineTransform{2, 0, 0, 2, 0.3, 0}));

    // A subpath with a curve is kept whole: its length is cairo's own affair.
    BezierPath curved = polyline({{-1000, 50}, {50, 50}});
    curved.curveTo(Point{50, 900}, Point{60, 300}, Point{80, 600});
    ASSERT_FALSE(cutDashedStrokeToArea(curved, area, AffineTransform(), pieces));
    // Subpaths that miss the area go; those that start the path's dashes afresh share a piece.
    BezierPath parts = polyline({{10, 10}, {20, 20}});
    parts.moveTo(Point{500, 500});
    parts.lineTo(Point{600, 600});
    parts.moveTo(Point{30, 10});
    parts.lineTo(Point{30, 300});
    ASSERT_TRUE(cutDashedStrokeToArea(parts, area, AffineTransform(), pieces));
    ASSERT_EQ(1u, pieces.size());
    EXPECT_EQ(4u, pieces[0].path.elements().size());
}

// On image surfaces the shadow's layer is reduced, blurred and scaled back by hand; on others
// cairo filters it. Both give the same shadow, at any offset.
TEST(CairoGraphicsContext, ShadowsWorkedByHandMatchCairosFiltering)
{
    // Wide blurs are worked at half the resolution, narrow ones at full.
    const std::pair<double, double> shadows[] = {{3, 8}, {0.75, 3.5}, {1, 2}};
    for (const auto& shadow : shadows) {
        const double offset = shadow.first;
        const double blur = shadow.second;
        auto paint = [&](cairo_surface_t* target) {
            const CairoContext cr(cairo_create(target));
            CairoGraphicsContext cairoContext(cr.get(), GraphicsSurfaceKind::Bitmap);
            GraphicsContext& context = cairoContext;
            context.clipToRect(Rect(2, 3, 70, 60));
            context.beginShadow(ShadowStyle{Size{offset, offset}, blur, Color(0.1, 0.2, 0.3, 0.6)});
            context.fillPath(rectPath(Rect(10, 10, 20, 15)), Color(1, 0, 0));
            BezierPath line = polyline({{-50, 70}, {40, 20}, {90, 50}});
            line.setLineWidth(3);
            context.strokePath(line, StrokeStyle::solid(Color(0, 0, 1, 0.5)));
            context.endShadow();
            EXPECT_FALSE(context.hasFailed());
        };
        BitmapCanvas byHand(80, 70);
        paint(byHand.surface.get());
        const CairoSurface recording(cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, nullptr));
        paint(recording.get());
        BitmapCanvas byCairo(80, 70);
        cairo_set_source_surface(byCairo.cr.get(), recording.get(), 0, 0);
        cairo_paint(byCairo.cr.get());
        const Difference difference = compare(byHand.surface.get(), byCairo.surface.get());
        EXPECT_LE(difference.largest, 3) << offset;
        // The shadow is there: below and right of the rectangle, outside it.
        EXPECT_GT(pixelAt(byHand.surface.get(), 31, 27).a, 20) << offset;
    }
}

// A window's shadows are drawn into a layer kept from job to job and looked at only where it holds
// something. Whatever the tiles, clip and earlier jobs, the shadow is the one cairo's own group
// and filter give, and nothing of an earlier job shows in a later one.
TEST(CairoGraphicsContext, KeptShadowLayersShowOnlyTheirOwnJob)
{
    // Shapes far apart, at tile edges and beyond the clip, a long thin line across tiles, a clip
    // that is not a whole tile; then the same again moved, so that the layer was used before.
    const struct {
        double shift;
        double offset;
        double blur;
        Rect clip;
    } jobs[] = {
        {0, 3, 3, Rect(0, 0, 400, 300)},
        {37, 3, 3, Rect(5, 7, 330, 251)},
        {-20, 0.75, 3.5, Rect(0, 0, 400, 300)},
        {64, 6, 8, Rect(40, 30, 300, 200)},
    };
    for (const auto& job : jobs) {
        auto paint = [&](cairo_surface_t* target) {
            const CairoContext cr(cairo_create(target));
            CairoGraphicsContext cairoContext(cr.get(), GraphicsSurfaceKind::Screen);
            GraphicsContext& context = cairoContext;
            context.clipToRect(job.clip);
            context.translate(job.shift, job.shift / 2);
            context.beginShadow(ShadowStyle{Size{job.offset, job.offset}, job.blur, Color(0.1, 0.2, 0.3, 0.6)});
            context.fillPath(rectPath(Rect(10, 10, 20, 15)), Color(1, 0, 0));
            context.fillPath(rectPath(Rect(250, 31, 30, 30)), Color(0, 1, 0, 0.5));
            context.fillPath(rectPath(Rect(60, 280, 40, 40)), Color(0, 0, 1));
            BezierPath line = polyline({{-50, 200}, {150, 120}, {420, 260}});
            line.setLineWidth(1.7);
            context.strokePath(line, StrokeStyle::solid(Color(0, 0, 0)));
            context.endShadow();
            EXPECT_FALSE(context.hasFailed());
        };
        BitmapCanvas byHand(400, 300);
        paint(byHand.surface.get());
        const CairoSurface recording(cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, nullptr));
        paint(recording.get());
        BitmapCanvas byCairo(400, 300);
        cairo_set_source_surface(byCairo.cr.get(), recording.get(), 0, 0);
        cairo_paint(byCairo.cr.get());
        const Difference difference = compare(byHand.surface.get(), byCairo.surface.get());
        EXPECT_LE(difference.largest, 3) << job.shift;
        EXPECT_GT(inkedPixels(byHand.surface.get()), 2000) << job.shift;
    }
}

// A second window drawing while the first one's shadow is on gets a layer of its own; both come
// out as they would alone.
TEST(CairoGraphicsContext, ShadowsOfTwoContextsAtOnceStayApart)
{
    BitmapCanvas first(100, 80, GraphicsSurfaceKind::Screen), second(100, 80, GraphicsSurfaceKind::Screen);
    BitmapCanvas alone(100, 80, GraphicsSurfaceKind::Screen);
    const ShadowStyle shadow{Size{3, 3}, 3, Color(0, 0, 0, 0.5)};
    first.context.beginShadow(shadow);
    first.context.fillPath(rectPath(Rect(10, 10, 30, 30)), Color(1, 0, 0));
    second.context.beginShadow(shadow);
    second.context.fillPath(rectPath(Rect(50, 40, 20, 20)), Color(0, 1, 0));
    second.context.endShadow();
    first.context.endShadow();
    alone.context.beginShadow(shadow);
    alone.context.fillPath(rectPath(Rect(10, 10, 30, 30)), Color(1, 0, 0));
    alone.context.endShadow();
    EXPECT_EQ(0, compare(first.surface.get(), alone.surface.get()).largest);
    // Nothing of the other window's shapes in either.
    EXPECT_EQ(0, pixelAt(first.surface.get(), 60, 50).a);
    EXPECT_EQ(0, pixelAt(second.surface.get(), 25, 25).a);
    EXPECT_EQ((Argb{255, 0, 255, 0}), pixelAt(second.surface.get(), 60, 50));
    EXPECT_GT(pixelAt(second.surface.get(), 60, 62).a, 0);
}

// A shape cast alone throws the shadow a layer would give it: drawn over its cast shadow, it looks
// as it does drawn with the shadow on.
TEST(CairoGraphicsContext, CastShadowsMatchTheShadowOfALayer)
{
    for (double blur : {2.0, 6.0}) {
        BezierPath shape;
        shape.appendOval(Rect(10.25, 12.5, 30, 18));
        shape.setLineWidth(2);
        const Color fill(1, 0, 0), pen(0, 0, 1);
        const ShadowStyle shadow{Size{3, 3}, blur, Color(0, 0, 0, 0.4)};
        BitmapCanvas layered(70, 60), cast(70, 60);
        layered.context.beginShadow(shadow);
        layered.context.fillPath(shape, fill);
        layered.context.strokePath(shape, StrokeStyle::solid(pen));
        layered.context.endShadow();
        cast.context.castShadow(shape, fill, StrokeStyle::solid(pen), shadow);
        // The shape itself is not drawn: its middle shows only the shadow below it.
        const Argb middle = pixelAt(cast.surface.get(), 25, 21);
        EXPECT_EQ((Argb{middle.a, 0, 0, 0}), middle) << blur;
        EXPECT_GT(pixelAt(cast.surface.get(), 25, 33).a, 40) << blur;
        cast.context.fillPath(shape, fill);
        cast.context.strokePath(shape, StrokeStyle::solid(pen));
        EXPECT_FALSE(cast.context.hasFailed());
        const Difference difference = compare(layered.surface.get(), cast.surface.get());
        // The shape's own edge is drawn once instead of over its copy in the layer.
        EXPECT_LE(difference.largest, 40) << blur;
        EXPECT_LT(difference.pixels, inkedPixels(layered.surface.get()) / 8) << blur;
    }
}

// A window casts the shadow of a whole dashed line from the coverage it keeps to draw the line
// with, instead of stroking the dashes once more: to the pixel the shadow a stroke of its own
// casts. A line the window cuts, a translucent one and one drawn with another pen cast theirs
// from a stroke of their own, as before.
TEST(CairoGraphicsContext, DashedLinesCastTheirShadowsFromTheirKeptCoverage)
{
    BezierPath curve;
    curve.moveTo(Point{12.3, 70.6});
    curve.curveTo(Point{80.2, 10.1}, Point{40, 20}, Point{110.5, 64.25});
    const struct {
        const char* name;
        BezierPath path;
        std::vector<double> dash;
        double width;
        LineCap cap;
        AffineTransform transform;
        double blur;
        double alpha;
        double miterLimit;
        bool shared;
    } cases[] = {
        {"cable", polyline({{10.25, 12.5}, {118.6, 81.3}}), {1.7, 1.7}, 3, LineCap::Butt, {}, 4, 1, 10, true},
        {"wide dashes, narrow blur",
         polyline({{20, 80.5}, {60.3, 15}, {125, 40.7}}),
         {3.06, 3.06},
         4,
         LineCap::Butt,
         {},
         2,
         1,
         10,
         true},
        {"uneven dashes, round caps", curve, {5, 2, 1}, 2.5, LineCap::Round, {}, 6, 1, 10, true},
        {"curve zoomed and turned",
         curve,
         {2.21, 2.21},
         3,
         LineCap::Butt,
         AffineTransform{0.8, 0.3, -0.25, 0.9, 15.3, -4},
         4,
         1,
         10,
         true},
        // Its shadow may fall into the window from all of it, but the window draws it cut.
        {"just beyond the window", polyline({{-22, 40}, {130, 60}}), {1.7, 1.7}, 3, LineCap::Butt, {}, 4, 1, 10, false},
        {"translucent", polyline({{10.25, 12.5}, {118.6, 81.3}}), {1.7, 1.7}, 3, LineCap::Butt, {}, 4, 0.6, 10, false},
        {"another miter limit",
         polyline({{20, 80.5}, {60.3, 15}, {125, 40.7}}),
         {3.06, 3.06},
         4,
         LineCap::Butt,
         {},
         4,
         1,
         3,
         false},
    };
    ShadowSprites& shadows = ShadowSprites::forThisThread();
    ShadowSprites& lines = ShadowSprites::linesForThisThread();
    for (const auto& c : cases) {
        BezierPath path = c.path;
        path.setLineWidth(c.width);
        StrokeStyle style = StrokeStyle::solid(Color(0.1, 0.5, 0.2, c.alpha));
        style.dash = c.dash;
        style.dashPhase = 0.4;
        style.cap = c.cap;
        const ShadowStyle shadow{Size{3, 3}, c.blur, Color(0, 0, 0, 0.6), true};
        auto paint = [&](bool castAlone) {
            auto canvas = std::make_unique<BitmapCanvas>(140, 100, GraphicsSurfaceKind::Screen);
            cairo_set_miter_limit(canvas->cr.get(), c.miterLimit);
            canvas->context.concat(c.transform);
            if (castAlone) {
                // The shadow of a stroke made for it alone, then the line with no shadow.
                canvas->context.castShadow(path, std::nullopt, style, shadow);
                canvas->context.strokePath(path, style);
            } else {
                canvas->context.beginShadow(shadow);
                canvas->context.strokePath(path, style);
                canvas->context.endShadow();
            }
            EXPECT_FALSE(canvas->context.hasFailed()) << c.name;
            return canvas;
        };
        shadows.clear();
        lines.clear();
        const auto reference = paint(true);
        shadows.clear();
        lines.clear();
        const size_t hits = lines.hits();
        const auto cast = paint(false);
        // Made for the shadow, the line's coverage is found again when the line is drawn.
        EXPECT_EQ(c.shared ? 1u : 0u, lines.hits() - hits) << c.name;
        const Difference difference = compare(reference->surface.get(), cast->surface.get());
        EXPECT_EQ(0, difference.largest) << c.name;
        EXPECT_GT(inkedPixels(cast->surface.get()), 0) << c.name;
    }
}

namespace {

// A rectangle with round corners, as topics are drawn.
void appendRoundedRectForTest(BezierPath& path, const Rect& r, double radius)
{
    path.appendArc(Point{r.maxX() - radius, r.minY() + radius}, radius, 270, 360);
    path.appendArc(Point{r.maxX() - radius, r.maxY() - radius}, radius, 0, 90);
    path.appendArc(Point{r.minX() + radius, r.maxY() - radius}, radius, 90, 180);
    path.appendArc(Point{r.minX() + radius, r.minY() + radius}, radius, 180, 270);
    path.closePath();
}

} // namespace

// A window keeps each shape's blurred shadow; one is found again only for the very same pixels.
TEST(CairoGraphicsContext, KeptShadowSpritesAreFoundOnlyForTheSamePixels)
{
    struct Cast {
        Rect rect;
        double radius;
        double width;
        double fillAlpha;
        AffineTransform transform;
        ShadowStyle shadow;
    };
    const ShadowStyle usual{Size{3, 3}, 3, Color(0, 0, 0, 0.4)};
    const Cast base{Rect(20, 20, 40, 20), 7, 2, 1, AffineTransform(), usual};
    struct Case {
        const char* change;
        Cast cast;
        bool found;
    };
    auto with = [&](auto change) {
        Cast c = base;
        change(c);
        return c;
    };
    const Case cases[] = {
        {"nothing", base, true},
        {"moved by whole pixels", with([](Cast& c) { c.rect = Rect(57, 31, 40, 20); }), true},
        {"a new shadow colour", with([](Cast& c) { c.shadow.color = Color(0.5, 0, 0, 0.8); }), true},
        {"moved by a fraction of a pixel", with([](Cast& c) { c.rect = Rect(20.5, 20, 40, 20); }), false},
        {"wider", with([](Cast& c) { c.rect = Rect(20, 20, 41, 20); }), false},
        {"another corner radius", with([](Cast& c) { c.radius = 3; }), false},
        {"another border width", with([](Cast& c) { c.width = 4; }), false},
        {"a translucent fill", with([](Cast& c) { c.fillAlpha = 0.5; }), false},
        {"zoomed", with([](Cast& c) { c.transform = AffineTransform::scaling(0.5, 0.5); }), false},
        {"at twice the scale factor", with([](Cast& c) { c.transform = AffineTransform::scaling(2, 2); }), false},
        {"a wider blur", with([](Cast& c) { c.shadow.blurRadius = 8; }), false},
        {"a longer offset", with([](Cast& c) {
             c.shadow.offset = Size{6, 6};
         }),
         false},
    };
    ShadowSprites& sprites = ShadowSprites::forThisThread();
    auto castOnto = [](BitmapCanvas& canvas, const Cast& c) {
        BezierPath path;
        appendRoundedRectForTest(path, c.rect, c.radius);
        path.setLineWidth(c.width);
        canvas.context.save();
        canvas.context.concat(c.transform);
        canvas.context.castShadow(path, Color(1, 1, 1, c.fillAlpha), StrokeStyle::solid(Color(0, 0, 0)), c.shadow);
        canvas.context.restore();
    };
    for (const Case& c : cases) {
        sprites.clear();
        BitmapCanvas first(160, 120, GraphicsSurfaceKind::Screen);
        castOnto(first, base);
        const size_t kept = sprites.spritesKept();
        BitmapCanvas again(160, 120, GraphicsSurfaceKind::Screen), fresh(160, 120, GraphicsSurfaceKind::Screen);
        castOnto(again, c.cast);
        EXPECT_EQ(c.found ? kept : kept + 1, sprites.spritesKept()) << c.change;
        // Found or made, the sprite shows what a sprite made afresh shows.
        sprites.clear();
        castOnto(fresh, c.cast);
        const Difference difference = compare(again.surface.get(), fresh.surface.get());
        EXPECT_LE(difference.largest, 1) << c.change;
        EXPECT_GT(inkedPixels(again.surface.get()), 0) << c.change;
    }
    // Pictures make theirs for once and keep none.
    sprites.clear();
    BitmapCanvas picture(160, 120, GraphicsSurfaceKind::Bitmap);
    castOnto(picture, base);
    EXPECT_EQ(0u, sprites.size());
    EXPECT_GT(inkedPixels(picture.surface.get()), 0);
}

TEST(ShadowSprites, LetTheLeastRecentlyUsedGoBeyondTheirBudget)
{
    auto sprite = [](int height) {
        ShadowSprites::Sprite s;
        s.mask.reset(cairo_image_surface_create(CAIRO_FORMAT_A8, 4, height));
        s.bytes = size_t(cairo_image_surface_get_stride(s.mask.get())) * size_t(height);
        return s;
    };
    ShadowSprites sprites(3 * 4 * 10);
    sprites.keep("a", sprite(10));
    sprites.keep("b", sprite(10));
    sprites.keep("c", sprite(10));
    ASSERT_NE(nullptr, sprites.find("a")); // now the most recently used
    sprites.keep("d", sprite(10));
    EXPECT_EQ(nullptr, sprites.find("b"));
    EXPECT_NE(nullptr, sprites.find("a"));
    EXPECT_NE(nullptr, sprites.find("c"));
    EXPECT_NE(nullptr, sprites.find("d"));
    EXPECT_EQ(size_t(120), sprites.bytes());
    // One larger than the whole budget is still kept, alone.
    sprites.keep("e", sprite(40));
    EXPECT_EQ(1u, sprites.size());
    EXPECT_NE(nullptr, sprites.find("e"));
    // Kept again under its key, it replaces the old one.
    sprites.keep("e", sprite(10));
    EXPECT_EQ(size_t(40), sprites.bytes());
}

// Shapes that each cast their shadow alone are drawn over every shadow of the run, as a layer's
// would be, and as they were given: with their own transform, inside the clip they were given
// in, before what is drawn after them. A line reaching far beyond the window still casts its
// shadow inside it. Vector output draws the shapes at once and casts nothing.
TEST(CairoGraphicsContext, ShapesCastingTheirShadowsAloneLieOverAllShadows)
{
    const ShadowStyle alone{Size{4, 4}, 4, Color(0, 0, 0, 1), true};
    const Color red(1, 0, 0), blue(0, 0, 1);
    const struct {
        const char* name;
        GraphicsSurfaceKind kind;
    } kinds[] = {{"window", GraphicsSurfaceKind::Screen}, {"picture", GraphicsSurfaceKind::Bitmap}};
    for (const auto& k : kinds) {
        BitmapCanvas canvas(120, 120, k.kind);
        GraphicsContext& context = canvas.context;
        context.clipToRect(Rect(0, 0, 120, 100));
        context.beginShadow(alone);
        // A red bar, then a blue one whose shadow falls across the red one.
        context.fillPath(rectPath(Rect(10, 20, 60, 10)), red);
        context.save();
        context.translate(20, 0);
        context.fillPath(rectPath(Rect(0, 10, 10, 8)), blue);
        context.restore();
        // A long dashed line from far above to far below the window, at x = 100.
        BezierPath line = polyline({{100, -90000}, {100, 90000}});
        line.setLineWidth(3);
        StrokeStyle dashed = StrokeStyle::solid(blue);
        dashed.dash = {3.06, 3.06};
        context.strokePath(line, dashed);
        // A clip given after the shapes holds back nothing of them.
        context.clipToRect(Rect(0, 0, 15, 15));
        context.fillPath(rectPath(Rect(0, 0, 5, 5)), blue);
        context.endShadow();
        EXPECT_FALSE(context.hasFailed()) << k.name;
        cairo_surface_t* surface = canvas.surface.get();
        // The blue bar's shadow falls on the red bar (at 25, 22): the red bar is drawn over it.
        EXPECT_EQ((Argb{255, 255, 0, 0}), pixelAt(surface, 25, 23)) << k.name;
        EXPECT_EQ((Argb{255, 0, 0, 255}), pixelAt(surface, 25, 12)) << k.name;
        // Below the red bar its own shadow.
        EXPECT_GT(pixelAt(surface, 40, 32).a, 128) << k.name;
        // The long line and its shadow, in the window.
        int lineInk = 0, shadowInk = 0;
        for (int y = 20; y < 90; ++y) {
            lineInk += pixelAt(surface, 100, y).b > 0;
            shadowInk += pixelAt(surface, 104, y).a > 0;
        }
        EXPECT_GT(lineInk, 20) << k.name;
        EXPECT_GT(shadowInk, 60) << k.name;
        // Nothing beyond the first clip, neither the line nor its shadow.
        EXPECT_EQ(0, pixelAt(surface, 100, 105).a) << k.name;
        EXPECT_EQ(0, pixelAt(surface, 104, 110).a) << k.name;
    }

    BitmapCanvas pdfLike(40, 40, GraphicsSurfaceKind::Pdf);
    pdfLike.context.beginShadow(alone);
    pdfLike.context.fillPath(rectPath(Rect(5, 5, 10, 10)), red);
    // Drawn at once: nothing waits for the shadow's end.
    EXPECT_EQ((Argb{255, 255, 0, 0}), pixelAt(pdfLike.surface.get(), 10, 10));
    pdfLike.context.endShadow();
    EXPECT_EQ(0, pixelAt(pdfLike.surface.get(), 17, 17).a);
}
