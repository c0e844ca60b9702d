#include "render/ProgressIconPainter.h"

#include "MindMaps/ColorUtils.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/Image.h"
#include "support/PixelProbe.h"
#include "support/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using Kind = RecordingGraphicsContext::Kind;
using Type = BezierPath::ElementType;

const Color Tint = Color::rgb255(30, 60, 200);
const Color Paper = Color::rgb255(250, 245, 230);

std::string colorName(const Color& c)
{
    if (c == Tint) return "tint";
    if (c == Paper) return "paper";
    if (c == Color::white()) return "white";
    if (c == materialGrey500()) return "grey500";
    if (c == materialGrey700()) return "grey700";
    if (c == materialGrey800()) return "grey800";
    return "rgb(" + std::to_string(c.red()) + "," + std::to_string(c.green()) + "," + std::to_string(c.blue()) + ")";
}

std::string shapeName(const BezierPath& path)
{
    int lines = 0, curves = 0;
    for (const auto& e : path.elements()) {
        lines += e.type == Type::LineTo;
        curves += e.type == Type::CurveTo;
    }
    if (curves == 0) return "tick";
    if (path.elements().front().type == Type::MoveTo && lines == 1 && path.elements()[1].type == Type::LineTo)
        return "wedge";
    if (lines == 0) return path.controlPointBounds().width() < 15 ? "ring" : "circle";
    return "square";
}

// What was drawn, one "fill|stroke shape colour" line per call.
std::vector<std::string> drawn(ProgressIconPainter& painter, const Rect& rect = Rect(0, 0, 16, 16))
{
    RecordingGraphicsContext context;
    painter.draw(context, rect);
    std::vector<std::string> lines;
    for (const auto& e : context.entries()) {
        if (e.kind == Kind::Fill) lines.push_back("fill " + shapeName(e.path) + " " + colorName(e.color));
        else if (e.kind == Kind::Stroke)
            lines.push_back("stroke " + shapeName(e.path) + " " + colorName(e.style.color));
        else lines.push_back("other");
    }
    return lines;
}

ProgressIconPainter painterFor(int32_t mode, int64_t progress, bool grayScale = false)
{
    ProgressIconPainter painter;
    painter.setTintColor(Tint);
    painter.setBackgroundColor(Paper);
    painter.setCheckboxMode(mode);
    painter.setProgress(progress);
    painter.setGrayScale(grayScale);
    return painter;
}

using Lines = std::vector<std::string>;

} // namespace

TEST(ProgressIconPainter, DrawsEachModeAndStateInItsColours)
{
    struct Case {
        int32_t mode;
        int64_t progress;
        bool grayScale;
        Lines expected;
    };
    const Case cases[] = {
        {1, 0, false, {"fill square paper", "stroke square tint"}},
        {1, 100, false, {"fill square tint", "stroke square tint", "stroke tick white"}},
        {1, 100, true, {"fill square white", "stroke square grey500", "stroke tick grey800"}},
        {2, 0, false, {"fill circle paper", "stroke circle tint"}},
        {2, 40, false, {"fill circle paper", "stroke circle tint", "fill wedge tint"}},
        {2, 100, false, {"fill circle tint", "stroke circle tint", "stroke tick white"}},
        {2, 40, true, {"fill circle white", "stroke circle grey500", "fill wedge grey700"}},
        {3,
         40,
         false,
         {"fill square tint", "stroke square tint", "fill circle paper", "stroke circle tint", "fill wedge tint",
          "stroke ring paper"}},
        {3, 100, false, {"fill square tint", "stroke square tint", "stroke tick white", "stroke ring white"}},
        // In grey scale the wedge in its square reads without the inner circle from a tenth on.
        {3, 9, true, {"fill square white", "stroke square grey500", "stroke circle grey500", "fill wedge grey700"}},
        {3, 10, true, {"fill square white", "stroke square grey500", "fill wedge grey700"}},
        {3, 99, true, {"fill square white", "stroke square grey500", "fill wedge grey700"}},
        {3, 0, true, {"fill square white", "stroke square grey500", "stroke circle grey500"}},
        {0, 50, false, {}},
        {4, 50, false, {}},
        {-1, 100, false, {}},
    };
    for (const Case& c : cases) {
        ProgressIconPainter painter = painterFor(c.mode, c.progress, c.grayScale);
        EXPECT_EQ(c.expected, drawn(painter))
            << "mode " << c.mode << " progress " << c.progress << " grey " << c.grayScale;
    }
}

TEST(ProgressIconPainter, NonSquareRectangleDrawsInItsSmallerSideAtItsOrigin)
{
    for (const Rect& rect : {Rect(10, 20, 32, 16), Rect(10, 20, 16, 40)}) {
        ProgressIconPainter painter = painterFor(1, 100);
        RecordingGraphicsContext context;
        painter.draw(context, rect);
        const auto fills = context.entriesOfKind(Kind::Fill);
        ASSERT_EQ(1u, fills.size());
        EXPECT_EQ(Rect(10, 20, 16, 16), fills[0]->path.controlPointBounds());
        // Checked, the box is outlined with the scale as width; the tick at 1.8 times the scale.
        const auto strokes = context.entriesOfKind(Kind::Stroke);
        ASSERT_EQ(2u, strokes.size());
        EXPECT_DOUBLE_EQ(1.0, strokes[0]->path.lineWidth());
        EXPECT_DOUBLE_EQ(1.8, strokes[1]->path.lineWidth());
        const auto& tick = strokes[1]->path.elements();
        const double u = 16.0 / 24;
        EXPECT_EQ((Point{10 + 3.5 * u, 20 + 11.5 * u}), tick[0].points[0]);
        EXPECT_EQ((Point{10 + 20.5 * u, 20 + 5.5 * u}), tick[2].points[0]);
    }
}

TEST(ProgressIconPainter, RectanglesWithoutAUsableSquareDrawNothing)
{
    for (const Rect& rect : {Rect(0, 0, 0, 16), Rect(0, 0, -4, 16), Rect(NAN, 0, 16, 16), Rect(0, 0, INFINITY, NAN),
                             Rect(0, 0, 16, INFINITY) /* the square is 16: drawn */}) {
        ProgressIconPainter painter = painterFor(2, 50);
        const bool drawable = rect.width() == 16 && std::isinf(rect.height());
        EXPECT_EQ(drawable, !drawn(painter, rect).empty()) << rect.minX() << " " << rect.width();
    }
}

TEST(ProgressIconPainter, OutlineThatWouldVanishInItsBoxTakesASubstitute)
{
    struct Case {
        Color tint, background;
        bool tinted;
        std::string outline;
    };
    const Case cases[] = {
        {Color::white(), Color::white(), true, "grey700"},               // a light box gets a dark outline
        {Color::black(), Color::black(), true, "white"},                 // a dark one a white outline
        {Color::rgb255(250, 250, 250), Color::white(), true, "grey700"}, // 15/255 apart: too close
        {Tint, Paper, true, "tint"},
        {Tint, Paper, false, "grey500"},
        {Tint, materialGrey500(), false, "white"}, // grey 500 is darker than three quarters
    };
    for (const Case& c : cases) {
        ProgressIconPainter painter = painterFor(1, 0);
        painter.setTintColor(c.tint);
        painter.setBackgroundColor(c.background);
        painter.setTinted(c.tinted);
        RecordingGraphicsContext context;
        painter.draw(context, Rect(0, 0, 16, 16));
        const auto strokes = context.entriesOfKind(Kind::Stroke);
        ASSERT_EQ(1u, strokes.size());
        EXPECT_EQ(c.outline, colorName(strokes[0]->style.color))
            << colorName(c.tint) << " on " << colorName(c.background);
        EXPECT_DOUBLE_EQ(1.5, strokes[0]->path.lineWidth());
    }
}

TEST(ProgressIconPainter, WedgeRunsClockwiseFromTheTop)
{
    ProgressIconPainter painter = painterFor(2, 25);
    RecordingGraphicsContext context;
    painter.draw(context, Rect(0, 0, 32, 32));
    const auto fills = context.entriesOfKind(Kind::Fill);
    ASSERT_EQ(2u, fills.size());
    const auto& wedge = fills[1]->path.elements();
    EXPECT_EQ((Point{16, 16}), wedge.front().points[0]);
    EXPECT_NEAR(16, wedge[1].points[0].x, 1e-9); // to the top, radius 0.75 x 16
    EXPECT_NEAR(4, wedge[1].points[0].y, 1e-9);
    const Point end = wedge[wedge.size() - 2].points[2];
    EXPECT_NEAR(28, end.x, 1e-9); // a quarter on: right of the centre
    EXPECT_NEAR(16, end.y, 1e-9);
}

TEST(ProgressIconPainter, DimmingPalesOnLightAndDarkensOnDarkBackgrounds)
{
    struct Case {
        Color color;
        bool dark;
        Color expected;
    };
    const Case cases[] = {
        {Color(1, 0, 0), false, Color(0.97, 0.83, 0.83)},
        {Color(1, 0, 0), true, Color(0.4, 0.1, 0.1)},
        {Color(0, 0, 0, 0.5), false, Color(0.8, 0.8, 0.8, 0.5)},
        {Color(1, 1, 1), true, Color(0.5, 0.5, 0.5)},
    };
    for (const Case& c : cases) {
        const Color dimmed = dimmedColor(c.color, c.dark);
        EXPECT_NEAR(c.expected.red(), dimmed.red(), 1e-12);
        EXPECT_NEAR(c.expected.green(), dimmed.green(), 1e-12);
        EXPECT_NEAR(c.expected.blue(), dimmed.blue(), 1e-12);
        EXPECT_EQ(c.expected.alpha(), dimmed.alpha());
    }

    ProgressIconPainter painter = painterFor(2, 0);
    painter.setDimmed(true);
    RecordingGraphicsContext context;
    painter.draw(context, Rect(0, 0, 16, 16));
    EXPECT_EQ(dimmedColor(Tint, false), context.entriesOfKind(Kind::Stroke)[0]->style.color);
}

TEST(ProgressIconPainter, HalfDonePieCoversTheRightHalfOnScreen)
{
    Image image(32, 32);
    ASSERT_FALSE(image.isNull());
    {
        CairoContext cr(cairo_create(image.surface()));
        CairoGraphicsContext context(cr.get(), GraphicsSurfaceKind::Bitmap);
        ProgressIconPainter painter = painterFor(2, 50);
        painter.setTintColor(Color(0, 0, 1));
        painter.setBackgroundColor(Color(1, 1, 0));
        painter.draw(context, Rect(0, 0, 32, 32));
        ASSERT_FALSE(context.hasFailed());
    }
    EXPECT_EQ((Rgb{0, 0, 255}), pixelAt(image.surface(), 22, 16));  // in the wedge
    EXPECT_EQ((Rgb{255, 255, 0}), pixelAt(image.surface(), 9, 16)); // the empty half
    EXPECT_EQ((Rgb{0, 0, 255}), pixelAt(image.surface(), 16, 0));   // the outline
}
