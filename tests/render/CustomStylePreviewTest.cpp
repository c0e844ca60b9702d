// The custom style editor's preview: shapes, connection lines and their shadows.

#include "render/CustomStylePreview.h"
#include "MindMaps/RelationStyle.h"
#include "platform/CairoGuard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

struct Pixel {
    int r, g, b;
};

// Renders the preview into a fresh picture and reads pixels back from it.
class Canvas {
public:
    Canvas(int w, int h) : _surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)), _size{double(w), double(h)}
    {
    }

    void paint(const CustomStylePreviewBackground& background, const std::vector<const MindMapPreviewShape*>& entries,
               const MindMapPreviewShape* root, CustomStylePreviewCache* cache = nullptr)
    {
        const CairoContext cr(cairo_create(_surface.get()));
        CustomStylePreview::paint(cr.get(), _size, background, entries, root, cache);
        cairo_surface_flush(_surface.get());
    }

    bool samePixels(const Canvas& other) const
    {
        const int h = cairo_image_surface_get_height(_surface.get());
        const int stride = cairo_image_surface_get_stride(_surface.get());
        return std::memcmp(cairo_image_surface_get_data(_surface.get()),
                           cairo_image_surface_get_data(other._surface.get()), size_t(h * stride)) == 0;
    }

    Pixel at(int x, int y) const
    {
        const unsigned char* data = cairo_image_surface_get_data(_surface.get());
        uint32_t v;
        std::memcpy(&v, data + y * cairo_image_surface_get_stride(_surface.get()) + x * 4, 4);
        return {int((v >> 16) & 0xff), int((v >> 8) & 0xff), int(v & 0xff)};
    }

private:
    CairoSurface _surface;
    Size _size;
};

MindMapPreviewShape plainShape(Point origin, const Color& fill)
{
    MindMapPreviewShape shape(origin);
    shape.setFillColor(fill);
    shape.setShadowColor(std::nullopt);
    return shape;
}

// White, without shadows, so that pixels read back are the shapes' and lines' own.
CustomStylePreviewBackground plainPage()
{
    CustomStylePreviewBackground background;
    background.shadowColor = std::nullopt;
    return background;
}

} // namespace

TEST(CustomStylePreviewTest, SeeThroughFillPaintsThePageBackground)
{
    const Color red(1, 0, 0, 1);
    const Color blue(0, 0, 1, 1);
    struct Case {
        double alpha;
        int expectedRed, expectedBlue;
    };
    for (const Case& c : {Case{1.0, 255, 0}, Case{0.99, 0, 255}, Case{0.0, 0, 255}}) {
        MindMapPreviewShape shape = plainShape({0, 0}, red.withAlpha(c.alpha));
        shape.setPageBkGndColor(blue);
        Canvas canvas(60, 40);
        canvas.paint(plainPage(), {&shape}, &shape);
        const Pixel p = canvas.at(20, 20);
        EXPECT_EQ(p.r, c.expectedRed) << c.alpha;
        EXPECT_EQ(p.b, c.expectedBlue) << c.alpha;
    }
}

TEST(CustomStylePreviewTest, BorderlessShapeShowsARoundedOutlineOnlyWhileSelected)
{
    for (bool selected : {false, true}) {
        MindMapPreviewShape shape = plainShape({0, 0}, Color::white());
        shape.setBorderStyle(7);
        shape.setStrokeColor(Color::black());
        shape.setIsSelected(selected);
        EXPECT_EQ(shape.strokesOutline(), selected);
        // A rounded outline is built of curves, the plain rectangle of lines only.
        bool curved = false;
        const BezierPath outline = shape.outline();
        for (const auto& e : outline.elements()) curved |= e.type == BezierPath::ElementType::CurveTo;
        EXPECT_EQ(curved, selected);
        Canvas canvas(60, 40);
        canvas.paint(plainPage(), {&shape}, &shape);
        EXPECT_EQ(canvas.at(30, 8).r < 128, selected) << "outline on the top edge, selected " << selected;
    }
    MindMapPreviewShape drop = plainShape({0, 0}, Color::white());
    EXPECT_TRUE(drop.strokesOutline());
    drop.setBorderStyle(42);
    EXPECT_TRUE(drop.outline().isEmpty());
}

TEST(CustomStylePreviewTest, ConnectionPathsBendAtTheMidpointOfTheLongerDistance)
{
    struct Case {
        Point end;
        int32_t pathStyle;
        bool curved;
        Point control1, control2;
    };
    const Point root{100, 100};
    const Case cases[] = {
        {{200, 101}, 0, false, {}, {}},              // straight to the right
        {{102, 300}, 0, false, {}, {}},              // |dx| at most 2
        {{200, 50}, 0, true, {150, 100}, {150, 50}}, // 100 right and 50 up
        {{200, 50}, 1, true, {150, 100}, {150, 50}},
        {{130, 200}, 0, true, {100, 150}, {130, 150}},
        {{200, 50}, 2, false, {}, {}},
    };
    for (const Case& c : cases) {
        const BezierPath path = CustomStylePreview::connectionPath(root, c.end, c.pathStyle);
        ASSERT_EQ(path.elements().size(), 2u);
        EXPECT_EQ(path.elements()[0].points[0], root);
        const auto& last = path.elements()[1];
        EXPECT_EQ(last.type == BezierPath::ElementType::CurveTo, c.curved) << c.end.x << "," << c.end.y;
        if (c.curved) {
            EXPECT_EQ(last.points[0], c.control1);
            EXPECT_EQ(last.points[1], c.control2);
            EXPECT_EQ(last.points[2], c.end);
        } else {
            EXPECT_EQ(last.points[0], c.end);
        }
    }
}

TEST(CustomStylePreviewTest, LineStylesGiveTheirDashesAndWhiteCentreLines)
{
    struct Case {
        int32_t lineStyle;
        std::vector<double> dash;
        size_t strokes;
        double centreWidth;
        std::vector<double> centreDash;
    };
    const Case cases[] = {
        {0, {1.8, 1.8}, 1, 0, {}}, {1, {}, 1, 0, {}},           {2, {}, 2, 1.0, {}},
        {4, {3.2, 3.2}, 1, 0, {}}, {5, {}, 2, 1.5, {3.2, 3.2}}, {6, {1.8, 1.8}, 1, 0, {}},
    };
    const Color green(0, 1, 0, 1);
    for (const Case& c : cases) {
        const auto strokes = CustomStylePreview::connectionStrokes(c.lineStyle, green);
        ASSERT_EQ(strokes.size(), c.strokes) << c.lineStyle;
        EXPECT_EQ(strokes[0].dash, c.dash) << c.lineStyle;
        EXPECT_EQ(strokes[0].width, RelationStyle::defaultLineWidth(c.lineStyle));
        EXPECT_EQ(strokes[0].color, green);
        if (c.strokes == 2) {
            EXPECT_EQ(strokes[1].color, Color::white());
            EXPECT_EQ(strokes[1].width, c.centreWidth);
            EXPECT_EQ(strokes[1].dash, c.centreDash);
        }
    }
}

TEST(CustomStylePreviewTest, ShadowsFallRightAndDownAndOnlyWhenAsked)
{
    for (bool shadow : {false, true}) {
        MindMapPreviewShape shape = plainShape({0, 0}, Color::white());
        shape.setBorderStyle(4);
        shape.setShadowColor(shadow ? std::optional<Color>(Color::black()) : std::nullopt);
        Canvas canvas(80, 60);
        canvas.paint(plainPage(), {&shape}, &shape);
        // Just below the bottom outline, inside the shifted shadow, and above the shape, outside.
        EXPECT_EQ(canvas.at(30, 35).r < 200, shadow);
        EXPECT_EQ(canvas.at(30, 4).r, 255);
    }
}

TEST(CustomStylePreviewTest, OneEntryDrawsNoLineAndTheTopmostShapeIsHit)
{
    MindMapPreviewShape root = plainShape({0, 0}, Color::white());
    MindMapPreviewShape other = plainShape({100, 0}, Color::white());
    other.setStrokeColor(Color::black());
    root.setIndex(0);
    EXPECT_EQ(root.label(), "1");
    EXPECT_EQ(MindMapPreviewShape().label(), "");
    CustomStylePreviewBackground background = plainPage();
    background.lineStyle = 1;

    Canvas single(160, 40);
    single.paint(background, {&root}, &root);
    EXPECT_EQ(single.at(80, 20).r, 255);
    Canvas pair(160, 40);
    pair.paint(background, {&root, &other}, &root);
    EXPECT_LT(pair.at(80, 20).r, 128);

    MindMapPreviewShape over = plainShape({110, 10}, Color::white());
    const std::vector<const MindMapPreviewShape*> entries{&root, &other, &over};
    EXPECT_EQ(CustomStylePreview::hitTest(entries, {115, 15}), 2);
    EXPECT_EQ(CustomStylePreview::hitTest(entries, {105, 5}), 1);
    EXPECT_EQ(CustomStylePreview::hitTest(entries, {5, 5}), 0);
    EXPECT_EQ(CustomStylePreview::hitTest(entries, {90, 45}), -1);
}

TEST(CustomStylePreviewTest, ACachedRepaintMatchesAFreshOneAfterEachChange)
{
    MindMapPreviewShape root(Point{120, 80});
    MindMapPreviewShape first(Point{20, 10});
    MindMapPreviewShape second(Point{220, 150});
    for (MindMapPreviewShape* shape : {&root, &first, &second}) shape->setShadowColor(Color(0, 0, 0, 0.3));
    const std::vector<const MindMapPreviewShape*> entries{&root, &first, &second};
    CustomStylePreviewBackground page;
    page.shadowColor = Color(0, 0, 0, 0.3);
    CustomStylePreviewCache cache;

    // Each change must reach the shadows a cached paint reuses, or leave them as they are.
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"first paint", [] {}},
        {"a fill colour", [&] { first.setFillColor(Color(1, 0, 0)); }},
        {"an entry moved",
         [&] {
             second.setOrigin({200, 20});
         }},
        {"the border style",
         [&] {
             for (MindMapPreviewShape* shape : {&root, &first, &second}) shape->setBorderStyle(5);
         }},
        {"the selection",
         [&] {
             first.setIsSelected(true);
             first.setBorderWidth(5);
         }},
        {"the path style", [&] { page.pathStyle = 2; }},
        {"the line style", [&] { page.lineStyle = 9; }},
        {"the shadow colour", [&] { page.shadowColor = Color(0, 0, 0.5, 0.3); }},
        {"a stroke colour", [&] { second.setStrokeColor(Color(0, 0.6, 0)); }},
        {"a see-through fill", [&] { first.setFillColor(Color(1, 0, 0, 0.5)); }},
        {"the page colour",
         [&] {
             for (MindMapPreviewShape* shape : {&root, &first, &second}) shape->setPageBkGndColor(Color(0.9, 0.9, 0.7));
         }},
        {"the text colour", [&] { root.setTextColor(Color(0.3, 0, 0)); }},
        {"shadows off",
         [&] {
             page.shadowColor = std::nullopt;
             for (MindMapPreviewShape* shape : {&root, &first, &second}) shape->setShadowColor(std::nullopt);
         }},
    };
    Canvas cached(320, 240);
    for (const auto& [name, change] : changes) {
        change();
        Canvas fresh(320, 240);
        fresh.paint(page, entries, &root);
        cached.paint(page, entries, &root, &cache);
        EXPECT_TRUE(cached.samePixels(fresh)) << name;
    }
}
