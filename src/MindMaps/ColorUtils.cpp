#include "MindMaps/ColorUtils.h"

#include <algorithm>

Color normalizedWhiteColor()
{
    return Color(1.0, 1.0, 1.0, 1.0);
}

Color normalizedBlackColor()
{
    return Color(0.0, 0.0, 0.0, 1.0);
}

Color normalizedGrayColor()
{
    return Color(0.5, 0.5, 0.5, 1.0);
}

Color normalizedDarkGrayColor()
{
    return Color(1.0 / 3.0, 1.0 / 3.0, 1.0 / 3.0, 1.0);
}

Color materialGrey400()
{
    return Color::rgb255(189, 189, 189);
}
Color materialGrey500()
{
    return Color::rgb255(158, 158, 158);
}
Color materialGrey700()
{
    return Color::rgb255(97, 97, 97);
}
Color materialGrey800()
{
    return Color::rgb255(66, 66, 66);
}
Color materialGreen600()
{
    return Color::rgb255(67, 160, 71);
}
Color materialGreen700()
{
    return Color::rgb255(56, 142, 60);
}
Color materialLightBlue100()
{
    return Color::rgb255(179, 229, 252);
}
Color materialLightBlue200()
{
    return Color::rgb255(129, 212, 250);
}
Color materialLightBlue800()
{
    return Color::rgb255(2, 119, 189);
}
Color materialLightBlue900()
{
    return Color::rgb255(1, 87, 155);
}
Color materialLightBlueA200()
{
    return Color::rgb255(64, 196, 255);
}
Color materialBlue50()
{
    return Color::rgb255(227, 242, 253);
}
Color materialBlue100()
{
    return Color::rgb255(187, 222, 251);
}
Color materialBlue700()
{
    return Color::rgb255(25, 118, 210);
}
Color materialBlue800()
{
    return Color::rgb255(21, 101, 192);
}
Color materialBlue900()
{
    return Color::rgb255(13, 71, 161);
}
Color materialIndigo50()
{
    return Color::rgb255(232, 234, 246);
}
Color materialIndigo500()
{
    return Color::rgb255(63, 81, 181);
}
Color materialIndigo900()
{
    return Color::rgb255(26, 35, 126);
}
Color materialBlueGrey800()
{
    return Color::rgb255(55, 71, 79);
}
Color materialBlueGrey900()
{
    return Color::rgb255(38, 50, 56);
}

void HSLTransformer::colorToHSL(const Color& color, std::array<double, 3>& hsl)
{
    const double r = color.red();
    const double g = color.green();
    const double b = color.blue();
    const double max = std::max({r, g, b});
    const double min = std::min({r, g, b});
    const double delta = max - min;
    const double l = (max + min) / 2.0;
    double h = 0.0;
    double s = 0.0;
    if (delta != 0.0) {
        s = l < 0.5 ? delta / (max + min) : delta / (2.0 - max - min);
        const double dR = ((max - r) / 6.0 + delta / 2.0) / delta;
        const double dG = ((max - g) / 6.0 + delta / 2.0) / delta;
        const double dB = ((max - b) / 6.0 + delta / 2.0) / delta;
        if (r == max) h = dB - dG;
        else if (g == max) h = 1.0 / 3.0 + dR - dB;
        else h = 2.0 / 3.0 + dG - dR;
        if (h < 0.0) h += 1.0;
        if (h > 1.0) h -= 1.0;
    }
    hsl = {h, s, l};
}

namespace {

double hue(double m1, double m2, double h)
{
    if (h < 0.0) h += 1.0;
    if (h > 1.0) h -= 1.0;
    if (6.0 * h < 1.0) return m1 + (m2 - m1) * 6.0 * h;
    if (2.0 * h < 1.0) return m2;
    if (3.0 * h < 2.0) return m1 + (m2 - m1) * (2.0 / 3.0 - h) * 6.0;
    return m1;
}

} // namespace

Color HSLTransformer::hslToColor(std::array<double, 3>& hsl)
{
    const double h = hsl[0];
    const double s = hsl[1];
    const double l = hsl[2];
    double r = l;
    double g = l;
    double b = l;
    if (s != 0.0) {
        const double m2 = l < 0.5 ? l * (1.0 + s) : (l + s) - s * l;
        const double m1 = 2.0 * l - m2;
        r = hue(m1, m2, h + 1.0 / 3.0);
        g = hue(m1, m2, h);
        b = hue(m1, m2, h - 1.0 / 3.0);
    }
    hsl = {r, g, b};
    return Color(r, g, b, 1.0);
}

double HSLTransformer::colorToLuminance(const Color& color)
{
    std::array<double, 3> hsl{};
    colorToHSL(color, hsl);
    return hsl[2];
}
