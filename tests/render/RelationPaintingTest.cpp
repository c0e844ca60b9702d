#include "MindMaps/MindMapNodeTestSupport.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMapSearchData.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RelationStyle.h"
#include "Utils/GeometryHelpers.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/Image.h"
#include "render/LinePaintParams.h"
#include "render/MindMapPaintSelection.h"
#include "render/MindMapPainter.h"
#include "support/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace {

using Kind = RecordingGraphicsContext::Kind;
using Entry = RecordingGraphicsContext::Entry;

std::vector<Point> pointsOf(const BezierPath& path)
{
    std::vector<Point> points;
    for (const auto& e : path.elements()) {
        if (e.type != BezierPath::ElementType::ClosePath)
            points.push_back(e.points[e.type == BezierPath::ElementType::CurveTo ? 2 : 0]);
    }
    return points;
}

// A root at (0, 0) and a topic at (200, 0), joined by a straight solid line.
class RelationPaintingTest : public nodetest::NodeTest {
protected:
    void SetUp() override
    {
        NodeTest::SetUp();
        root = theme("root");
        root->setLocation({0, 0});
        settle(root);
        topic = child(root, {200, 0});
        settle(topic);
        style().changeLineStyle(1);
        topic->parentRelation()->relationPath().setStraightLine({0, 0}, {200, 0});
    }

    RelationStyle& style() { return *topic->parentRelation()->ownStyle(); }

    MindMapPainter& painter(uint32_t flags = 0, Rect clip = Rect())
    {
        context.clear();
        _painter = std::make_unique<MindMapPainter>(context, selection, flags, clip);
        return *_painter;
    }

    // The fills and strokes of painting the root's relations.
    std::vector<const Entry*> paintLines(uint32_t flags = 0, Rect clip = Rect())
    {
        painter(flags, clip).paintParentRelations(*root);
        std::vector<const Entry*> entries;
        for (const Entry& e : context.entries()) {
            if (e.kind == Kind::Fill || e.kind == Kind::Stroke) entries.push_back(&e);
        }
        return entries;
    }

    RecordingGraphicsContext context;
    MindMapPaintSelection selection{&map};
    MindMapNode* root = nullptr;
    MindMapNode* topic = nullptr;

private:
    std::unique_ptr<MindMapPainter> _painter;
};

TEST_F(RelationPaintingTest, LineStyles)
{
    const struct {
        int32_t style;
        double width;
        std::vector<double> dash;
        double innerWidth; // of the white inner line; 0 for none
        bool dashedInner;
    } cases[] = {
        {0, 3.0, {1.7, 1.7}, 0, false},
        {1, 3.0, {}, 0, false},
        {2, 4.5, {}, 1.0, false},
        {3, 1.7, {}, 0, false},
        {4, 3.0, {3.06, 3.06}, 0, false},
        {5, 4.5, {}, 1.5, true},
        {6, 2.0, {2.21, 2.21}, 0, false},
        // Unknown codes draw the plain solid line.
        {10, 3.0, {}, 0, false},
        {-3, 3.0, {}, 0, false},
    };
    for (const auto& c : cases) {
        style().changeLineStyle(c.style);
        auto entries = paintLines();
        ASSERT_EQ(c.innerWidth > 0 ? 2u : 1u, entries.size()) << c.style;
        EXPECT_DOUBLE_EQ(c.width, entries[0]->path.lineWidth()) << c.style;
        EXPECT_EQ(c.dash, entries[0]->style.dash) << c.style;
        if (c.innerWidth == 0) continue;
        EXPECT_EQ(Color::white(), entries[1]->style.color);
        EXPECT_DOUBLE_EQ(c.innerWidth, entries[1]->path.lineWidth());
        EXPECT_EQ(c.dashedInner, !entries[1]->style.dash.empty());
    }
    // Tapered outlines are filled and stroked round; the auto taper at the lead-out width.
    for (int32_t tapered : {7, 8, 9}) {
        style().changeLineStyle(tapered);
        topic->parentRelation()->updatePathTaper();
        topic->parentRelation()->relationPath().setLeadOutWidth(6.5);
        auto entries = paintLines();
        ASSERT_EQ(2u, entries.size());
        EXPECT_EQ(Kind::Fill, entries[0]->kind);
        EXPECT_EQ(LineCap::Round, entries[1]->style.cap);
        EXPECT_DOUBLE_EQ(tapered == 9 ? 6.5 : 1.7, entries[1]->path.lineWidth());
    }
}

TEST_F(RelationPaintingTest, SelectedLineIsHighlightedWhileDesigning)
{
    topic->parentRelation()->setIsSelected(true);
    const Color selectionColor = painter().lineSelectionColor();
    for (auto [width, highlight] : {std::pair{3.0, 12.0}, {8.0, 14.0}}) {
        style().changeLineWidth(width);
        auto entries = paintLines(PaintFlagDesigning);
        ASSERT_EQ(2u, entries.size());
        EXPECT_EQ(selectionColor, entries[0]->style.color);
        EXPECT_DOUBLE_EQ(highlight, entries[0]->path.lineWidth());
    }
    EXPECT_EQ(1u, paintLines().size());
}

TEST_F(RelationPaintingTest, FineDashesAreSimplifiedToFaintSolidLines)
{
    for (int32_t dashed : {0, 4, 6}) {
        style().changeLineStyle(dashed);
        auto entries = paintLines(PaintFlagDesigning | PaintFlagSimplifyFineDashes);
        ASSERT_EQ(1u, entries.size());
        EXPECT_TRUE(entries[0]->style.dash.empty());
        EXPECT_DOUBLE_EQ(0.5, entries[0]->style.color.alpha());
    }
}

TEST_F(RelationPaintingTest, CollapsedTopicsAndClippedLinesDrawNothing)
{
    RelationPath& path = topic->parentRelation()->relationPath();
    path.setLeadOutPoint({220, 40});
    const struct {
        Rect clip;
        bool leadOut;
        bool painted;
    } cases[] = {
        {Rect(100, -5, 10, 10), false, true}, {Rect(205, 0, 10, 10), false, true},
        {Rect(211, 0, 10, 10), false, false}, {Rect(300, 300, 10, 10), false, false},
        {Rect(215, 35, 10, 10), true, true}, // the lead-out's square
    };
    for (const auto& c : cases) {
        path.hasLeadOut = c.leadOut;
        EXPECT_EQ(c.painted, !paintLines(0, c.clip).empty()) << c.clip.minX() << "," << c.clip.minY();
    }
    root->setCollapsed(true);
    EXPECT_TRUE(paintLines().empty());
}

TEST_F(RelationPaintingTest, BrokenAndUnroutedLines)
{
    for (Point bad : {Point{std::numeric_limits<double>::quiet_NaN(), 0}, Point{0, -INFINITY}}) {
        topic->parentRelation()->relationPath().setStraightLine({0, 0}, bad);
        EXPECT_TRUE(paintLines().empty());
    }
    // A line never routed joins the topics' centres.
    topic->parentRelation()->relationPath() = RelationPath();
    topic->setLocation({200, 10});
    EXPECT_EQ((std::vector<Point>{root->location(), {200, 10}}), pointsOf(paintLines()[0]->path));
    EXPECT_TRUE(topic->parentRelation()->relationPath().isNull());
    style().changeLineWidth(1e300);
    EXPECT_DOUBLE_EQ(LinePaintParams::MaxLineWidth, paintLines()[0]->path.lineWidth());
}

TEST_F(RelationPaintingTest, TopDownConnectorOnlyWithChildren)
{
    topic->setLayoutMode(4);
    EXPECT_EQ(1u, paintLines().size());

    for (Point at : {Point{150, 60}, Point{280, 60}}) {
        MindMapNode* node = child(topic, at);
        node->parentRelation()->ownStyle()->changeLineStyle(1);
        node->parentRelation()->relationPath().setStraightLine({200, 30}, at);
    }
    auto entries = paintLines();
    ASSERT_EQ(4u, entries.size());
    // Down to the first child's line, then a bar half a line width lower across all children.
    EXPECT_EQ((std::vector<Point>{{200, 0}, {200, 30}, {150, 31.5}, {280, 31.5}}), pointsOf(entries[1]->path));
}

TEST_F(RelationPaintingTest, Arrows)
{
    const Color red(1, 0, 0);
    const struct {
        int32_t style;
        double lineScale;
        std::vector<Kind> kinds;
        std::vector<Point> points;
        double width;
    } cases[] = {
        {1, 1, {Kind::Stroke}, {{93, 5}, {100, 0}, {93, -5}}, 2},
        {2, 1, {Kind::Fill}, {{91.6, 6}, {100, 0}, {91.6, -6}}, 2},
        {3, 1, {Kind::Fill, Kind::Stroke}, {{93, 5}, {100, 0}, {93, -5}}, 2},
        {4, 1, {Kind::Stroke}, {{93, 7.5}, {93, -7.5}}, 2},
        {5, 1, {Kind::Fill, Kind::Stroke}, {}, 2},
        {6, 1, {Kind::Fill}, {}, 2},
        {7, 1, {Kind::Fill, Kind::Stroke}, {{93, 5}, {100, 0}, {93, -5}, {86, 0}}, 2},
        {8, 1, {Kind::Fill}, {{91.6, 6}, {100, 0}, {91.6, -6}, {83.2, 0}}, 2},
        // Three times the default line: half as large again, the outline 1/16 wider.
        {1, 3, {Kind::Stroke}, {{89.5, 7.5}, {100, 0}, {89.5, -7.5}}, 2.125},
        {0, 1, {}, {}, 0},
        {9, 1, {}, {}, 0},
    };
    for (const auto& c : cases) {
        MindMapPainter& arrows = painter();
        arrows.paintArrow({{100, 0}, {10, 0}}, c.style, red, c.lineScale);
        arrows.paintArrow({{100, 0}, {0, 0}}, c.style, red, c.lineScale);
        const auto& entries = context.entries();
        ASSERT_EQ(c.kinds.size(), entries.size()) << c.style;
        for (size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(c.kinds[i], entries[i].kind);
            const bool hollow = c.kinds.size() == 2 && i == 0;
            EXPECT_EQ(hollow ? arrows.backgroundColor() : red, i == 0 ? entries[i].color : entries[i].style.color);
        }
        if (entries.empty()) continue;
        EXPECT_DOUBLE_EQ(c.width, entries.back().path.lineWidth());
        const auto points = pointsOf(entries[0].path);
        if (c.points.empty()) { // a circle round the base point
            const double radius = c.style == 6 ? 6 : 5;
            EXPECT_EQ(Rect(93 - radius, -radius, 2 * radius, 2 * radius), entries[0].path.controlPointBounds());
            continue;
        }
        ASSERT_EQ(c.points.size(), points.size());
        for (size_t i = 0; i < points.size(); ++i) EXPECT_NEAR(0, PointDistance(c.points[i], points[i]), 1e-9);
    }
}

TEST_F(RelationPaintingTest, ArrowOfAHiddenTargetAimsAtItsUnhideMarker)
{
    style().changeTargetArrow(2);
    const RelationPath& path = topic->parentRelation()->relationPath();
    for (bool hidden : {false, true}) {
        topic->setIsHidden(hidden);
        const Rect target = hidden ? insetRect(topic->getUnhideMarkerBounds(), 3, 3) : topic->bounds();
        auto entries = paintLines();
        ASSERT_LE(2u, entries.size());
        EXPECT_EQ(path.calcTargetArrowPosition(target).position, pointsOf(entries[1]->path)[1]);
    }
}

TEST_F(RelationPaintingTest, ThumbnailsDrawNoArrows)
{
    CrossLink* link = map.internalAddCrossLinkFromSource(root, topic);
    link->relationPath().setStraightLine({0, 0}, {200, 0});
    link->ownStyle()->changeLineStyle(1);
    link->ownStyle()->changeSourceArrow(6);
    link->ownStyle()->changeTargetArrow(8);
    for (auto [flags, entries] : {std::pair{0u, 3u}, {uint32_t(PaintFlagThumbnail), 1u}}) {
        painter(flags).paintCrossLink(*link);
        EXPECT_EQ(entries, context.entries().size());
    }
}

TEST_F(RelationPaintingTest, WholeJobs)
{
    // In a whole job the topic's line is told by its two points.
    auto lineWidthsAndShadows = [&](uint32_t flags) {
        context.clear();
        MindMapPainter::paintMindMap(context, *MindMapPaintSelection::mindMapPaintSelection(map, false), flags, Rect());
        std::vector<std::pair<double, bool>> strokes;
        for (const Entry* e : context.entriesOfKind(Kind::Stroke)) {
            if (pointsOf(e->path) == std::vector<Point>{{0, 0}, {200, 0}})
                strokes.emplace_back(e->path.lineWidth(), e->shadowed);
        }
        return strokes;
    };
    style().changeLineStyle(5);
    using Strokes = std::vector<std::pair<double, bool>>;
    // Thumbnails draw every line thin and solid, at least 4 wide, unless high resolution.
    EXPECT_EQ((Strokes{{4.0, false}}), lineWidthsAndShadows(MindMapPainter::ThumbnailFlags));
    EXPECT_EQ((Strokes{{4.5, false}, {1.5, false}}),
              lineWidthsAndShadows(MindMapPainter::ThumbnailFlags | PaintFlagHighResolution));
    // The white inner line casts no shadow.
    ASSERT_FALSE(lineWidthsAndShadows(0).empty());
    ASSERT_FALSE(context.entriesOfKind(Kind::ShadowBegin).empty());
    EXPECT_EQ((Strokes{{4.5, true}, {1.5, false}}), lineWidthsAndShadows(0));

    // Lifting the shadow for the inner line leaves cairo's groups paired.
    Image image(300, 100);
    const CairoContext cr(cairo_create(image.surface()));
    CairoGraphicsContext cairo(cr.get(), GraphicsSurfaceKind::Bitmap);
    EXPECT_TRUE(
        MindMapPainter::paintMindMap(cairo, *MindMapPaintSelection::mindMapPaintSelection(map, false), 0, Rect()))
        << cairo.failureReason();
}

TEST_F(RelationPaintingTest, LinesAreDimmedWhileSearchingOrOutsideTheFocus)
{
    style().setColor(Color(0.8, 0.2, 0.1));
    style().setPropCustomized(RelationStyle::ColorMask, true);
    MindMapSearchData criteria("root");
    criteria.setScope(SearchScopeText);
    const struct {
        bool searching;
        uint32_t flags;
        bool focused;
        bool dimmed;
    } cases[] = {
        {false, PaintFlagDesigning, false, false},
        {true, PaintFlagDesigning, true, true}, // lines never match a search
        {false, PaintFlagDesigning | PaintFlagAutoFocus, false, true},
        {false, PaintFlagDesigning | PaintFlagAutoFocus, true, false},
    };
    for (const auto& c : cases) {
        map.setSearchData(c.searching ? &criteria : nullptr);
        topic->parentRelation()->setIsAutoFocused(c.focused);
        const Color expected = painter(c.flags).getDimmedColor(Color(0.8, 0.2, 0.1), c.dimmed);
        EXPECT_EQ(expected, paintLines(c.flags)[0]->style.color);
    }
    map.setSearchData(nullptr);
}

TEST_F(RelationPaintingTest, GuideLinesKeepTheirWidthOnScreen)
{
    struct SnappingEditor : maptest::CountingNodeEditor {
        std::vector<std::pair<Point, Point>> snapGuideLines() const override { return {{{0, 0}, {0, 100}}}; }
    } snapping;
    map.setNodeEditor(&snapping);
    for (auto [scale, unit] : {std::pair{1.0, 1.0}, {0.5, 2.0}, {4.0, 1.0}, {0.001, 100.0}}) {
        RecordingGraphicsContext zoomed;
        zoomed.scale(scale, scale);
        MindMapPainter(zoomed, selection, 0, Rect()).paintSnapGuideLines();
        EXPECT_TRUE(zoomed.entries().empty());
        MindMapPainter(zoomed, selection, PaintFlagDesigning, Rect()).paintSnapGuideLines();
        auto strokes = zoomed.entriesOfKind(Kind::Stroke);
        ASSERT_EQ(2u, strokes.size());
        EXPECT_EQ((std::vector<Point>{{0, 100}, {0, 0}}), pointsOf(strokes[1]->path));
        EXPECT_DOUBLE_EQ(5 * unit, strokes[0]->path.lineWidth());
        EXPECT_DOUBLE_EQ(unit, strokes[1]->path.lineWidth());
        EXPECT_EQ((std::vector<double>{5 * unit, 1.5 * unit}), strokes[1]->style.dash);
    }
    map.setNodeEditor(&editor);
}

TEST_F(RelationPaintingTest, DoubleLinePixels)
{
    style().changeLineStyle(2);
    style().setColor(Color(1, 0, 0));
    style().setPropCustomized(RelationStyle::ColorMask, true);
    Image image(240, 60);
    {
        const CairoContext cr(cairo_create(image.surface()));
        cairo_set_source_rgb(cr.get(), 0.5, 0.5, 0.5);
        cairo_paint(cr.get());
        CairoGraphicsContext cairo(cr.get(), GraphicsSurfaceKind::Bitmap);
        // Half a pixel down, so that the white one-point inner line covers one pixel row exactly.
        cairo.translate(20, 30.5);
        MindMapPainter(cairo, selection, 0, Rect()).paintParentRelations(*root);
    }
    cairo_surface_flush(image.surface());
    for (auto [y, rgb] :
         {std::pair{30, 0xffffffu}, {29, 0xff0000u}, {31, 0xff0000u}, {27, 0x808080u}, {33, 0x808080u}}) {
        uint32_t pixel;
        std::memcpy(&pixel,
                    cairo_image_surface_get_data(image.surface()) +
                        y * cairo_image_surface_get_stride(image.surface()) + 4 * 120,
                    4);
        EXPECT_EQ(rgb, pixel & 0xffffff) << y;
    }
}

} // namespace
