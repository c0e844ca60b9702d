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
using Lines = std::vector<std::string>;

const Color Tint = Color::rgb255(30, 60, 200);
const Color Paper = Color::rgb255(250, 245, 230);

std::string colorName(const Color& c)
{
    const std::pair<Color, const char*> names[] = {{Tint, "tint"},
                                                   {Paper, "paper"},
                                                   {Color::white(), "white"},
                                                   {materialGrey500(), "grey500"},
                                                   {materialGrey700(), "grey700"},
                                                   {materialGrey800(), "grey800"}};
    for (const auto& [color, name] : names)
        if (c == color) return name;
    return "other";
}

// A tick has no curves, a wedge starts with a line from the centre, a circle has no lines, the
// ring is the smaller circle.
std::string shapeName(const BezierPath& path)
{
    int lines = 0, curves = 0;
    for (const auto& e : path.elements()) {
        lines += e.type == BezierPath::ElementType::LineTo;
        curves += e.type == BezierPath::ElementType::CurveTo;
    }
    if (curves == 0) return "tick";
    if (path.elements()[1].type == BezierPath::ElementType::LineTo && lines == 1) return "wedge";
    if (lines == 0) return path.controlPointBounds().width() < 15 ? "ring" : "circle";
    return "square";
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

// One "fill|stroke shape colour" line per drawing call.
Lines drawn(ProgressIconPainter painter, const Rect& rect = Rect(0, 0, 16, 16))
{
    RecordingGraphicsContext context;
    painter.draw(context, rect);
    Lines lines;
    for (const auto& e : context.entries()) {
        const bool fill = e.kind == Kind::Fill;
        lines.push_back((fill ? "fill " : "stroke ") + shapeName(e.path) + " " +
                        colorName(fill ? e.color : e.style.color));
    }
    return lines;
}

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
        {0, 50, false, {}},
        {4, 50, false, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, drawn(painterFor(c.mode, c.progress, c.grayScale)))
            << "mode " << c.mode << " progress " << c.progress << " grey " << c.grayScale;
}

TEST(ProgressIconPainter, DrawsInTheSquareOfTheSmallerSideAtTheOriginOrNotAtAll)
{
    for (const Rect& rect : {Rect(10, 20, 32, 16), Rect(10, 20, 16, 40)}) {
        RecordingGraphicsContext context;
        painterFor(1, 100).draw(context, rect);
        EXPECT_EQ(Rect(10, 20, 16, 16), context.entriesOfKind(Kind::Fill)[0]->path.controlPointBounds());
        const double u = 16 / 24.0;
        EXPECT_EQ((Point{10 + 3.5 * u, 20 + 11.5 * u}),
                  context.entriesOfKind(Kind::Stroke)[1]->path.elements()[0].points[0]);
    }
    for (const Rect& rect : {Rect(0, 0, 0, 16), Rect(0, 0, -4, 16), Rect(NAN, 0, 16, 16), Rect(0, 0, 16, NAN)})
        EXPECT_TRUE(drawn(painterFor(2, 50), rect).empty()) << rect.minX() << " " << rect.width();
}

TEST(ProgressIconPainter, OutlineThatWouldVanishInItsBoxTakesASubstitute)
{
    struct Case {
        Color tint, background;
        bool tinted;
        std::string outline;
    };
    const Case cases[] = {
        {Color::white(), Color::white(), true, "grey700"},
        {Color::black(), Color::black(), true, "white"},
        {Color::rgb255(250, 250, 250), Color::white(), true, "grey700"}, // 15/255 apart is too close
        {Tint, Paper, false, "grey500"},
        {Tint, materialGrey500(), false, "white"}, // grey 500 is darker than three quarters
    };
    for (const Case& c : cases) {
        ProgressIconPainter painter = painterFor(1, 0);
        painter.setTintColor(c.tint);
        painter.setBackgroundColor(c.background);
        painter.setTinted(c.tinted);
        EXPECT_EQ("stroke square " + c.outline, drawn(painter).at(1)) << colorName(c.background);
    }
}

TEST(ProgressIconPainter, HalfDonePieCoversTheRightHalfOnScreen)
{
    Image image(32, 32);
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
