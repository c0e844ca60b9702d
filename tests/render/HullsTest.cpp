#include "MindMaps/MindMapNodeTestSupport.h"

#include "MindMaps/ColorUtils.h"
#include "MindMaps/MindMapSearchData.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeHullStyle.h"
#include "MindMaps/ParentRelation.h"
#include "Utils/GeometryHelpers.h"
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

#include <algorithm>
#include <array>
#include <cstring>

namespace {

using Kind = RecordingGraphicsContext::Kind;

std::vector<GrahamPoint> points(std::initializer_list<std::pair<int, int>> xy)
{
    std::vector<GrahamPoint> result;
    for (auto [x, y] : xy) result.emplace_back(x, y);
    return result;
}

TEST(GrahamScan, Hulls)
{
    const struct {
        std::vector<GrahamPoint> input;
        std::vector<GrahamPoint> hull;
    } cases[] = {
        {points({{0, 0}, {10, 0}}), {}},
        {points({{5, 5}, {5, 5}, {5, 5}}), {}},
        // All on one line: two points, which are never painted.
        {points({{0, 0}, {20, 20}, {10, 10}, {30, 30}}), points({{0, 0}, {30, 30}})},
        // Inner and edge points drop out; the topmost, then leftmost point leads.
        {points({{10, 10}, {0, 10}, {5, 5}, {10, 0}, {0, 0}, {10, 5}, {0, 5}, {5, 0}}),
         points({{0, 0}, {10, 0}, {10, 10}, {0, 10}})},
        {points({{5, 0}, {5, 0}, {0, 10}, {10, 10}}), points({{5, 0}, {10, 10}, {0, 10}})},
    };
    for (const auto& c : cases) {
        GrahamScan scan;
        scan.input() = c.input;
        EXPECT_EQ(c.hull, scan.calcHull());
    }
    // Coordinates are rounded halves away from zero; what cannot be a coordinate stays in range.
    EXPECT_EQ(GrahamPoint(3, -3), GrahamPoint(2.5, -2.5));
    EXPECT_EQ(GrahamPoint(GrahamPoint::MaxCoordinate, 0), GrahamPoint(1e20, NAN));
}

class HullsTest : public nodetest::NodeTest {
protected:
    void SetUp() override
    {
        NodeTest::SetUp();
        root = theme("root");
        branch = topicAt(root, {200, 0});
    }

    MindMapNode* topicAt(MindMapNode* parent, Point location)
    {
        MindMapNode* node = child(parent, location);
        settle(node);
        node->parentRelation()->relationPath().setStraightLine(parent->location(), location);
        return node;
    }

    static std::vector<GrahamPoint> grownCorners(const Rect& r)
    {
        const Rect g = insetRect(r, -4, -4);
        return {{g.minX(), g.minY()}, {g.maxX(), g.minY()}, {g.maxX(), g.maxY()}, {g.minX(), g.maxY()}};
    }

    const std::vector<MapHull>& build() { return builder.buildHullsForMindMap(map); }

    MapHullBuilder builder;
    MindMapNode* root = nullptr;
    MindMapNode* branch = nullptr;
};

TEST_F(HullsTest, WhatABranchBrings)
{
    branch->assureHullStyle();
    ASSERT_EQ(1u, build().size());
    EXPECT_EQ(grownCorners(branch->bounds()), build()[0].points());
    EXPECT_EQ(branch->hullColor(), build()[0].fillColor());
    EXPECT_FALSE(root->hullColor());

    // A hidden topic brings only its line's end, a collapsed one only itself.
    MindMapNode* hidden = topicAt(branch, {400, 100});
    hidden->setIsHidden(true);
    EXPECT_EQ(404, build()[0].bounds().maxX());
    EXPECT_EQ(104, build()[0].bounds().maxY());
    hidden->setIsHidden(false);
    branch->setCollapsed(true);
    EXPECT_EQ(grownCorners(branch->bounds()), build()[0].points());

    // A central theme never has a hull.
    branch->setHullStyle(nullptr);
    root->assureHullStyle();
    EXPECT_TRUE(build().empty());
}

TEST_F(HullsTest, NestedHullLiesInsideTheOuterOneAndIsPaintedAfterIt)
{
    branch->assureHullStyle();
    MindMapNode* inner = topicAt(branch, {400, 100});
    inner->assureHullStyle();
    topicAt(inner, {600, 200});
    const auto& hulls = build();
    ASSERT_EQ(2u, hulls.size());
    // Inner first: painting from the end puts the outer hull below.
    EXPECT_EQ(inner->hullColor(), hulls[0].fillColor());
    EXPECT_NE(hulls[0].fillColor(), hulls[1].fillColor());
    const Rect innerGrown = insetRect(hulls[0].bounds(), -4, -4);
    EXPECT_TRUE(containsRect(hulls[1].bounds(), innerGrown));
    EXPECT_EQ(innerGrown.maxX(), hulls[1].bounds().maxX());
}

// The canvas rebuilds hulls at every repaint but shows a small part of a large map: a hull that
// cannot meet the clip is left out, with the hulls inside it.
TEST_F(HullsTest, HullsThatCannotMeetTheClipAreLeftOut)
{
    branch->assureHullStyle();
    MindMapNode* inner = topicAt(branch, {400, 100});
    inner->assureHullStyle();
    topicAt(inner, {600, 300});
    MindMapNode* hidden = topicAt(inner, {700, 500});
    hidden->setIsHidden(true);
    MindMapNode* far = topicAt(root, {200, 3000});
    far->assureHullStyle();
    const std::vector<MapHull> whole = build();
    ASSERT_EQ(3u, whole.size());

    // A clip sliding across the map and past it: every hull the painter would draw there is
    // built, with the very points it has without a clip.
    for (double y = -200; y <= 3300; y += 7)
        for (double x = -100; x <= 900; x += 9) {
            const Rect clip(x, y, 12, 10);
            builder.buildHullsForMindMap(map, clip);
            const std::vector<MapHull>& clipped = builder.hulls();
            for (const MapHull& hull : whole) {
                if (!intersectsRect(insetRect(hull.bounds(), -hull.strokeWidth(), -hull.strokeWidth()), clip)) continue;
                const bool built = std::any_of(clipped.begin(), clipped.end(),
                                               [&](const MapHull& h) { return h.points() == hull.points(); });
                EXPECT_TRUE(built) << x << ", " << y;
            }
        }
    // Far from both branches, nothing; on the far one, only its hull.
    EXPECT_TRUE(builder.buildHullsForMindMap(map, Rect(-500, 1500, 100, 100)).empty());
    auto centreOf = [](const MapHull& hull) {
        return Rect(hull.bounds().midX() - 5, hull.bounds().midY() - 5, 10, 10);
    };
    const auto& onFar = builder.buildHullsForMindMap(map, centreOf(whole[2]));
    ASSERT_EQ(1u, onFar.size());
    EXPECT_EQ(whole[2].points(), onFar[0].points());

    // A topic's hull colour is current wherever it is painted, whatever changed while it was
    // out of view.
    const Color red(1, 0, 0);
    far->hullStyle()->setFillColor(red);
    far->hullStyle()->setCustomColor(true);
    EXPECT_EQ(2u, builder.buildHullsForMindMap(map, centreOf(whole[1])).size());
    builder.buildHullsForMindMap(map, centreOf(whole[2]));
    EXPECT_EQ(red, far->hullColor());
    EXPECT_EQ(red, builder.hulls()[0].fillColor());
}

TEST_F(HullsTest, LightnessFollowsTheBackground)
{
    const struct {
        double background; // a grey, whose luminance is its level
        int64_t level;
        double lightness;
    } cases[] = {
        {1.0, 1, 0.95},
        {1.0, 2, 0.95 * 0.95},
        {1.0, 0, 0.95},
        {0.2, 1, 0.2 * 0.95},
        {0.1, 1, 0.1 + 0.1 * 0.9 * 0.9 + 0.1 * 0.9},
        {0.1, 3, 0.1 + (1 - 0.729) * 0.9 * 0.9 + 0.1 * 0.9},
    };
    const Color fill = Color::rgb255(200, 60, 60);
    std::array<double, 3> fillHsl{}, hsl{};
    HSLTransformer::colorToHSL(fill, fillHsl);
    for (const auto& c : cases) {
        map.style()->setBackgroundColor(Color(c.background, c.background, c.background));
        map.style()->setPropCustomized(MindMapStyle::BackgroundColorMask, true);
        build();
        HSLTransformer::colorToHSL(builder.calcHullColor(fill, c.level), hsl);
        EXPECT_NEAR(c.lightness, hsl[2], 1e-9) << c.background << " level " << c.level;
        EXPECT_NEAR(fillHsl[0], hsl[0], 1e-9);
        EXPECT_NEAR(fillHsl[1], hsl[1], 1e-9);
    }
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
    ASSERT_EQ(2u, build().size());
    EXPECT_GT(build()[1].bounds().maxY(), chain.back()->location().y);

    // Only the four lines that meet the clip are drawn.
    RecordingGraphicsContext context;
    MindMapPaintSelection selection(&map);
    MindMapPainter painter(context, selection, 0, Rect(0, 30000, 400, 60));
    painter.paintParentRelations(*chain[0]);
    painter.paintElementsContainedByParentRelations(*chain[0]);
    EXPECT_EQ(4u, context.entriesOfKind(Kind::Stroke).size());
}

TEST_F(HullsTest, Painting)
{
    MapHull hull;
    hull.copyPoints(points({{0, 0}, {100, 0}, {100, 6}, {0, 50}}));
    hull.setFillColor(Color(0.9, 0.9, 0.9));
    hull.setStrokeColor(Color(0.45, 0.45, 0.45));
    MindMapPaintSelection selection(&map);
    RecordingGraphicsContext context;
    MindMapPainter painter(context, selection, 0, Rect());
    HullPainter(painter).paintHull(hull);
    const auto& entries = context.entries();
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ(Color(0.9, 0.9, 0.9), entries[0].color);
    EXPECT_EQ(Color(0.45, 0.45, 0.45), entries[1].style.color);
    EXPECT_DOUBLE_EQ(0.5, entries[1].path.lineWidth());
    // Corners round off 5 points along long edges; the short edge is all corner.
    const double slant = std::hypot(100, 44);
    const std::vector<Point> ends{{0, 5}, {5, 0}, {95, 0}, {100, 3}, {100 - 500 / slant, 6 + 220 / slant}};
    const auto& elements = entries[0].path.elements();
    for (size_t i = 0; i < ends.size(); ++i) {
        const auto& e = elements[i];
        EXPECT_NEAR(0, PointDistance(ends[i], e.points[e.type == BezierPath::ElementType::CurveTo ? 2 : 0]), 1e-9);
    }

    // Dimmed while searching or focusing.
    MindMapSearchData criteria("root");
    criteria.setScope(SearchScopeText);
    map.setSearchData(&criteria);
    for (uint32_t flags : {uint32_t(PaintFlagDesigning), uint32_t(PaintFlagDesigning | PaintFlagAutoFocus)}) {
        if (flags & PaintFlagAutoFocus) map.setSearchData(nullptr);
        RecordingGraphicsContext dimmed;
        MindMapPainter dimming(dimmed, selection, flags, Rect());
        HullPainter(dimming).paintHull(hull);
        ASSERT_EQ(2u, dimmed.entries().size());
        EXPECT_EQ(dimming.getDimmedColor(Color(0.9, 0.9, 0.9), true), dimmed.entries()[0].color);
        EXPECT_NE(Color(0.9, 0.9, 0.9), dimmed.entries()[0].color);
    }

    // Fewer than 3 points, or outside the clip: nothing.
    for (auto [outline, clip] : {std::pair{points({{0, 0}, {30, 30}}), Rect()},
                                 {points({{0, 0}, {30, 0}, {0, 30}}), Rect(200, 200, 10, 10)}}) {
        hull.copyPoints(outline);
        RecordingGraphicsContext none;
        MindMapPainter clipped(none, selection, 0, clip);
        HullPainter(clipped).paintHull(hull);
        HullPainter(clipped).paintHullSimplified(hull);
        EXPECT_TRUE(none.entries().empty());
    }
}

TEST_F(HullsTest, HullPixels)
{
    MapHull hull;
    hull.copyPoints(points({{10, 10}, {90, 10}, {90, 90}, {10, 90}}));
    hull.setFillColor(Color(0, 0.5, 1));
    Image image(100, 100);
    {
        const CairoContext cr(cairo_create(image.surface()));
        cairo_set_source_rgb(cr.get(), 1, 1, 1);
        cairo_paint(cr.get());
        CairoGraphicsContext cairo(cr.get(), GraphicsSurfaceKind::Bitmap);
        MindMapPaintSelection selection(&map);
        MindMapPainter painter(cairo, selection, 0, Rect());
        HullPainter(painter).paintHull(hull);
    }
    cairo_surface_flush(image.surface());
    // The very corner is rounded off.
    for (auto [x, y, rgb] :
         {std::tuple{50, 50, 0x0080ffu}, {12, 50, 0x0080ffu}, {10, 10, 0xffffffu}, {5, 50, 0xffffffu}}) {
        uint32_t pixel;
        std::memcpy(&pixel,
                    cairo_image_surface_get_data(image.surface()) +
                        y * cairo_image_surface_get_stride(image.surface()) + 4 * x,
                    4);
        EXPECT_EQ(rgb, pixel & 0xffffff) << x << "," << y;
    }
}

} // namespace
