#include "platform/Font.h"

#include <gtest/gtest.h>
#include <pango/pango.h>

#include <limits>
#include <memory>
#include <string>

namespace {

using Description = std::unique_ptr<PangoFontDescription, decltype(&pango_font_description_free)>;

Description pangoDescription(const Font& font)
{
    return Description(font.newPangoDescription(), pango_font_description_free);
}

} // namespace

TEST(FontDescription, Format)
{
    EXPECT_EQ(Font("DejaVu Sans", 12).description(), "DejaVu Sans 12");
    EXPECT_EQ(Font("DejaVu Sans", 12.5, true).description(), "DejaVu Sans Bold 12.5");
    EXPECT_EQ(Font("Helvetica Neue", 9, true, true).description(), "Helvetica Neue Bold Italic 9");
    EXPECT_EQ(Font("Times", 10, false, true).description(), "Times Italic 10");
    EXPECT_EQ(Font("Light Face", 10, false, false, 3).description(), "Light Face weight=3 10");
    EXPECT_EQ(Font("Arial, Bold", 10).description(), "Arial, Bold, 10");
}

TEST(FontDescription, ReadsBackExactly)
{
    const Font fonts[] = {
        Font("DejaVu Sans Mono", 12.5, true, true),
        Font("Helvetica", 1.0 / 3),
        Font("Helvetica", 1e-5),
        Font("Heavy", 11, true, false, 12),
        Font("Foo Bold", 10),
        Font("Foo 12", 10),
        Font("Foo weight=3", 10),
        Font("Arial, Bold", 10, true),
        Font("Trailing,", 10),
        Font(" Leading", 10),
        Font("", 10),
        Font("Tab\tand\nnewline", 11),
        Font(std::string(100000, 'F') + " Bold", 10, true),
    };
    for (const Font& font : fonts) {
        bool ok = false;
        std::string text = font.description();
        EXPECT_EQ(Font::fromDescription(text, &ok), font) << text.substr(0, 40);
        EXPECT_TRUE(ok) << text.substr(0, 40);
    }
}

TEST(FontDescription, BadTextAnswersTheDefaultFontAndNotOk)
{
    const std::string bad[] = {
        "",
        "Helvetica",
        "Helvetica 0",
        "Helvetica -12",
        "Helvetica 12pt",
        "Helvetica nan",
        "Helvetica 1e999",
        "Helvetica 0x10",
        "Helvetica 12 ",
        std::string("Helvetica 1\0"
                    "2",
                    12),
        std::string(1'000'000, 'x'),
    };
    for (const std::string& text : bad) {
        bool ok = true;
        EXPECT_EQ(Font::fromDescription(text, &ok), Font()) << text.substr(0, 40);
        EXPECT_FALSE(ok) << text.substr(0, 40);
    }
    Font::fromDescription("Helvetica"); // no ok pointer: no crash
}

TEST(FontDescription, StyleWordsInAnyOrderAndUnknownOnesBelongToTheFamily)
{
    const std::pair<const char*, Font> cases[] = {
        {"Times Italic Bold 10", Font("Times", 10, true, true)},
        {"Foo bold 10", Font("Foo bold", 10)},
        {"Foo weight=16 10", Font("Foo weight=16", 10)},
    };
    for (const auto& [text, font] : cases) {
        bool ok = false;
        EXPECT_EQ(Font::fromDescription(text, &ok), font) << text;
        EXPECT_TRUE(ok) << text;
    }
}

TEST(FontPango, FamilyWeightStyleAndFractionalSize)
{
    Description d = pangoDescription(Font("DejaVu Serif", 12.5, true, true));
    EXPECT_EQ(pango_font_description_get_weight(d.get()), PANGO_WEIGHT_BOLD);
    EXPECT_EQ(pango_font_description_get_style(d.get()), PANGO_STYLE_ITALIC);
    EXPECT_EQ(pango_font_description_get_size(d.get()), int(12.5 * PANGO_SCALE));

    EXPECT_LT(pango_font_description_get_weight(pangoDescription(Font("DejaVu Sans", 12, false, false, 3)).get()),
              PANGO_WEIGHT_NORMAL);
    EXPECT_GT(pango_font_description_get_weight(pangoDescription(Font("DejaVu Sans", 12, true, false, 12)).get()),
              PANGO_WEIGHT_BOLD);
}

TEST(FontPango, UnusableSizesStayWithinPangosRange)
{
    EXPECT_EQ(pango_font_description_get_size(pangoDescription(Font("DejaVu Sans", 1e300)).get()),
              100000 * PANGO_SCALE);
    EXPECT_GT(pango_font_description_get_size(pangoDescription(Font("DejaVu Sans", 0)).get()), 0);
    EXPECT_GT(pango_font_description_get_size(pangoDescription(Font("DejaVu Sans", -5)).get()), 0);
    double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(pango_font_description_get_size(pangoDescription(Font("DejaVu Sans", nan)).get()), 12 * PANGO_SCALE);
}
