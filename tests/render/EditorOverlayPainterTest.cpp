#include "render/EditorOverlayPainter.h"
#include "MindMaps/ColorUtils.h"
#include "MindMaps/ElementTools.h"
#include "MindMaps/MindMapTestSupport.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RearrangeMarker.h"
#include "render/MindMapPaintSelection.h"
#include "render/MindMapPainter.h"
#include "support/QuietNodeEditor.h"
#include "support/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

#include <array>

using namespace maptest;
using Kind = RecordingGraphicsContext::Kind;

namespace {

constexpr double R = NodeToolRadius;

class FixedElementTools : public ElementTools {
public:
    bool shown = true;
    std::array<ElementToolState, ElementToolCount> states{};
    double top = 0;

    bool visible() const override { return shown; }
    ElementToolState getToolStateAtIndex(int64_t index) const override
    {
        return index < 0 || index >= ElementToolCount ? ElementToolState{} : states[size_t(index)];
    }
    double wrapToolTop() const override { return top; }

    // Only this tool shows, at the offset.
    void only(int64_t index, Point offset, bool active = false)
    {
        states = {};
        states[size_t(index)] = {offset, true, active};
    }
};

class OverlayEditor : public QuietNodeEditor {
public:
    FixedElementTools tools;
    std::optional<BezierPath> selector;
    const ElementTools* elementTools() const override { return &tools; }
    std::optional<BezierPath> buildDragSelectorPath() const override { return selector; }
};

void expectRect(const Rect& expected, const Rect& actual, const std::string& what = {})
{
    EXPECT_NEAR(expected.minX(), actual.minX(), 1e-9) << what;
    EXPECT_NEAR(expected.minY(), actual.minY(), 1e-9) << what;
    EXPECT_NEAR(expected.width(), actual.width(), 1e-9) << what;
    EXPECT_NEAR(expected.height(), actual.height(), 1e-9) << what;
}

std::vector<Point> endPoints(const BezierPath& path)
{
    std::vector<Point> points;
    for (const auto& element : path.elements())
        if (element.type == BezierPath::ElementType::MoveTo || element.type == BezierPath::ElementType::LineTo)
            points.push_back(element.points[0]);
    return points;
}

// Topic A stands at (0, 0), selected, with the overlay editor as its map's node editor.
class EditorOverlayTest : public ::testing::Test, protected TwoThemeTopics {
protected:
    void SetUp() override
    {
        map.newMindMap("", false, std::nullopt);
        addTo(map);
        map.validateElementStates();
        map.setNodeEditor(&editor);
        map.setSelectedElement(a);
        selection = MindMapPaintSelection::mindMapPaintSelection(map, false);
    }
    void TearDown() override { map.setNodeEditor(nullptr); }

    // What one overlay pass asks of a fresh context at the zoom.
    const std::vector<RecordingGraphicsContext::Entry>& paint(void (EditorOverlayPainter::*pass)(), double zoom = 1)
    {
        context = RecordingGraphicsContext();
        context.scale(zoom, zoom);
        MindMapPainter painter(context, *selection, PaintFlagDesigning, Rect());
        (EditorOverlayPainter(painter).*pass)();
        return context.entries();
    }
    const std::vector<RecordingGraphicsContext::Entry>& paintTools()
    {
        return paint(&EditorOverlayPainter::paintNodeTools);
    }

    MindMap map;
    OverlayEditor editor;
    std::unique_ptr<MindMapPaintSelection> selection;
    RecordingGraphicsContext context;
};

} // namespace

TEST_F(EditorOverlayTest, HandlesAreOutlinedSquaresAndCirclesFilledWithTheToolsGradient)
{
    struct Case {
        int64_t tool;
        double halfSide;
    };
    // Round and rectangular handles fill the 14 x 14 square; the rest are smaller squares.
    const Case cases[] = {{ElementToolCreator, R},     {ElementToolAddSibling, R},     {ElementToolCollapse, R},
                          {ElementToolActionBar, R},   {ElementToolNote, R},           {ElementToolWordWrap, 4.0},
                          {ElementToolResize, R},      {ElementToolRelinkSource, 3.5}, {ElementToolRelinkTarget, 3.5},
                          {ElementToolHideTopic, 5.0}, {ElementToolRotate, R}};
    const Point p = a->location() + Point{30, -20};
    for (const Case& c : cases) {
        editor.tools.only(c.tool, {30, -20});
        const auto& entries = paintTools();
        ASSERT_GE(entries.size(), 2u) << c.tool;
        const auto& fill = entries[0];
        ASSERT_EQ(Kind::Gradient, fill.kind) << c.tool;
        const Rect square(p.x - c.halfSide, p.y - c.halfSide, 2 * c.halfSide, 2 * c.halfSide);
        expectRect(square, fill.path.controlPointBounds(), std::to_string(c.tool));
        EXPECT_EQ(Point(p.x, square.minY()), fill.start) << c.tool;
        EXPECT_EQ(Point(p.x, square.maxY()), fill.end) << c.tool;
        EXPECT_EQ(2u, fill.stops.size());
        const auto& outline = entries[1];
        ASSERT_EQ(Kind::Stroke, outline.kind) << c.tool;
        EXPECT_EQ(0.75, outline.path.lineWidth()) << c.tool;
        EXPECT_EQ(Color(0.35, 0.35, 0.35), outline.color) << c.tool;
    }
    // The creator's plus, in white at 1.5.
    editor.tools.only(ElementToolCreator, {30, -20});
    const auto& plus = paintTools()[2];
    EXPECT_EQ(1.5, plus.path.lineWidth());
    EXPECT_EQ(Color::white(), plus.color);
    const std::vector<Point> expected = {
        {p.x - R + 0.4 * R, p.y}, {p.x + R - 0.4 * R, p.y}, {p.x, p.y - R + 0.4 * R}, {p.x, p.y + R - 0.4 * R}};
    EXPECT_EQ(expected, endPoints(plus.path));
}

TEST_F(EditorOverlayTest, NoHandlesWhileEditingHiddenOrWithoutSelection)
{
    editor.tools.only(ElementToolCreator, {30, 0});
    EXPECT_FALSE(paintTools().empty());
    a->setEditingState(2);
    EXPECT_TRUE(paintTools().empty());
    a->setEditingState(0);
    editor.tools.shown = false;
    EXPECT_TRUE(paintTools().empty());
    editor.tools.shown = true;
    map.setSelectedElement(nullptr);
    EXPECT_TRUE(paintTools().empty());
}

TEST_F(EditorOverlayTest, TheCollapseHandleIsForTopicsAndPointsRightWhenCollapsed)
{
    editor.tools.only(ElementToolCollapse, {-30, 0});
    const Point p = a->location() + Point{-30, 0};
    const Rect b(p.x - R, p.y - R, 2 * R, 2 * R);
    struct Case {
        bool collapsed;
        std::vector<Point> triangle;
    };
    const Case cases[] = {
        {true,
         {{b.minX() + 0.6 * R, b.minY() + 0.4 * R},
          {b.maxX() - 0.4 * R, b.minY() + R},
          {b.minX() + 0.6 * R, b.maxY() - 0.4 * R}}},
        {false,
         {{b.minX() + 0.4 * R, b.minY() + 0.6 * R},
          {b.maxX() - 0.4 * R, b.minY() + 0.6 * R},
          {b.minX() + R, b.maxY() - 0.4 * R}}},
    };
    for (const Case& c : cases) {
        a->setCollapsed(c.collapsed);
        const auto& entries = paintTools();
        ASSERT_EQ(3u, entries.size());
        EXPECT_EQ(Kind::Fill, entries[2].kind);
        EXPECT_EQ(c.triangle, endPoints(entries[2].path)) << c.collapsed;
    }
    map.setSelectedElement(a1->parentRelation());
    EXPECT_TRUE(paintTools().empty());
}

TEST_F(EditorOverlayTest, TheHideHandleShowsPlusForAHiddenTopicAndMinusOtherwise)
{
    editor.tools.only(ElementToolHideTopic, {0, 0});
    auto segments = [&] { return endPoints(paintTools().back().path).size() / 2; };
    map.setSelectedElement(a1);
    EXPECT_EQ(1u, segments());
    a1->setIsHidden(true);
    EXPECT_EQ(2u, segments());
    // A selected parent relation speaks for its topic.
    map.setSelectedElement(a1->parentRelation());
    EXPECT_EQ(2u, segments());
    a1->setIsHidden(false);
    EXPECT_EQ(1u, segments());
}

TEST_F(EditorOverlayTest, ActiveWrapAndRotateHandlesDrawTheirGuide)
{
    editor.tools.top = -40;
    editor.tools.only(ElementToolWordWrap, {20, 10}, true);
    const Point w = a->location() + Point{20, 10};
    const auto& wrap = paintTools().back();
    EXPECT_EQ((std::vector<Point>{{w.x + 4, -40}, {w.x + 4, w.y + 4}}), endPoints(wrap.path));
    EXPECT_EQ(1.5, wrap.path.lineWidth());
    EXPECT_EQ(Color(0.35, 0.35, 0.35), wrap.color);
    editor.tools.only(ElementToolWordWrap, {20, 10}, false);
    EXPECT_EQ(2u, paintTools().size());

    editor.tools.only(ElementToolRotate, {0, 40}, true);
    const auto& spoke = paintTools().front();
    EXPECT_EQ(Kind::Stroke, spoke.kind);
    EXPECT_EQ((std::vector<Point>{a->location() + Point{0, 40}, a->location()}), endPoints(spoke.path));
}

TEST_F(EditorOverlayTest, DraggedHandlesHangOnAThinLineFromTheirElement)
{
    editor.tools.only(ElementToolCreator, {80, 30}, true);
    const auto& entries = paint(&EditorOverlayPainter::paintNodeToolRelations);
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ((std::vector<Point>{a->location(), a->location() + Point{80, 30}}), endPoints(entries[0].path));
    EXPECT_EQ(1.5, entries[0].path.lineWidth());
    editor.tools.only(ElementToolCreator, {80, 30}, false);
    EXPECT_TRUE(paint(&EditorOverlayPainter::paintNodeToolRelations).empty());
}

TEST_F(EditorOverlayTest, TheRearrangeMarkerIsOneBlueStrokeAndAShortStandingBarStandsThirtyHigh)
{
    RearrangeMarker& marker = *map.rearrangeMarker();
    marker.setBounds(Rect(100, 100, 10, 12));
    marker.setVisible(true);
    struct Case {
        int32_t info;
        bool horizontal;
        Rect bounds; // of the path's points
    };
    const Case cases[] = {
        {0, false, Rect(100, 91, 10, 30)},          // 12 high grows round the middle to 30
        {1, false, Rect(110 - 8.65, 91, 8.65, 30)}, // arrows inside the right edge
        {3, false, Rect(100, 91, 8.65, 30)},        {5, false, Rect(85, 121, 40, 20)}, // a triangle under the bar
        {6, false, Rect(85, 71, 40, 20)},           {0, true, Rect(100, 101, 10, 10)}, // lying bars keep their size
        {2, true, Rect(100, 112 - 8.65, 10, 8.65)},
    };
    for (const Case& c : cases) {
        marker.setInfo(c.info);
        marker.setHorizontal(c.horizontal);
        const auto& entries = paint(&EditorOverlayPainter::paintRearrangeMarker);
        ASSERT_EQ(1u, entries.size()) << c.info;
        EXPECT_EQ(Kind::Stroke, entries[0].kind);
        EXPECT_EQ(Color(0.2, 0.2, 1.0, 0.7), entries[0].color);
        EXPECT_EQ(3.0, entries[0].path.lineWidth());
        expectRect(c.bounds, entries[0].path.controlPointBounds(), std::to_string(c.info));
    }
    marker.setInfo(7);
    EXPECT_TRUE(paint(&EditorOverlayPainter::paintRearrangeMarker).empty());
    marker.setInfo(0);
    marker.setVisible(false);
    EXPECT_TRUE(paint(&EditorOverlayPainter::paintRearrangeMarker).empty());
}

TEST_F(EditorOverlayTest, TheRubberBandKeepsItsScreenWeightAtAnyZoom)
{
    BezierPath band;
    band.appendRect(Rect(0, 0, 100, 50));
    editor.selector = band;
    const std::pair<double, double> cases[] = {{1.0, 1.0}, {0.5, 2.0}, {2.0, 0.5}, {0.001, 100.0}};
    for (auto [zoom, unit] : cases) {
        const auto& entries = paint(&EditorOverlayPainter::paintDragSelector, zoom);
        ASSERT_EQ(2u, entries.size());
        EXPECT_EQ(5 * unit, entries[0].path.lineWidth()) << zoom;
        EXPECT_TRUE(entries[0].style.dash.empty());
        EXPECT_EQ(unit, entries[1].path.lineWidth()) << zoom;
        EXPECT_EQ((std::vector<double>{5 * unit, 1.5 * unit}), entries[1].style.dash) << zoom;
        EXPECT_EQ(materialBlue900(), entries[1].color);
    }
    editor.selector.reset();
    EXPECT_TRUE(paint(&EditorOverlayPainter::paintDragSelector).empty());
}

TEST_F(EditorOverlayTest, TheMapPainterDrawsTheOverlaysLastAndOnlyWhileDesigning)
{
    editor.tools.only(ElementToolCreator, {30, 0});
    map.rearrangeMarker()->setBounds(Rect(100, 100, 10, 40));
    map.rearrangeMarker()->setVisible(true);
    const auto markerColor = EditorOverlayPainter::rearrangeMarkerColor();
    for (uint32_t flags : {uint32_t(PaintFlagDesigning), 0u, uint32_t(PaintFlagDesigning | PaintFlagThumbnail)}) {
        context = RecordingGraphicsContext();
        MindMapPainter::paintMindMap(context, *selection, flags, Rect());
        const auto& entries = context.entries();
        const auto marker = std::find_if(entries.begin(), entries.end(), [&](const auto& e) {
            return e.kind == Kind::Stroke && e.color == markerColor;
        });
        const auto gradient =
            std::find_if(entries.begin(), entries.end(), [](const auto& e) { return e.kind == Kind::Gradient; });
        const bool designing = flags == PaintFlagDesigning;
        EXPECT_EQ(designing, marker != entries.end()) << flags;
        EXPECT_EQ(designing, gradient != entries.end()) << flags;
        // Marker first, then the handles, after every topic.
        if (designing) {
            EXPECT_LT(marker, gradient);
        }
        if (designing) {
            EXPECT_GT(entries.end() - marker, 2);
        }
    }
}
