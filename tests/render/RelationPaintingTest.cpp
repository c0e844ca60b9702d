#include "MindMaps/MindMapNodeTestSupport.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/TextStyle.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/Image.h"
#include "render/LinePaintParams.h"
#include "render/MindMapPaintSelection.h"
#include "render/MindMapPainter.h"
#include "support/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

using Kind = RecordingGraphicsContext::Kind;
using Entry = RecordingGraphicsContext::Entry;

std::vector<Point> pointsOf(const BezierPath& path)
{
    std::vector<Point> points;
    for (const auto& element : path.elements()) {
        if (element.type == BezierPath::ElementType::MoveTo || element.type == BezierPath::ElementType::LineTo)
            points.push_back(element.points[0]);
        else if (element.type == BezierPath::ElementType::CurveTo) points.push_back(element.points[2]);
    }
    return points;
}

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
        plain(topic);
        straighten(topic, {0, 0}, {200, 0});
        selection = std::make_unique<MindMapPaintSelection>(&map);
    }

    // The solid line of the default width, whatever the style sheet gives.
    static void plain(MindMapNode* node) { node->parentRelation()->style()->changeLineStyle(1); }

    static void straighten(MindMapNode* node, Point from, Point to)
    {
        RelationPath& path = node->parentRelation()->relationPath();
        path.setStraightLine(from, to);
        path.hasLeadIn = path.hasLeadOut = false;
    }

    MindMapPainter& painter(uint32_t flags = 0, Rect clip = Rect())
    {
        _painter = std::make_unique<MindMapPainter>(context, *selection, flags, clip);
        return *_painter;
    }

    std::vector<const Entry*> drawn() const
    {
        std::vector<const Entry*> entries;
        for (const Entry& e : context.entries()) {
            if (e.kind == Kind::Fill || e.kind == Kind::Stroke) entries.push_back(&e);
        }
        return entries;
    }

    RecordingGraphicsContext context;
    std::unique_ptr<MindMapPaintSelection> selection;
    MindMapNode* root = nullptr;
    MindMapNode* topic = nullptr;

private:
    std::unique_ptr<MindMapPainter> _painter;
};

TEST_F(RelationPaintingTest, EachLineStyleStrokesAsItsTableSays)
{
    const struct {
        int32_t style;
        double width;
        std::vector<double> dash;
        bool filled;
        double innerWidth; // 0: no white inner line
        std::vector<double> innerDash;
    } cases[] = {
        {0, 3.0, {1.7, 1.7}, false, 0, {}},
        {1, 3.0, {}, false, 0, {}},
        {2, 4.5, {}, false, 1.0, {}},
        {3, 1.7, {}, false, 0, {}},
        {4, 3.0, {3.06, 3.06}, false, 0, {}},
        {5, 4.5, {}, false, 1.5, {3.06, 3.06}},
        {6, 2.0, {2.21, 2.21}, false, 0, {}},
        {7, 1.7, {}, true, 0, {}},
        {8, 1.7, {}, true, 0, {}},
        // Unknown codes are drawn as the plain solid line, at the width of codes above 9.
        {10, 3.0, {}, false, 0, {}},
        {-3, 3.0, {}, false, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        topic->parentRelation()->style()->changeLineStyle(c.style);
        straighten(topic, {0, 0}, {200, 0});
        topic->parentRelation()->updatePathTaper();
        context.clear();
        painter().paintParentRelations(*root);

        auto entries = drawn();
        size_t i = 0;
        if (c.filled) {
            ASSERT_GT(entries.size(), i);
            EXPECT_EQ(Kind::Fill, entries[i]->kind);
            ++i;
        }
        ASSERT_GT(entries.size(), i);
        const Entry& line = *entries[i++];
        EXPECT_EQ(Kind::Stroke, line.kind);
        EXPECT_DOUBLE_EQ(c.width, line.path.lineWidth());
        EXPECT_EQ(c.dash, line.style.dash);
        EXPECT_EQ(c.filled ? LineCap::Round : LineCap::Butt, line.style.cap);
        EXPECT_EQ(c.filled ? LineJoinStyle::Round : LineJoinStyle::Miter, line.path.lineJoinStyle());
        if (c.innerWidth > 0) {
            ASSERT_GT(entries.size(), i);
            const Entry& inner = *entries[i++];
            EXPECT_EQ(Color::white(), inner.style.color);
            EXPECT_DOUBLE_EQ(c.innerWidth, inner.path.lineWidth());
            EXPECT_EQ(c.innerDash, inner.style.dash);
        }
        EXPECT_EQ(i, entries.size());
    }
}

TEST_F(RelationPaintingTest, AutoTaperedLineTakesTheLeadOutWidth)
{
    topic->parentRelation()->style()->changeLineStyle(9);
    RelationPath& path = topic->parentRelation()->relationPath();
    path.taperWidth = 0;
    path.leadOutWidth = 6.5;
    painter().paintParentRelations(*root);
    auto entries = drawn();
    ASSERT_EQ(1u, entries.size());
    EXPECT_DOUBLE_EQ(6.5, entries[0]->path.lineWidth());
}

TEST_F(RelationPaintingTest, SelectedRelationGetsAWideHighlightUnderneath)
{
    topic->parentRelation()->setIsSelected(true);
    const struct {
        double width;
        double highlight;
    } cases[] = {{3, 12}, {8, 14}};
    for (const auto& c : cases) {
        topic->parentRelation()->style()->changeLineStyle(1);
        topic->parentRelation()->style()->changeLineWidth(c.width);
        context.clear();
        MindMapPainter& designer = painter(PaintFlagDesigning);
        designer.paintParentRelations(*root);
        auto entries = drawn();
        ASSERT_EQ(2u, entries.size());
        EXPECT_EQ(designer.lineSelectionColor(), entries[0]->style.color);
        EXPECT_DOUBLE_EQ(c.highlight, entries[0]->path.lineWidth());
        EXPECT_DOUBLE_EQ(c.width, entries[1]->path.lineWidth());
    }
    // Outside the editor a selection shows nothing.
    context.clear();
    painter().paintParentRelations(*root);
    EXPECT_EQ(1u, drawn().size());
}

TEST_F(RelationPaintingTest, FineDashesAreSimplifiedToFaintSolidLines)
{
    const struct {
        int32_t style;
        double width;
    } cases[] = {{0, 3.0}, {4, 3.0}, {6, 2.0}};
    for (const auto& c : cases) {
        topic->parentRelation()->style()->changeLineStyle(c.style);
        context.clear();
        painter(PaintFlagDesigning | PaintFlagSimplifyFineDashes).paintParentRelations(*root);
        auto entries = drawn();
        ASSERT_EQ(1u, entries.size());
        EXPECT_TRUE(entries[0]->style.dash.empty());
        EXPECT_DOUBLE_EQ(0.5, entries[0]->style.color.alpha());
        EXPECT_DOUBLE_EQ(c.width, entries[0]->path.lineWidth());
    }
}

TEST_F(RelationPaintingTest, LeadOutIsDrawnOnlyToAVisibleTarget)
{
    RelationPath& path = topic->parentRelation()->relationPath();
    path.hasLeadOut = true;
    path.leadOutPoint = {240, 0};
    painter().paintParentRelations(*root);
    ASSERT_EQ(1u, drawn().size());
    EXPECT_EQ((std::vector<Point>{{0, 0}, {200, 0}, {240, 0}}), pointsOf(drawn()[0]->path));

    // The unhide marker follows the line.
    topic->setIsHidden(true);
    context.clear();
    painter().paintParentRelations(*root);
    ASSERT_FALSE(drawn().empty());
    EXPECT_EQ((std::vector<Point>{{0, 0}, {200, 0}}), pointsOf(drawn()[0]->path));
}

TEST_F(RelationPaintingTest, CollapsedTopicPaintsNoneOfItsBranch)
{
    MindMapNode* leaf = child(topic, {400, 0});
    settle(leaf);
    plain(leaf);
    straighten(leaf, {200, 0}, {400, 0});
    painter().paintParentRelations(*root);
    EXPECT_EQ(2u, drawn().size());

    topic->setCollapsed(true);
    context.clear();
    painter().paintParentRelations(*root);
    EXPECT_EQ(1u, drawn().size());
    root->setCollapsed(true);
    context.clear();
    painter().paintParentRelations(*root);
    EXPECT_TRUE(drawn().empty());
}

TEST_F(RelationPaintingTest, RelationsOutsideTheClipAreSkipped)
{
    RelationPath& path = topic->parentRelation()->relationPath();
    const struct {
        Rect clip;
        bool leadOut;
        bool painted;
    } cases[] = {
        {Rect(100, -5, 10, 10), false, true},   {Rect(205, 0, 10, 10), false, true}, // within the 10-point margin
        {Rect(300, 300, 10, 10), false, false},                                      // far away
        {Rect(211, 0, 10, 10), false, false},                                        // just beyond the margin
        {Rect(215, 35, 10, 10), true, true},                                         // the lead-out's square
    };
    for (const auto& c : cases) {
        path.hasLeadOut = c.leadOut;
        path.leadOutPoint = {220, 40};
        context.clear();
        painter(0, c.clip).paintParentRelations(*root);
        EXPECT_EQ(c.painted, !drawn().empty()) << c.clip.minX() << "," << c.clip.minY();
    }
}

TEST_F(RelationPaintingTest, BrokenGeometryAndWidthsNeverReachTheContext)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (Point bad : {Point{nan, 0}, Point{0, inf}}) {
        straighten(topic, {0, 0}, bad);
        context.clear();
        painter().paintParentRelations(*root);
        EXPECT_TRUE(drawn().empty());
    }
    straighten(topic, {0, 0}, {200, 0});
    topic->parentRelation()->style()->changeLineStyle(1);
    topic->parentRelation()->style()->changeLineWidth(1e300);
    context.clear();
    painter().paintParentRelations(*root);
    ASSERT_EQ(1u, drawn().size());
    EXPECT_DOUBLE_EQ(LinePaintParams::MaxLineWidth, drawn()[0]->path.lineWidth());
}

TEST_F(RelationPaintingTest, TopDownConnectorNeedsAChild)
{
    topic->setLayoutMode(4);
    painter().paintParentRelations(*root);
    EXPECT_EQ(1u, drawn().size()); // the topic's own line, no connector

    MindMapNode* left = child(topic, {150, 60});
    MindMapNode* right = child(topic, {280, 60});
    settle(left);
    settle(right);
    plain(left);
    plain(right);
    straighten(left, {200, 30}, {150, 60});
    straighten(right, {200, 30}, {280, 60});
    context.clear();
    painter().paintParentRelations(*root);
    auto entries = drawn();
    ASSERT_EQ(4u, entries.size());
    // The connector is drawn before the lines to the children: a stem down to the first child's
    // start, and a bar half a line width below it across all children.
    EXPECT_EQ((std::vector<Point>{{200, 0}, {200, 30}, {150, 31.5}, {280, 31.5}}), pointsOf(entries[1]->path));
    EXPECT_DOUBLE_EQ(3.0, entries[1]->path.lineWidth());
}

TEST_F(RelationPaintingTest, ArrowShapes)
{
    const ArrowPosition at{{100, 0}, {10, 0}};
    const Color red(1, 0, 0);
    const struct {
        int32_t style;
        double lineScale;
        std::vector<Kind> kinds;
        std::vector<Point> points;
        double width;
    } cases[] = {
        {0, 1, {}, {}, 0},
        {1, 1, {Kind::Stroke}, {{93, 5}, {100, 0}, {93, -5}}, 2},
        {2, 1, {Kind::Fill}, {{91.6, 6}, {100, 0}, {91.6, -6}}, 2},
        {3, 1, {Kind::Fill, Kind::Stroke}, {{93, 5}, {100, 0}, {93, -5}}, 2},
        {4, 1, {Kind::Stroke}, {{93, 7.5}, {93, -7.5}}, 2},
        {7, 1, {Kind::Fill, Kind::Stroke}, {{93, 5}, {100, 0}, {93, -5}, {86, 0}}, 2},
        {8, 1, {Kind::Fill}, {{91.6, 6}, {100, 0}, {91.6, -6}, {83.2, 0}}, 2},
        // A line three times the default width: the arrow grows by half, its outline by 1/16.
        {1, 3, {Kind::Stroke}, {{89.5, 7.5}, {100, 0}, {89.5, -7.5}}, 2.125},
        {9, 1, {}, {}, 0},
        {-1, 1, {}, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        context.clear();
        MindMapPainter& arrows = painter();
        arrows.paintArrow(at, c.style, red, c.lineScale);
        auto entries = drawn();
        ASSERT_EQ(c.kinds.size(), entries.size());
        for (size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(c.kinds[i], entries[i]->kind);
            const Color& color = entries[i]->kind == Kind::Fill ? entries[i]->color : entries[i]->style.color;
            const bool hollowFill = entries[i]->kind == Kind::Fill && c.kinds.size() == 2;
            EXPECT_EQ(hollowFill ? arrows.backgroundColor() : red, color);
        }
        if (entries.empty()) continue;
        auto points = pointsOf(entries[0]->path);
        ASSERT_EQ(c.points.size(), points.size());
        for (size_t i = 0; i < points.size(); ++i) {
            EXPECT_NEAR(c.points[i].x, points[i].x, 1e-9);
            EXPECT_NEAR(c.points[i].y, points[i].y, 1e-9);
        }
        EXPECT_DOUBLE_EQ(c.width, entries.back()->path.lineWidth());
    }
}

TEST_F(RelationPaintingTest, CircleArrowsSitOnTheBasePoint)
{
    const struct {
        int32_t style;
        double radius;
        size_t entries;
    } cases[] = {{5, 5, 2}, {6, 6, 1}};
    for (const auto& c : cases) {
        context.clear();
        painter().paintArrow({{100, 0}, {0, -4}}, c.style, Color(0, 0, 1), 1);
        auto entries = drawn();
        ASSERT_EQ(c.entries, entries.size());
        const Rect bounds = entries[0]->path.controlPointBounds();
        EXPECT_NEAR(100 - c.radius, bounds.minX(), 1e-9);
        EXPECT_NEAR(7 - c.radius, bounds.minY(), 1e-9);
        EXPECT_NEAR(2 * c.radius, bounds.height(), 1e-9);
    }
}

TEST_F(RelationPaintingTest, ZeroDirectionDrawsNoArrow)
{
    for (int32_t style = 1; style <= 8; ++style) painter().paintArrow({{100, 0}, {0, 0}}, style, Color(), 1);
    EXPECT_TRUE(drawn().empty());
}

TEST_F(RelationPaintingTest, ArrowsAimAtTheTargetOrItsUnhideMarker)
{
    RelationStyle& style = *topic->parentRelation()->style();
    style.changeLineStyle(1);
    style.changeTargetArrow(2);
    const RelationPath& path = topic->parentRelation()->relationPath();
    for (bool hidden : {false, true}) {
        topic->setIsHidden(hidden);
        const Rect target = hidden ? insetRect(topic->getUnhideMarkerBounds(), 3, 3) : topic->bounds();
        const Point tip = path.calcTargetArrowPosition(target).position;
        context.clear();
        painter().paintParentRelations(*root);
        auto entries = drawn();
        ASSERT_LE(2u, entries.size());
        EXPECT_EQ(Kind::Fill, entries[1]->kind);
        EXPECT_EQ(tip, pointsOf(entries[1]->path)[1]);
    }
    EXPECT_LT(path.calcTargetArrowPosition(topic->bounds()).position.x,
              path.calcTargetArrowPosition(insetRect(topic->getUnhideMarkerBounds(), 3, 3)).position.x);
}

TEST_F(RelationPaintingTest, ThumbnailsDrawNoArrows)
{
    MindMapNode* other = child(root, {0, 200});
    settle(other);
    CrossLink* link = map.internalAddCrossLinkFromSource(topic, other);
    link->relationPath().setStraightLine({200, 0}, {0, 200});
    link->style()->changeLineStyle(1);
    link->style()->changeSourceArrow(6);
    link->style()->changeTargetArrow(8);
    painter().paintCrossLink(*link);
    EXPECT_EQ(3u, drawn().size());
    context.clear();
    painter(PaintFlagThumbnail).paintCrossLink(*link);
    EXPECT_EQ(1u, drawn().size());
}

TEST_F(RelationPaintingTest, AnchorLinesJoinSelectedTextsToTheirTopics)
{
    MindMapText* text = topic->addText();
    text->setAbsLocation({260, 80});
    map.setSelectedElement(text);
    for (uint32_t flags : {uint32_t(PaintFlagDesigning), uint32_t(PaintFlagShowAnchors)}) {
        painter(flags).paintAnchorLines();
        EXPECT_TRUE(drawn().empty());
    }
    painter(PaintFlagDesigning | PaintFlagShowAnchors).paintAnchorLines();
    auto entries = drawn();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ((std::vector<Point>{{260, 80}, {200, 0}}), pointsOf(entries[0]->path));
    EXPECT_EQ((std::vector<double>{3.06, 3.06}), entries[0]->style.dash);
    EXPECT_DOUBLE_EQ(1.0, entries[0]->path.lineWidth());
    EXPECT_EQ(Color(0.35, 0.35, 0.35), entries[0]->style.color);

    // A call-out points at its topic itself.
    text->style()->setCallOut(1);
    text->style()->setPropCustomized(TextStyle::CallOutMask, true);
    context.clear();
    painter(PaintFlagDesigning | PaintFlagShowAnchors).paintAnchorLines();
    EXPECT_TRUE(drawn().empty());
}

TEST_F(RelationPaintingTest, GuideLinesKeepTheirScreenWidthWhenZoomedOut)
{
    const std::vector<std::pair<Point, Point>> lines{{{0, 0}, {0, 100}}};
    const struct {
        double scale;
        double unit;
    } cases[] = {{1, 1}, {0.5, 2}, {4, 1}, {0.001, 100}};
    for (const auto& c : cases) {
        RecordingGraphicsContext scaled;
        scaled.scale(c.scale, c.scale);
        MindMapPainter zoomed(scaled, *selection, PaintFlagDesigning, Rect());
        zoomed.paintGuideLines(lines);
        auto strokes = scaled.entriesOfKind(Kind::Stroke);
        ASSERT_EQ(2u, strokes.size());
        EXPECT_EQ((std::vector<Point>{{0, 100}, {0, 0}}), pointsOf(strokes[0]->path));
        EXPECT_DOUBLE_EQ(5 * c.unit, strokes[0]->path.lineWidth());
        EXPECT_EQ(zoomed.backgroundColor(), strokes[0]->style.color);
        EXPECT_DOUBLE_EQ(c.unit, strokes[1]->path.lineWidth());
        EXPECT_EQ((std::vector<double>{5 * c.unit, 1.5 * c.unit}), strokes[1]->style.dash);
    }
}

TEST_F(RelationPaintingTest, SnapGuideLinesComeFromTheEditorWhileDesigning)
{
    struct SnappingEditor : maptest::CountingNodeEditor {
        std::vector<std::pair<Point, Point>> snapGuideLines() const override { return {{{10, 0}, {10, 90}}}; }
    } snapping;
    map.setNodeEditor(&snapping);
    painter().paintSnapGuideLines();
    EXPECT_TRUE(drawn().empty());
    painter(PaintFlagDesigning).paintSnapGuideLines();
    auto entries = drawn();
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ((std::vector<Point>{{10, 90}, {10, 0}}), pointsOf(entries[1]->path));
    map.setNodeEditor(&editor);
}

struct Rgb {
    int r, g, b;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

Rgb pixelAt(cairo_surface_t* surface, int x, int y)
{
    const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    uint32_t pixel;
    std::memcpy(&pixel, row + 4 * x, 4);
    return {int(pixel >> 16 & 0xff), int(pixel >> 8 & 0xff), int(pixel & 0xff)};
}

TEST_F(RelationPaintingTest, DoubleLinePixels)
{
    RelationStyle& style = *topic->parentRelation()->style();
    style.changeLineStyle(2);
    style.setColor(Color(1, 0, 0));
    style.setPropCustomized(RelationStyle::ColorMask, true);
    Image image(240, 60);
    {
        const CairoContext cr(cairo_create(image.surface()));
        cairo_set_source_rgb(cr.get(), 0.5, 0.5, 0.5);
        cairo_paint(cr.get());
        CairoGraphicsContext cairo(cr.get(), GraphicsSurfaceKind::Bitmap);
        // Half a pixel down, so that the white one-point inner line covers one pixel row exactly.
        cairo.translate(20, 30.5);
        MindMapPainter(cairo, *selection, 0, Rect()).paintParentRelations(*root);
        EXPECT_FALSE(cairo.hasFailed());
    }
    cairo_surface_flush(image.surface());
    const Rgb red{255, 0, 0}, white{255, 255, 255}, grey{128, 128, 128};
    const struct {
        int y;
        Rgb colour;
    } probes[] = {{30, white}, {29, red}, {31, red}, {27, grey}, {33, grey}};
    for (const auto& probe : probes) EXPECT_EQ(probe.colour, pixelAt(image.surface(), 120, probe.y)) << probe.y;
}

} // namespace
