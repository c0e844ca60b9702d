#include "formats/XmlAttributeHelpers.h"
#include "platform/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

// The quick path for whole numbers and quarters must give exactly the digits of the general one.
void expectSameAsGeneralFormat(double value)
{
    EXPECT_EQ(formatFloatAttributeText(value), formatFixed(value, 2)) << "value " << value;
}

std::string attributeText(double value)
{
    pugi::xml_document document;
    pugi::xml_node element = document.append_child("e");
    addFloatAttribute(element, "x", value);
    return element.attribute("x").value();
}

std::string escapedAttribute(std::string_view text, bool helper)
{
    pugi::xml_document document;
    pugi::xml_node element = document.append_child("e");
    if (helper) addEscapedStringAttribute(element, "text", text);
    else addStringAttribute(element, "text", EscapeXmlText(text));
    pugi::xml_attribute attribute = element.attribute("text");
    return attribute ? std::string("=") + attribute.value() : std::string("absent");
}

} // namespace

TEST(TwkxAttributeText, FloatsMatchTheGeneralFormat)
{
    const double values[] = {0.0,
                             -0.0,
                             -0.25,
                             0.75,
                             1.125,
                             -1.125,
                             2.625,
                             0.005,
                             0.015,
                             1e15,
                             1125899906842623.75,
                             1125899906842624.0,
                             4503599627370496.0,
                             9007199254740993.0,
                             1e300,
                             -1e300,
                             std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::lowest(),
                             std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::min(),
                             0.1,
                             0.29,
                             1.005,
                             2.675,
                             1e-7};
    for (double value : values) expectSameAsGeneralFormat(value);

    // Values right at a half hundredth and a hair either side of one, at every magnitude up to and
    // past the largest the quick rounding takes.
    for (double magnitude = 1; magnitude < 1e13; magnitude *= 7.3) {
        const double half = (std::floor(magnitude) + 0.5) / 100;
        for (double value : {half, std::nextafter(half, 0.0), std::nextafter(half, 1e300), half + 5e-7, half - 5e-7,
                             half + 2e-6, -half, -(half + 2e-6)})
            expectSameAsGeneralFormat(value);
    }
    for (double value : {999999999.995, 999999999.985, 1e9 - 0.001, 1e9 + 0.004, -0.001, -0.004999, 0.004999})
        expectSameAsGeneralFormat(value);

    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> spread(-1e6, 1e6);
    for (int i = 0; i < 20000; ++i) {
        const double value = spread(random);
        expectSameAsGeneralFormat(value);
        expectSameAsGeneralFormat(std::round(value));
        expectSameAsGeneralFormat(std::round(value * 4) / 4);
        expectSameAsGeneralFormat(std::round(value * 8) / 8);
        expectSameAsGeneralFormat(value / 1e6);
        expectSameAsGeneralFormat(value * 1e3);
    }
}

TEST(TwkxAttributeText, FloatAttributesUseTwoDecimals)
{
    EXPECT_EQ(attributeText(-30.5), "-30.50");
    EXPECT_EQ(attributeText(1.125), "1.12");
    EXPECT_EQ(attributeText(1.375), "1.38");
    EXPECT_EQ(attributeText(0.1), "0.10");
    EXPECT_EQ(attributeText(std::numeric_limits<double>::quiet_NaN()), "0.00");
    EXPECT_EQ(attributeText(-std::numeric_limits<double>::infinity()), "0.00");
    EXPECT_EQ(attributeText(std::numeric_limits<double>::max()).size(), 309u + 3u);
}

TEST(TwkxAttributeText, EscapedStringAttributesMatchEscapingFirst)
{
    const std::string texts[] = {"",         "tab\there\r\n",           "back\\slash",           "bad \xFF byte",
                                 "\x01\x02", std::string("nul\0in", 6), "\xE2\x80\xA8 sep<&\"'>"};
    for (const std::string& text : texts)
        EXPECT_EQ(escapedAttribute(text, true), escapedAttribute(text, false)) << text;
    EXPECT_EQ(escapedAttribute("", true), "absent");
    EXPECT_EQ(escapedAttribute("a\nb", true), "=a\\Nb");
}
