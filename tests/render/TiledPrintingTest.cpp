#include "ExportReadBack.h"
#include "MindMaps/MindMapTestSupport.h"
#include "render/TiledMindMapRenderingView.h"
#include "support/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

using namespace maptest;
using Kind = RecordingGraphicsContext::Kind;

namespace {

const Size A4{596, 842};

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
    EXPECT_EQ(Size(842, 596), view.pageSize());
    EXPECT_EQ((std::pair<int64_t, int64_t>(0, 1)), view.pageCell(3));
    EXPECT_EQ(Rect(0, 596, 842, 596), view.rectForPage(4));
    EXPECT_EQ(Rect(0, 0, 3 * 842, 2 * 596), view.frame());

    const auto pages = readPdf(view.pdfData());
    ASSERT_TRUE(pages);
    ASSERT_EQ(6u, pages->size());
    for (const auto& page : *pages) {
        EXPECT_NEAR(842, page.width, 0.01);
        EXPECT_NEAR(596, page.height, 0.01);
    }
    // Each page clips to its own printable area, in the page's own coordinates.
    RecordingGraphicsContext context;
    view.drawPage(context, 3);
    const auto clips = context.entriesOfKind(Kind::Clip);
    ASSERT_FALSE(clips.empty());
    EXPECT_EQ(
        Rect(56.69291338582678, 596 + 56.69291338582678, 842 - 2 * 56.69291338582678, 596 - 2 * 56.69291338582678),
        clips.front()->rect);
    EXPECT_EQ(AffineTransform::translation(0, -596), clips.front()->transform);
}

TEST_F(TiledPrintingTest, ModesLimitTheScale)
{
    spanMap({200, 100});
    EXPECT_EQ(0.5399999999999999, TiledMindMapRenderingView(map, false, PrintModeShrinkToPage, 1, A4, 0).printScale());
    EXPECT_GT(TiledMindMapRenderingView(map, false, PrintModeFitToPage, 1, A4, 0).printScale(), 0.54);
    const TiledMindMapRenderingView scaled(map, false, PrintModeTiledScaled, 2, A4, 0);
    EXPECT_DOUBLE_EQ(1.08, scaled.printScale());

    spanMap({6000, 300});
    EXPECT_LT(TiledMindMapRenderingView(map, false, PrintModeShrinkToPage, 1, A4, 0).printScale(), 0.54);
    const TiledMindMapRenderingView fit(map, false, PrintModeFitToPage, 1, A4, 0);
    EXPECT_FALSE(fit.printMatrix().isPortrait());
    EXPECT_EQ(Size(842, 596), fit.pageSize());
    EXPECT_EQ(1, fit.pageCount());
    const TiledMindMapRenderingView tiled(map, false, PrintModeTiledScaled, 2, A4, 0);
    EXPECT_LE(tiled.printScale(), 1.08);
    const Rect area = PrintRectWithMargin(map.getVisualArea(false));
    EXPECT_EQ(PrintUtils::calcPrintMatrix(Size{area.width() * 0.5399999999999999, area.height() * 0.5399999999999999},
                                          Size{596 - 2 * 56.69291338582678, 842 - 2 * 56.69291338582678}, 2)
                  .pages(),
              tiled.pageCount());

    const auto pdf = readPdf(TiledMindMapRenderingView::pdfDataWithMindMapTiled(map, false, 3));
    ASSERT_TRUE(pdf);
    ASSERT_EQ(1u, pdf->size());
    EXPECT_NEAR(842, (*pdf)[0].width, 0.01);
}

TEST_F(TiledPrintingTest, PageBordersMarkThePrintableArea)
{
    spanMap({100, 100});
    const Rect printable(10, 20, 300, 400);
    const Rect b(9.5, 19.5, 301, 401);
    struct Case {
        uint32_t options;
        std::vector<Point> points; // moves and lines in order
    };
    const Case cases[] = {
        {0, {}},
        {1, {{9.5, 19.5}, {310.5, 19.5}, {310.5, 420.5}, {9.5, 420.5}}},
        {3, {{9.5, 19.5}, {310.5, 19.5}, {310.5, 420.5}, {9.5, 420.5}}},
        {2,
         {{b.minX(), b.minY() + 18},
          {b.minX(), b.minY()},
          {b.minX() + 18, b.minY()},
          {b.maxX(), b.minY() + 18},
          {b.maxX(), b.minY()},
          {b.maxX() - 18, b.minY()},
          {b.minX(), b.maxY() - 18},
          {b.minX(), b.maxY()},
          {b.minX() + 18, b.maxY()},
          {b.maxX(), b.maxY() - 18},
          {b.maxX(), b.maxY()},
          {b.maxX() - 18, b.maxY()}}},
    };
    for (const Case& c : cases) {
        RecordingGraphicsContext context;
        TiledMindMapRenderingView(map, false, 0, 1, A4, c.options).drawPageBounds(context, printable);
        const auto strokes = context.entriesOfKind(Kind::Stroke);
        ASSERT_EQ(c.points.empty() ? 0u : 1u, strokes.size()) << c.options;
        if (strokes.empty()) continue;
        EXPECT_EQ(0.5, strokes[0]->path.lineWidth());
        EXPECT_EQ(Color(2.0 / 3, 2.0 / 3, 2.0 / 3), strokes[0]->style.color);
        std::vector<Point> points;
        for (const auto& element : strokes[0]->path.elements())
            if (element.type != BezierPath::ElementType::ClosePath) points.push_back(element.points[0]);
        EXPECT_EQ(c.points, points) << c.options;
    }
}
