#include "MindMaps/MarkdownSettingsNexus.h"
#include "MindMaps/MarkdownSpanParser.h"

#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const Font baseFont("Helvetica", 12);
const Font boldFont = baseFont.withTrait(BoldFontMask);
const Font italicFont = baseFont.withTrait(ItalicFontMask);
const Font boldItalicFont = boldFont.withTrait(ItalicFontMask);

TextAttributes fontOnly(const Font& font)
{
    TextAttributes attributes;
    attributes.font = font;
    return attributes;
}

AttributedString::Run run(size_t location, size_t length, const TextAttributes& attributes)
{
    return AttributedString::Run{TextRange{location, length}, attributes};
}

AttributedString convert(const std::string& text, unsigned effects = 0, const Font& font = baseFont)
{
    return MarkdownSpanParser::markdownToAttributedString(text, font, effects);
}

// Every run lies inside the text and the runs follow each other without overlap.
void expectRunsInsideText(const AttributedString& attributed)
{
    size_t previousEnd = 0;
    for (const auto& r : attributed.runs()) {
        EXPECT_GE(r.range.location, previousEnd);
        EXPECT_GT(r.range.length, 0u);
        EXPECT_LE(r.range.end(), attributed.length());
        previousEnd = r.range.end();
    }
}

// Each test starts and ends with the markup switched on and no user value for the setting.
class MarkdownTest : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }

    static void reset()
    {
        MarkdownSettingsNexus::instance();
        // The holder registers the default once per process; a test before this one may have reset
        // the defaults and taken that registration with it.
        UserDefaults::standard().registerDefaults({{MarkDownSyntaxEnabledDefaultsKey, PropertyList(true)}});
        UserDefaults::standard().removeObject(MarkDownSyntaxEnabledDefaultsKey);
        MarkdownSettingsNexus::instance().setMarkDownSyntaxEnabled(true);
    }
};

class MarkdownSettingsTest : public MarkdownTest {
protected:
    void SetUp() override
    {
        MarkdownTest::SetUp();
        _token = NotificationCenter::defaultCenter().addObserver("MarkdownSyntaxSupportChangedNotification", nullptr,
                                                                 [this](const Notification& notification) {
                                                                     ++notifications;
                                                                     if (notification.object != nullptr)
                                                                         ++notificationsWithObject;
                                                                 });
    }
    void TearDown() override
    {
        _token.reset();
        MarkdownTest::TearDown();
    }

    int notifications = 0;
    int notificationsWithObject = 0;

private:
    ObservationToken _token;
};

TEST_F(MarkdownTest, StarsBetweenLettersMakeBold)
{
    AttributedString result = convert("x*y*z");
    EXPECT_EQ(result.string(), "xyz");
    EXPECT_EQ(result.runs(),
              (std::vector<AttributedString::Run>{run(0, 1, fontOnly(baseFont)), run(1, 1, fontOnly(boldFont)),
                                                  run(2, 1, fontOnly(baseFont))}));
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString("x*y*z"), "xyz");
}

TEST_F(MarkdownTest, StarBetweenBlanksAndUnclosedOrMismatchedMarkersStayText)
{
    // Openers never closed and mismatched markers stay text too.
    for (const char* text : {"2 * 3", "*a", "x *a b", "~~a~", "*a_", "^^a,,"}) {
        EXPECT_EQ(MarkdownSpanParser::markdownFilteredString(text), text);
    }
}

TEST_F(MarkdownTest, DoubleStarsMakeEmptyBoldSpansThatUnboldABoldBase)
{
    // The word is not bold, and a bold base font loses its boldness over the whole text.
    AttributedString result = convert("**word**", 0, boldFont);
    EXPECT_EQ(result.string(), "word");
    EXPECT_EQ(result.runs(), std::vector<AttributedString::Run>{run(0, 4, fontOnly(baseFont))});
}

TEST_F(MarkdownTest, SubscriptAndSuperscriptLevels)
{
    AttributedString water = convert("H,,2,,O");
    EXPECT_EQ(water.string(), "H2O");
    EXPECT_EQ(water.attributesAt(0).superscript, 0);
    EXPECT_EQ(water.attributesAt(1).superscript, -1);
    EXPECT_EQ(water.attributesAt(2).superscript, 0);

    AttributedString nested = convert("a^^b,,c,,^^"); // nested levels add up
    EXPECT_EQ(nested.string(), "abc");
    EXPECT_EQ(nested.attributesAt(1).superscript, 1);
    EXPECT_EQ(nested.attributesAt(2).superscript, 0);
}

TEST_F(MarkdownTest, OneTildeUnderlinesTwoStrikeThrough)
{
    AttributedString underlined = convert("a ~b~ c");
    EXPECT_EQ(underlined.string(), "a b c");
    EXPECT_EQ(underlined.attributesAt(2).underline, 1);
    EXPECT_EQ(underlined.attributesAt(2).strikethrough, 0);

    AttributedString struck = convert("a ~~b~~ c");
    EXPECT_EQ(struck.string(), "a b c");
    EXPECT_EQ(struck.attributesAt(2).strikethrough, 1);
    EXPECT_EQ(struck.attributesAt(2).underline, 0);
}

// A text is shown in the base font and effects unless a marker of a span is in it: a single caret
// or comma is text, and every kind of marker still opens its span.
TEST_F(MarkdownTest, OnlyTextsWithMarkersGetSpans)
{
    TextAttributes underlined = fontOnly(baseFont);
    underlined.underline = 1;
    underlined.strikethrough = 1;
    const unsigned effects = MarkdownUnderlineEffect | MarkdownStrikethroughEffect;
    const struct {
        const char* text;
        bool spans;
    } cases[] = {
        {"plain words, with a comma", false},
        {"x^2 and a,b", false},
        {"caf\xC3\xA9", false},
        {"a _b_ c", true},
        {"a *b* c", true},
        {"a ~b~ c", true},
        {"a^^b^^", true},
        {"a,,b,,", true},
    };
    for (const auto& c : cases) {
        const AttributedString result = convert(c.text, effects);
        const std::vector<AttributedString::Run> whole{run(0, result.length(), underlined)};
        EXPECT_EQ(result.runs() != whole, c.spans) << c.text;
        EXPECT_EQ(result.string() == c.text, !c.spans) << c.text;
    }
}

TEST_F(MarkdownTest, InvalidUtf8DoesNotCrash)
{
    const std::vector<std::string> inputs = {
        "\xFF*b*\xFE",
        "*\x80*",
        "\xC3*a*",
        "a*\xED\xA0\x80*",
        "\xF0\x9F\x98",
        "*\xF0\x9F*x*",
        std::string("a\0*b*", 5),
        "~~\xC0\xAF~~",
        ",,\xF4\x90\x80\x80,,",
    };
    for (const std::string& input : inputs) {
        AttributedString result = convert(input, MarkdownUnderlineEffect);
        expectRunsInsideText(result);
        std::string filtered = MarkdownSpanParser::markdownFilteredString(input);
        EXPECT_LE(filtered.size(), input.size() * 3);
    }
    // The markers still work around invalid bytes, which become replacement characters.
    AttributedString result = convert("\xFF*b*\xFE");
    EXPECT_EQ(result.string(),
              "\xEF\xBF\xBD"
              "b"
              "\xEF\xBF\xBD");
    EXPECT_EQ(result.attributesAt(1).font, boldFont);
    EXPECT_EQ(result.attributesAt(0).font, baseFont);
    // Text without spans comes back unchanged.
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString("\xFF\xFE"), "\xFF\xFE");
}

TEST_F(MarkdownTest, LongHostileTexts)
{
    std::string stars(20000, '*');
    AttributedString result = convert(stars);
    expectRunsInsideText(result);
    EXPECT_EQ(result.string(), "");

    std::string mixed;
    for (int i = 0; i < 500; ++i) mixed += "a*_~~^^,,~ ";
    expectRunsInsideText(convert(mixed, MarkdownUnderlineEffect | MarkdownStrikethroughEffect));
}

TEST_F(MarkdownSettingsTest, UserDefaultChangesTheSettingAndOnlyRealChangesAreAnnounced)
{
    MarkdownSettingsNexus::instance().setMarkDownSyntaxEnabled(true);
    UserDefaults::standard().setBool("markDownSyntaxEnabled", false);
    EXPECT_FALSE(MarkdownSettingsNexus::markDownSyntaxEnabled());
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString("*a*"), "*a*");
    UserDefaults::standard().setBool("markDownSyntaxEnabled", false);
    EXPECT_EQ(notifications, 1);
    UserDefaults::standard().removeObject("markDownSyntaxEnabled");
    EXPECT_TRUE(MarkdownSettingsNexus::markDownSyntaxEnabled());
    EXPECT_EQ(notifications, 2);
    EXPECT_EQ(notificationsWithObject, 0);
}

} // namespace
