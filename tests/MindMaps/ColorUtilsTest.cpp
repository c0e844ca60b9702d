#include "MindMaps/ColorUtils.h"
#include "MindMaps/MMColorScheme.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr double kTolerance = 1e-9;

void expectColor(const Color& color, double r, double g, double b, double a = 1.0)
{
    EXPECT_NEAR(color.red(), r, kTolerance);
    EXPECT_NEAR(color.green(), g, kTolerance);
    EXPECT_NEAR(color.blue(), b, kTolerance);
    EXPECT_NEAR(color.alpha(), a, kTolerance);
}

std::array<double, 3> hslOf(const Color& color)
{
    std::array<double, 3> hsl{};
    HSLTransformer::colorToHSL(color, hsl);
    return hsl;
}

} // namespace

TEST(ColorUtilsNormalized, ClearColorIsKnownByItsTagNotItsValue)
{
    const Color clear = Color::normalizedClearColor();
    expectColor(clear, 0, 0, 0, 0);
    EXPECT_TRUE(isNormalizedClearColor(std::optional<Color>(clear)));

    // A new (0, 0, 0, 0) colour looks the same but is not the shared clear colour.
    const Color lookalike(0, 0, 0, 0);
    EXPECT_FALSE(isNormalizedClearColor(std::optional<Color>(lookalike)));
    EXPECT_NE(lookalike, clear);
    EXPECT_FALSE(normalizedBlackColor().withAlpha(0).isNormalizedClearColor());
}

TEST(ColorUtilsMaterialColors, AnswerThePublishedPaletteValues)
{
    struct Entry {
        const char* name;
        std::function<Color()> make;
        int r, g, b;
    };
    const std::vector<Entry> entries = {
        {"grey400", materialGrey400, 189, 189, 189},
        {"grey500", materialGrey500, 158, 158, 158},
        {"grey700", materialGrey700, 97, 97, 97},
        {"grey800", materialGrey800, 66, 66, 66},
        {"green600", materialGreen600, 67, 160, 71},
        {"green700", materialGreen700, 56, 142, 60},
        {"lightBlue100", materialLightBlue100, 179, 229, 252},
        {"lightBlue200", materialLightBlue200, 129, 212, 250},
        {"lightBlue800", materialLightBlue800, 2, 119, 189},
        {"lightBlue900", materialLightBlue900, 1, 87, 155},
        {"lightBlueA200", materialLightBlueA200, 64, 196, 255},
        {"blue50", materialBlue50, 227, 242, 253},
        {"blue100", materialBlue100, 187, 222, 251},
        {"blue700", materialBlue700, 25, 118, 210},
        {"blue800", materialBlue800, 21, 101, 192},
        {"blue900", materialBlue900, 13, 71, 161},
        {"indigo50", materialIndigo50, 232, 234, 246},
        {"indigo500", materialIndigo500, 63, 81, 181},
        {"indigo900", materialIndigo900, 26, 35, 126},
        {"blueGrey800", materialBlueGrey800, 55, 71, 79},
        {"blueGrey900", materialBlueGrey900, 38, 50, 56},
    };
    ASSERT_EQ(entries.size(), 21u);
    for (const Entry& entry : entries) {
        SCOPED_TRACE(entry.name);
        expectColor(entry.make(), entry.r / 255.0, entry.g / 255.0, entry.b / 255.0);
    }
}

TEST(ColorUtilsHsl, NegativeHueWrapsIntoRange)
{
    // Red is the maximum with blue above green: the raw hue is below 0.
    const auto hsl = hslOf(Color(1, 0, 0.5));
    EXPECT_NEAR(hsl[0], 11.0 / 12.0, kTolerance);
    EXPECT_NEAR(hsl[1], 1.0, kTolerance);
    EXPECT_NEAR(hsl[2], 0.5, kTolerance);
}

TEST(ColorUtilsHsl, RoundTripsAcrossTheColourSpace)
{
    for (int r = 0; r <= 255; r += 51) {
        for (int g = 0; g <= 255; g += 17) {
            for (int b = 0; b <= 255; b += 85) {
                const Color original = Color::rgb255(r, g, b);
                auto hsl = hslOf(original);
                ASSERT_GE(hsl[0], 0.0);
                ASSERT_LE(hsl[0], 1.0);
                const Color back = HSLTransformer::hslToColor(hsl);
                SCOPED_TRACE(std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b));
                expectColor(back, original.red(), original.green(), original.blue());
            }
        }
    }
}

TEST(ColorUtilsReducedLuminanceStroke, KeepsHueAndSaturationAndHalvesLightness)
{
    const Color fill = Color::rgb255(193, 204, 255);
    const auto fillHsl = hslOf(fill);
    const Color stroke = MMColorScheme::getReducedLuminanceStrokeColor(fill);
    const auto strokeHsl = hslOf(stroke);
    EXPECT_NEAR(strokeHsl[0], fillHsl[0], 1e-9);
    EXPECT_NEAR(strokeHsl[1], fillHsl[1], 1e-9);
    EXPECT_NEAR(strokeHsl[2], fillHsl[2] / 2.0, 1e-9);
    EXPECT_EQ(stroke.alpha(), 1.0);
}
