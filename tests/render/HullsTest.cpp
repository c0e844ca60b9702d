#include "MindMaps/MindMapNodeTestSupport.h"

#include "MindMaps/ColorUtils.h"
#include "MindMaps/ContainedElement.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeHullStyle.h"
#include "MindMaps/ParentRelation.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/Image.h"
#include "render/GrahamScan.h"
#include "render/HullPainter.h"
#include "render/MapHullBuilder.h"
#include "render/MindMapPaintSelection.h"
#include "render/MindMapPainter.h"
#include "support/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>

namespace {

using Kind = RecordingGraphicsContext::Kind;

std::vector<GrahamPoint> points(std::initializer_list<std::pair<int, int>> xy)
{
    std::vector<GrahamPoint> result;
    for (auto [x, y] : xy) result.emplace_back(x, y);
    return result;
}

TEST(GrahamPoint, RoundsHalvesAwayFromZeroAndKeepsBrokenValuesInRange)
{
    EXPECT_EQ(GrahamPoint(3, -3), GrahamPoint(2.5, -2.5));
    EXPECT_EQ(GrahamPoint(2, -2), GrahamPoint(2.49, -2.49));
    const int64_t max = GrahamPoint::MaxCoordinate;
    EXPECT_EQ(max, GrahamPoint(1e20, 0).x());
    EXPECT_EQ(-max, GrahamPoint(-INFINITY, 0).x());
    EXPECT_EQ(0, GrahamPoint(NAN, 0).x());
}

TEST(GrahamScan, Hulls)
{
    const struct {
        const char* name;
        std::vector<GrahamPoint> input;
        std::vector<GrahamPoint> hull;
    } cases[] = {
        {"too few", points({{0, 0}, {10, 0}}), {}},
        {"one point thrice", points({{5, 5}, {5, 5}, {5, 5}}), {}},
        {"collinear", points({{0, 0}, {20, 20}, {10, 10}, {30, 30}}), points({{0, 0}, {30, 30}})},
        {"square with inner points", points({{10, 10}, {0, 10}, {5, 5}, {10, 0}, {0, 0}, {3, 7}}),
         points({{0, 0}, {10, 0}, {10, 10}, {0, 10}})},
        // Points on an edge are dropped; the topmost, then leftmost point is the pivot.
        {"edge points", points({{0, 10}, {5, 0}, {10, 0}, {0, 0}, {10, 5}, {10, 10}, {0, 5}}),
         points({{0, 0}, {10, 0}, {10, 10}, {0, 10}})},
        {"triangle", points({{0, 10}, {5, 0}, {10, 10}}), points({{5, 0}, {10, 10}, {0, 10}})},
        {"duplicates of the pivot", points({{5, 0}, {5, 0}, {0, 10}, {10, 10}}), points({{5, 0}, {10, 10}, {0, 10}})},
    };
    for (const auto& c : cases) {
        GrahamScan scan;
        scan.input() = c.input;
        EXPECT_EQ(c.hull, scan.calcHull()) << c.name;
    }
}

TEST(GrahamScan, InputKeepsAMarginOfFour)
{
    GrahamScan rect;
    rect.addInputRect(Rect(10, 20, 30, 40));
    EXPECT_EQ(points({{6, 16}, {44, 16}, {6, 64}, {44, 64}}), rect.input());
    EXPECT_EQ(points({{6, 16}, {44, 16}, {44, 64}, {6, 64}}), rect.calcHull());
    GrahamScan point;
    point.addInputX(0.5, -0.5);
    EXPECT_EQ(points({{-4, -5}, {-4, 4}, {5, -5}, {5, 4}}), point.input());
}

class HullsTest : public nodetest::NodeTest {
protected:
    void SetUp() override
    {
        NodeTest::SetUp();
        root = theme("root");
        settle(root);
        branch = child(root, {200, 0});
        settle(branch);
    }

    MindMapNode* topicAt(MindMapNode* parent, Point location)
    {
        MindMapNode* node = child(parent, location);
        settle(node);
        node->parentRelation()->relationPath().setStraightLine(parent->location(), location);
        return node;
    }

    static std::vector<GrahamPoint> cornersOf(const Rect& r)
    {
        const Rect g = insetRect(r, -4, -4);
        return {GrahamPoint(g.minX(), g.minY()), GrahamPoint(g.maxX(), g.minY()), GrahamPoint(g.maxX(), g.maxY()),
                GrahamPoint(g.minX(), g.maxY())};
    }

    const std::vector<MapHull>& build() { return builder.buildHullsForMindMap(map); }

    MapHullBuilder builder;
    MindMapNode* root = nullptr;
    MindMapNode* branch = nullptr;
};

TEST_F(HullsTest, ChildlessHulledTopicGetsItsGrownRect)
{
    branch->assureHullStyle();
    const auto& hulls = build();
    ASSERT_EQ(1u, hulls.size());
    EXPECT_EQ(cornersOf(branch->bounds()), hulls[0].points());
    ASSERT_TRUE(hulls[0].fillColor());
    EXPECT_EQ(branch->hullColor(), hulls[0].fillColor());
    EXPECT_EQ(MMColorScheme::getReducedLuminanceStrokeColor(*hulls[0].fillColor()), hulls[0].strokeColor());
    EXPECT_DOUBLE_EQ(0.5, hulls[0].strokeWidth());
    EXPECT_FALSE(root->hullColor());
}

TEST_F(HullsTest, CentralThemeNeverHasAHull)
{
    root->assureHullStyle();
    EXPECT_TRUE(build().empty());
    EXPECT_FALSE(branch->hullColor());
}

TEST_F(HullsTest, HiddenTopicAddsOnlyItsLineEnd)
{
    branch->assureHullStyle();
    MindMapNode* hidden = topicAt(branch, {400, 100});
    hidden->setIsHidden(true);
    const auto& hulls = build();
    ASSERT_EQ(1u, hulls.size());
    const Rect bounds = hulls[0].bounds();
    // The line's end, with the margin of 4; the hidden topic's own rect reaches further.
    EXPECT_EQ(404, bounds.maxX());
    EXPECT_EQ(104, bounds.maxY());
    EXPECT_LT(bounds.maxX(), hidden->bounds().maxX() + 4);
}

TEST_F(HullsTest, CollapsedTopicAddsOnlyItself)
{
    branch->assureHullStyle();
    topicAt(branch, {400, 100});
    branch->setCollapsed(true);
    const auto& hulls = build();
    ASSERT_EQ(1u, hulls.size());
    EXPECT_EQ(cornersOf(branch->bounds()), hulls[0].points());
}

TEST_F(HullsTest, ListAndTopDownChildrenBringTheirLineStart)
{
    branch->assureHullStyle();
    MindMapNode* listed = topicAt(branch, {260, 60});
    listed->parentRelation()->relationPath().setStraightLine({150, 40}, {260, 60});
    branch->setLayoutMode(3);
    const auto& hulls = build();
    ASSERT_EQ(1u, hulls.size());
    EXPECT_EQ(146, hulls[0].bounds().minX());
}

TEST_F(HullsTest, NestedHullLiesInsideTheOuterOneAndIsPaintedAfterIt)
{
    branch->assureHullStyle();
    MindMapNode* inner = topicAt(branch, {400, 100});
    inner->assureHullStyle();
    topicAt(inner, {600, 200});
    const auto& hulls = build();
    ASSERT_EQ(2u, hulls.size());
    // Post-order: the inner hull first, so that painting from the end puts the outer one below.
    const MapHull& innerHull = hulls[0];
    const MapHull& outerHull = hulls[1];
    EXPECT_EQ(inner->hullColor(), innerHull.fillColor());
    EXPECT_EQ(branch->hullColor(), outerHull.fillColor());
    EXPECT_NE(innerHull.fillColor(), outerHull.fillColor());
    const Rect outer = outerHull.bounds();
    EXPECT_TRUE(containsRect(outer, insetRect(innerHull.bounds(), -4, -4)));
    EXPECT_EQ(innerHull.bounds().maxX() + 4, outer.maxX());
}

TEST_F(HullsTest, LightnessFollowsTheBackground)
{
    MindMapStyle& style = *map.style();
    const struct {
        double background; // grey level; its lightness is the luminance
        int64_t level;
        double lightness;
    } cases[] = {
        {1.0, 1, 0.95},
        {1.0, 2, 0.95 * 0.95},
        {1.0, 0, 0.95}, // levels below 1 count as 1
        {0.2, 1, 0.2 * 0.95},
        {0.1, 1, 0.1 + 0.1 * 0.9 * 0.9 + 0.1 * 0.9},
        {0.1, 3, 0.1 + (1 - 0.9 * 0.9 * 0.9) * 0.9 * 0.9 + 0.1 * 0.9},
    };
    const Color fill = Color::rgb255(200, 60, 60);
    std::array<double, 3> fillHsl{};
    HSLTransformer::colorToHSL(fill, fillHsl);
    for (const auto& c : cases) {
        style.setBackgroundColor(Color(c.background, c.background, c.background));
        style.setPropCustomized(MindMapStyle::BackgroundColorMask, true);
        build();
        std::array<double, 3> hsl{};
        HSLTransformer::colorToHSL(builder.calcHullColor(fill, c.level), hsl);
        EXPECT_NEAR(c.lightness, hsl[2], 1e-9) << c.background << " level " << c.level;
        EXPECT_NEAR(fillHsl[0], hsl[0], 1e-9);
        EXPECT_NEAR(fillHsl[1], hsl[1], 1e-9);
    }
    // The clear colour takes the background's hue.
    std::array<double, 3> hsl{};
    HSLTransformer::colorToHSL(builder.calcHullColor(Color::normalizedClearColor(), 1), hsl);
    EXPECT_NEAR(0.1 + 0.1 * 0.9 * 0.9 + 0.1 * 0.9, hsl[2], 1e-9);
    EXPECT_NEAR(0, hsl[1], 1e-9);
}

TEST_F(HullsTest, CustomHullColourIsTakenAsItIs)
{
    NodeHullStyle* style = branch->assureHullStyle();
    style->setFillColor(Color(0.1, 0.8, 0.3));
    style->setCustomColor(true);
    ASSERT_EQ(1u, build().size());
    EXPECT_EQ(Color(0.1, 0.8, 0.3), build()[0].fillColor());
}

TEST_F(HullsTest, DeepBranchesBuildAndPaintWithoutRecursion)
{
    std::vector<MindMapNode*> chain = loadingChain(100000);
    for (size_t i = 0; i < chain.size(); ++i) {
        chain[i]->setLocation({double(i % 7) * 40, i * 30.0});
        if (i > 0)
            chain[i]->parentRelation()->relationPath().setStraightLine(chain[i - 1]->location(), chain[i]->location());
    }
    map.rethinkCentralThemes();
    chain[1]->assureHullStyle();
    chain[50000]->assureHullStyle();
    const auto& hulls = build();
    ASSERT_EQ(2u, hulls.size());
    EXPECT_GT(hulls[1].bounds().maxY(), chain.back()->location().y);

    // Only what meets the clip is drawn.
    RecordingGraphicsContext context;
    const auto selection = MindMapPaintSelection::mindMapPaintSelection(map, false);
    MindMapPainter painter(context, *selection, 0, Rect(0, 30000, 400, 60));
    painter.paintParentRelations(*chain[0]);
    painter.paintElementsContainedByParentRelations(*chain[0]);
    EXPECT_EQ(4u, context.entriesOfKind(Kind::Stroke).size());
}

class HullPaintingTest : public HullsTest {
protected:
    MapHull hullOf(std::vector<GrahamPoint> outline)
    {
        MapHull hull;
        hull.copyPoints(outline);
        hull.setFillColor(Color(0.9, 0.9, 0.9));
        hull.setStrokeColor(Color(0.45, 0.45, 0.45));
        return hull;
    }

    RecordingGraphicsContext context;
    std::unique_ptr<MindMapPaintSelection> selection = std::make_unique<MindMapPaintSelection>(&map);
};

TEST_F(HullPaintingTest, RoundedOutlineIsFilledThenStroked)
{
    MindMapPainter painter(context, *selection, 0, Rect());
    HullPainter(painter).paintHull(hullOf(points({{0, 0}, {100, 0}, {100, 6}, {0, 50}})));
    const auto& entries = context.entries();
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ(Kind::Fill, entries[0].kind);
    EXPECT_EQ(Color(0.9, 0.9, 0.9), entries[0].color);
    EXPECT_EQ(Kind::Stroke, entries[1].kind);
    EXPECT_EQ(Color(0.45, 0.45, 0.45), entries[1].style.color);
    EXPECT_DOUBLE_EQ(0.5, entries[1].path.lineWidth());

    // The corners are cut 5 points back along long edges; the short edge (100,0)-(100,6) is all
    // corner and meets at its midpoint.
    std::vector<Point> ends;
    using Type = BezierPath::ElementType;
    for (const auto& e : entries[0].path.elements()) {
        if (e.type == Type::MoveTo || e.type == Type::LineTo) ends.push_back(e.points[0]);
        if (e.type == Type::CurveTo) ends.push_back(e.points[2]);
    }
    const double slant = std::hypot(100, 44);
    const std::vector<Point> expected{{0, 5}, {5, 0}, {95, 0}, {100, 3}, {100 - 500 / slant, 6 + 220 / slant}};
    ASSERT_GE(ends.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(expected[i].x, ends[i].x, 1e-9) << i;
        EXPECT_NEAR(expected[i].y, ends[i].y, 1e-9) << i;
    }
    EXPECT_EQ(Type::ClosePath, entries[0].path.elements().back().type);
}

TEST_F(HullPaintingTest, OnlyHullsOfThreePointsInTheClipArePainted)
{
    const struct {
        std::vector<GrahamPoint> outline;
        Rect clip;
        bool painted;
    } cases[] = {
        {points({{0, 0}, {30, 30}}), Rect(), false},
        {points({{0, 0}, {30, 0}, {0, 30}}), Rect(), true},
        {points({{0, 0}, {30, 0}, {0, 30}}), Rect(20, 20, 10, 10), true},
        {points({{0, 0}, {30, 0}, {0, 30}}), Rect(200, 200, 10, 10), false},
    };
    for (const auto& c : cases) {
        for (bool simplified : {false, true}) {
            context.clear();
            MindMapPainter painter(context, *selection, 0, c.clip);
            HullPainter hulls(painter);
            simplified ? hulls.paintHullSimplified(hullOf(c.outline)) : hulls.paintHull(hullOf(c.outline));
            EXPECT_EQ(c.painted, !context.entries().empty());
        }
    }
}

TEST_F(HullPaintingTest, SimplifiedHullIsAFilledPolygon)
{
    MindMapPainter painter(context, *selection, 0, Rect());
    HullPainter(painter).paintHullSimplified(hullOf(points({{0, 0}, {30, 0}, {0, 30}})));
    ASSERT_EQ(1u, context.entries().size());
    const auto& fill = context.entries()[0];
    EXPECT_EQ(Kind::Fill, fill.kind);
    EXPECT_EQ(4u, fill.path.elements().size());
}

TEST_F(HullPaintingTest, HullPixels)
{
    Image image(100, 100);
    {
        const CairoContext cr(cairo_create(image.surface()));
        cairo_set_source_rgb(cr.get(), 1, 1, 1);
        cairo_paint(cr.get());
        CairoGraphicsContext cairo(cr.get(), GraphicsSurfaceKind::Bitmap);
        MindMapPainter painter(cairo, *selection, 0, Rect());
        MapHull hull = hullOf(points({{10, 10}, {90, 10}, {90, 90}, {10, 90}}));
        hull.setFillColor(Color(0, 0.5, 1));
        HullPainter(painter).paintHull(hull);
    }
    cairo_surface_flush(image.surface());
    auto pixel = [&](int x, int y) {
        const unsigned char* row =
            cairo_image_surface_get_data(image.surface()) + y * cairo_image_surface_get_stride(image.surface());
        uint32_t value;
        std::memcpy(&value, row + 4 * x, 4);
        return value & 0xffffff;
    };
    EXPECT_EQ(0x0080ffu, pixel(50, 50));
    EXPECT_EQ(0x0080ffu, pixel(12, 50));
    // The corners are rounded off: the very corner pixel stays background.
    EXPECT_EQ(0xffffffu, pixel(10, 10));
    EXPECT_EQ(0xffffffu, pixel(5, 50));
}

} // namespace
