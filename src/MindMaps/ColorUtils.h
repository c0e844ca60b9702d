#pragma once

#include "platform/Color.h"

#include <array>

// Colours shared by the colour schemes, the style sheets, the files and the panels. All are
// calibrated RGB; each call makes a new value.
//
// The one shared clear colour, which means "transparent" wherever a colour is stored, is
// Color::normalizedClearColor(); it is recognised by its tag (isNormalizedClearColor() in
// platform/Color.h), never by its value.

Color normalizedWhiteColor(); // 1, 1, 1
Color normalizedBlackColor(); // 0, 0, 0
Color normalizedGrayColor();  // 0.5, 0.5, 0.5
// Waits for its caller in the panels.
Color normalizedDarkGrayColor(); // 1/3, 1/3, 1/3

// Fixed colours of the published Material Design palette, alpha 1.
Color materialGrey400();
Color materialGrey500();
Color materialGrey700();
Color materialGrey800();
Color materialGreen600();
Color materialGreen700();
Color materialLightBlue100();
Color materialLightBlue200();
Color materialLightBlue800();
Color materialLightBlue900();
Color materialLightBlueA200();
Color materialBlue50();
Color materialBlue100();
Color materialBlue700();
Color materialBlue800();
Color materialBlue900();
Color materialIndigo50();
Color materialIndigo500();
Color materialIndigo900();
Color materialBlueGrey800();
Color materialBlueGrey900();

// Conversion between RGB and hue, saturation, lightness, each 0..1.
class HSLTransformer {
public:
    // Fills hsl with hue, saturation and lightness of the colour; alpha is ignored.
    static void colorToHSL(const Color& color, std::array<double, 3>& hsl);

    // The colour of the hue, saturation and lightness in hsl, alpha 1. hsl is overwritten with
    // the red, green and blue components of the answer.
    static Color hslToColor(std::array<double, 3>& hsl);

    // The HSL lightness of the colour.
    // Waits for its caller in the panels.
    static double colorToLuminance(const Color& color);
};
