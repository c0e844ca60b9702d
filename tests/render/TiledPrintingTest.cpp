#include "ExportReadBack.h"
#include "MindMaps/MindMapTestSupport.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/StyleSheet.h"
#include "render/TiledMindMapRenderingView.h"
#include "support/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

using namespace maptest;
using Kind = RecordingGraphicsContext::Kind;

namespace {

const Size A4{596, 842};
constexpr double Margin = 56.69291338582678;

class TiledPrintingTest : public ::testing::Test {
protected:
    // Two topics spanning about that much of the map.
    void spanMap(Point far)
    {
        map.newMindMap("", false, std::nullopt);
        addTopic(map, nullptr, Point{0, 0}, "near");
        addTopic(map, nullptr, far, "far");
    }

    MindMap map;
};

} // namespace

TEST_F(TiledPrintingTest, TilesRunAlongARowThenDown)
{
    spanMap({3300, 1450});
    const TiledMindMapRenderingView view(map, false, PrintModeTiledScaled, 1.0, A4, 0);
    ASSERT_EQ(3, view.printMatrix().columns());
    ASSERT_EQ(2, view.printMatrix().rows());
    EXPECT_EQ((std::pair<int64_t, int64_t>(0, 1)), view.pageCell(3));
    EXPECT_EQ(Rect(0, 596, 842, 596), view.rectForPage(4));
    // Each page clips to its own printable area, in the page's own coordinates.
    RecordingGraphicsContext context;
    view.drawPage(context, 3);
    const auto clips = context.entriesOfKind(Kind::Clip);
    ASSERT_FALSE(clips.empty());
    EXPECT_EQ(Rect(Margin, 596 + Margin, 842 - 2 * Margin, 596 - 2 * Margin), clips.front()->rect);
    EXPECT_EQ(AffineTransform::translation(0, -596), clips.front()->transform);
}

TEST_F(TiledPrintingTest, ModesLimitTheScale)
{
    spanMap({200, 100});
    EXPECT_EQ(0.5399999999999999, TiledMindMapRenderingView(map, false, PrintModeShrinkToPage, 1, A4, 0).printScale());
    EXPECT_GT(TiledMindMapRenderingView(map, false, PrintModeFitToPage, 1, A4, 0).printScale(), 0.54);
    EXPECT_DOUBLE_EQ(1.08, TiledMindMapRenderingView(map, false, PrintModeTiledScaled, 2, A4, 0).printScale());

    spanMap({6000, 300});
    EXPECT_LT(TiledMindMapRenderingView(map, false, PrintModeShrinkToPage, 1, A4, 0).printScale(), 0.54);
    const TiledMindMapRenderingView fit(map, false, PrintModeFitToPage, 1, A4, 0);
    EXPECT_EQ((Size{842, 596}), fit.pageSize());
    EXPECT_EQ(1, fit.pageCount());
    const TiledMindMapRenderingView tiled(map, false, PrintModeTiledScaled, 2, A4, 0);
    EXPECT_LE(tiled.printScale(), 1.08);
    const Rect area = PrintRectWithMargin(map.getVisualArea(false));
    EXPECT_EQ(PrintUtils::calcPrintMatrix(Size{area.width() * 0.5399999999999999, area.height() * 0.5399999999999999},
                                          Size{596 - 2 * Margin, 842 - 2 * Margin}, 2)
                  .pages(),
              tiled.pageCount());
    const auto pdf = readPdf(TiledMindMapRenderingView::pdfDataWithMindMapTiled(map, false, 3));
    ASSERT_TRUE(pdf && pdf->size() == 1);
    EXPECT_EQ(842, (*pdf)[0].width);
}

TEST_F(TiledPrintingTest, PageBordersMarkThePrintableArea)
{
    spanMap({100, 100});
    // Options 3 draw the rectangle alone; the corner marks start with the top left one.
    const std::pair<uint32_t, std::vector<Point>> cases[] = {
        {0, {}},
        {1, {{9.5, 19.5}, {310.5, 19.5}, {310.5, 420.5}, {9.5, 420.5}}},
        {3, {{9.5, 19.5}, {310.5, 19.5}, {310.5, 420.5}, {9.5, 420.5}}},
        {2, {{9.5, 37.5}, {9.5, 19.5}, {27.5, 19.5}, {310.5, 37.5}}},
    };
    for (const auto& [options, points] : cases) {
        RecordingGraphicsContext context;
        TiledMindMapRenderingView(map, false, 0, 1, A4, options).drawPageBounds(context, Rect(10, 20, 300, 400));
        const auto strokes = context.entriesOfKind(Kind::Stroke);
        ASSERT_EQ(points.empty() ? 0u : 1u, strokes.size()) << options;
        if (strokes.empty()) continue;
        EXPECT_EQ(0.5, strokes[0]->path.lineWidth());
        EXPECT_EQ(Color(2.0 / 3, 2.0 / 3, 2.0 / 3), strokes[0]->style.color);
        const auto& elements = strokes[0]->path.elements();
        EXPECT_EQ(options == 2 ? 12u : 5u, elements.size());
        for (size_t i = 0; i < points.size(); ++i) EXPECT_EQ(points[i], elements[i].points[0]) << options << i;
    }
}

// White paper would swallow the light texts of a dark style.
TEST_F(TiledPrintingTest, EachSheetPrintsOnTheStylesBackground)
{
    spanMap({3300, 1450});
    map.setStyleSheet(StyleManager::styleManager().getStyleOnKey("system.colors-on-black-palette", true));
    ASSERT_NE(Color::white(), map.styleSheet()->backgroundColor());
    RecordingGraphicsContext context;
    TiledMindMapRenderingView(map, false, PrintModeTiledScaled, 1.0, A4, 0).drawPage(context, 4);
    const auto fills = context.entriesOfKind(Kind::Fill);
    ASSERT_FALSE(fills.empty());
    EXPECT_EQ(map.styleSheet()->backgroundColor(), fills.front()->color);
    EXPECT_EQ(context.entriesOfKind(Kind::Clip).front()->rect, fills.front()->path.controlPointBounds());
}
