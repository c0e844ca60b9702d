#include "Editor/ColorPickerMatrix.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/Image.h"

#include "support/PixelProbe.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <functional>
#include <optional>
#include <string>

namespace {

// The colour of hue, saturation and brightness, computed the long way round for comparison.
Color expectedHSB(double hue, double saturation, double brightness)
{
    const auto channel = [&](double n) {
        const double k = std::fmod(n + hue * 6, 6);
        return brightness - brightness * saturation * std::max(0.0, std::min({k, 4 - k, 1.0}));
    };
    return Color(channel(5), channel(3), channel(1));
}

void expectColor(const Color& expected, const Color& actual, const std::string& what)
{
    EXPECT_NEAR(expected.red(), actual.red(), 1e-9) << what;
    EXPECT_NEAR(expected.green(), actual.green(), 1e-9) << what;
    EXPECT_NEAR(expected.blue(), actual.blue(), 1e-9) << what;
    EXPECT_EQ(1.0, actual.alpha()) << what;
}

Image drawn(int width, int height, const std::function<void(GraphicsContext&)>& draw)
{
    Image image(width, height);
    cairo_t* cr = cairo_create(image.surface());
    {
        CairoGraphicsContext context(cr, GraphicsSurfaceKind::Bitmap);
        draw(context);
    }
    cairo_destroy(cr);
    return image;
}

} // namespace

TEST(ColorPickerMatrixTest, HoldsGreysThenTwelveHueRowsFromLightToDark)
{
    ASSERT_EQ(143u, ColorPickerMatrix::colors().size());
    struct Case {
        int row, column;
        Color expected;
    };
    const Case cases[] = {
        {0, 0, Color(1, 1, 1)},
        {0, 5, Color(0.5, 0.5, 0.5)},
        {0, 10, Color(0, 0, 0)},
        {1, 5, Color(1, 0, 0)},
        {1, 10, Color(2.0 / 7, 0, 0)},
        {1, 0, Color(1, 5.0 / 6, 5.0 / 6)},
        {12, 0, expectedHSB(11.0 / 13, 1.0 / 6, 1)},
        {5, 5, expectedHSB(4.0 / 13, 1, 1)},
        {7, 6, expectedHSB(6.0 / 13, 1, 6.0 / 7)},
        {9, 3, expectedHSB(8.0 / 13, 4.0 / 6, 1)},
    };
    for (const Case& c : cases)
        expectColor(c.expected, ColorPickerMatrix::colorAt(c.row, c.column),
                    "cell (" + std::to_string(c.row) + ", " + std::to_string(c.column) + ")");
    for (const Color& color : ColorPickerMatrix::colors()) EXPECT_EQ(1.0, color.alpha());
}

TEST(ColorPickerMatrixTest, APointFindsTheSwatchUnderItAndNothingBetweenOrBeyond)
{
    EXPECT_EQ(Rect(1, 1, 175, 227), ColorPickerMatrix::gridFrame());
    EXPECT_EQ(Rect(1, 208, 175, 20), ColorPickerMatrix::transparentButtonFrame());
    EXPECT_EQ(177, ColorPickerMatrix::BackgroundSize.width);
    EXPECT_EQ(229, ColorPickerMatrix::BackgroundSize.height);
    struct Case {
        Point point;
        std::optional<int> cell;
    };
    const Case cases[] = {
        {{1, 1}, 0},
        {{15.9, 15.9}, 0},
        {{16.5, 5}, std::nullopt}, // the spacing after the first column
        {{17, 1}, 1},
        {{175.9, 1}, 10},
        {{1, 17}, 11},
        {{1 + 5 * 16 + 7, 1 + 16 + 7}, 16},
        {{175, 207}, 142},
        {{175, 208.5}, std::nullopt}, // the transparent button's strip
        {{0.5, 5}, std::nullopt},
        {{5, 0.5}, std::nullopt},
        {{176.5, 5}, std::nullopt},
        {{-3, -3}, std::nullopt},
        {{NAN, 5}, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.cell, ColorPickerMatrix::cellIndexAt(c.point)) << c.point.x << ", " << c.point.y;
    for (int index = 0; index < ColorPickerMatrix::CellCount; ++index)
        EXPECT_EQ(index, ColorPickerMatrix::cellIndexAt(ColorPickerMatrix::cellFrame(index).center()));
}

TEST(ColorPickerMatrixTest, DrawsTheSwatchesOnDarkGreyAndASeeThroughColourAsWhiteCrossedByRed)
{
    const Image grid = drawn(177, 229, [](GraphicsContext& context) { ColorPickerMatrix::draw(context); });
    EXPECT_EQ((Rgb{85, 85, 85}), pixelAt(grid.surface(), 0, 0)) << "the frame";
    EXPECT_EQ((Rgb{85, 85, 85}), pixelAt(grid.surface(), 16, 5)) << "between swatches";
    EXPECT_EQ((Rgb{255, 255, 255}), pixelAt(grid.surface(), 8, 8));
    EXPECT_EQ((Rgb{255, 0, 0}), pixelAt(grid.surface(), 1 + 5 * 16 + 7, 1 + 16 + 7));
    EXPECT_EQ((Rgb{0, 0, 0}), pixelAt(grid.surface(), 1 + 10 * 16 + 7, 8));
    EXPECT_EQ((Rgb{85, 85, 85}), pixelAt(grid.surface(), 88, 220)) << "under the last row";

    const Image swatch = drawn(20, 20, [](GraphicsContext& context) {
        ColorPickerMatrix::drawSwatch(context, Rect(2, 2, 15, 15), Color(0, 0, 1, 0.5));
    });
    EXPECT_EQ((Rgb{255, 255, 255}), pixelAt(swatch.surface(), 4, 4)) << "white, not the colour";
    EXPECT_EQ((Rgb{255, 0, 0}), pixelAt(swatch.surface(), 9, 9)) << "the diagonal";
    EXPECT_EQ((Rgb{255, 255, 255}), pixelAt(swatch.surface(), 14, 14));
    EXPECT_EQ((Rgb{0, 0, 0}), pixelAt(swatch.surface(), 18, 1)) << "clipped to the swatch";
    const Image opaque = drawn(20, 20, [](GraphicsContext& context) {
        ColorPickerMatrix::drawSwatch(context, Rect(2, 2, 15, 15), Color(0, 0, 1));
    });
    EXPECT_EQ((Rgb{0, 0, 255}), pixelAt(opaque.surface(), 9, 9));
}

TEST(ColorPickerMatrixTest, TheTransparentSwatchIsBlackAboveTheRisingDiagonalAndWhiteBelow)
{
    for (int scale : {1, 2}) {
        const Image image = TransparentSwatchImage({175, 20}, scale);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(175 * scale, image.pixelWidth());
        EXPECT_EQ(20 * scale, image.pixelHeight());
        EXPECT_EQ(Size(175, 20), image.size());
        EXPECT_EQ((Rgb{0, 0, 0}), pixelAt(image.surface(), 2 * scale, 2 * scale));
        EXPECT_EQ((Rgb{255, 255, 255}), pixelAt(image.surface(), 170 * scale, 17 * scale));
        EXPECT_EQ((Rgb{0, 0, 0}), pixelAt(image.surface(), 60 * scale, 5 * scale));
        EXPECT_EQ((Rgb{255, 255, 255}), pixelAt(image.surface(), 120 * scale, 12 * scale));
    }
    EXPECT_TRUE(TransparentSwatchImage({0, 20}).isNull());
    EXPECT_TRUE(TransparentSwatchImage({NAN, 20}).isNull());
    EXPECT_TRUE(TransparentSwatchImage({1e9, 20}).isNull());
}
