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
        UserDefaults::standard().removeObject(MarkDownSyntaxEnabledDefaultsKey);
        MarkdownSettingsNexus::instance().setMarkDownSyntaxEnabled(true);
    }
};

class MarkdownSettingsTest : public MarkdownTest {
protected:
    void SetUp() override
    {
        MarkdownTest::SetUp();
        _token = NotificationCenter::defaultCenter().addObserver(
            "MarkdownSyntaxSupportChangedNotification", nullptr, [this](const Notification& notification) {
                ++notifications;
                if (notification.object != nullptr) ++notificationsWithObject;
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

// --- Recognising spans ---

TEST_F(MarkdownTest, StarsBetweenLettersMakeBold)
{
    AttributedString result = convert("x*y*z");
    EXPECT_EQ(result.string(), "xyz");
    EXPECT_EQ(result.runs(), (std::vector<AttributedString::Run>{
                                 run(0, 1, fontOnly(baseFont)), run(1, 1, fontOnly(boldFont)),
                                 run(2, 1, fontOnly(baseFont))}));
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString("x*y*z"), "xyz");
}

TEST_F(MarkdownTest, StarBetweenBlanksStaysText)
{
    AttributedString result = convert("2 * 3");
    EXPECT_EQ(result.string(), "2 * 3");
    EXPECT_EQ(result.runs(), std::vector<AttributedString::Run>{run(0, 5, fontOnly(baseFont))});
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString("2 * 3"), "2 * 3");
}

TEST_F(MarkdownTest, ClosingMarkerWithNothingPendingStaysText)
{
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString("a* b"), "a* b");
    EXPECT_EQ(convert("a* b").runs(), std::vector<AttributedString::Run>{run(0, 4, fontOnly(baseFont))});
}

TEST_F(MarkdownTest, OpenerNeverClosedStaysText)
{
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString("*a"), "*a");
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString("x *a b"), "x *a b");
    EXPECT_EQ(convert("*a").string(), "*a");
}

TEST_F(MarkdownTest, UnderscoresAroundStarsGiveBoldItalic)
{
    AttributedString result = convert("_*x*_");
    EXPECT_EQ(result.string(), "x");
    EXPECT_EQ(result.runs(), std::vector<AttributedString::Run>{run(0, 1, fontOnly(boldItalicFont))});
}

TEST_F(MarkdownTest, DoubleStarsMakeTwoEmptyBoldSpans)
{
    MarkdownSpanParser parser("**word**", baseFont, 0);
    parser.parseText();
    ASSERT_EQ(parser.spanNodes().size(), 2u);
    parser.buildFilteredText();
    for (const auto& span : parser.spanNodes()) {
        EXPECT_EQ(span->spanType(), unsigned(MarkdownSpanBold));
        EXPECT_TRUE(span->isEmptyResultSpan());
    }
    EXPECT_EQ(parser.filteredText(), "word");

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

    AttributedString square = convert("x^^2^^");
    EXPECT_EQ(square.string(), "x2");
    EXPECT_EQ(square.attributesAt(0).superscript, 0);
    EXPECT_EQ(square.attributesAt(1).superscript, 1);
}

TEST_F(MarkdownTest, SingleCaretAndCommaAreText)
{
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString("a^b^c"), "a^b^c");
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString("1,2,3"), "1,2,3");
}

TEST_F(MarkdownTest, NestedScriptSpansAddUp)
{
    AttributedString result = convert("a^^b,,c,,^^");
    EXPECT_EQ(result.string(), "abc");
    EXPECT_EQ(result.attributesAt(0).superscript, 0);
    EXPECT_EQ(result.attributesAt(1).superscript, 1);
    EXPECT_EQ(result.attributesAt(2).superscript, 0);
}

TEST_F(MarkdownTest, OneTildeUnderlinesTwoStrikeThrough)
{
    AttributedString underlined = convert("a ~b~ c");
    EXPECT_EQ(underlined.string(), "a b c");
    EXPECT_EQ(underlined.attributesAt(2).underline, 1);
    EXPECT_EQ(underlined.attributesAt(2).strikethrough, 0);
    EXPECT_EQ(underlined.attributesAt(1).underline, 0);
    EXPECT_EQ(underlined.attributesAt(3).underline, 0);

    AttributedString struck = convert("a ~~b~~ c");
    EXPECT_EQ(struck.string(), "a b c");
    EXPECT_EQ(struck.attributesAt(2).strikethrough, 1);
    EXPECT_EQ(struck.attributesAt(2).underline, 0);
    EXPECT_EQ(struck.attributesAt(0).strikethrough, 0);
    EXPECT_EQ(struck.attributesAt(4).strikethrough, 0);
}

TEST_F(MarkdownTest, MismatchedMarkersStayText)
{
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString("~~a~"), "~~a~");
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString("*a_"), "*a_");
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString("^^a,,"), "^^a,,");
}

TEST_F(MarkdownTest, SurplusMarkerAfterASpanStaysText)
{
    AttributedString result = convert("*a*b*");
    EXPECT_EQ(result.string(), "ab*");
    EXPECT_EQ(result.runs(), (std::vector<AttributedString::Run>{run(0, 1, fontOnly(boldFont)),
                                                                 run(1, 2, fontOnly(baseFont))}));
}

TEST_F(MarkdownTest, ReopeningForgetsTheEarlierOpener)
{
    // The first star opens, the second opens again, the third closes: the first stays text.
    AttributedString result = convert("*a *b*");
    EXPECT_EQ(result.string(), "*a b");
    EXPECT_EQ(result.attributesAt(3).font, boldFont);
    EXPECT_EQ(result.attributesAt(0).font, baseFont);
}

TEST_F(MarkdownTest, InterleavedSpansOfDifferentTypesBothApply)
{
    AttributedString result = convert("*a _b* c_");
    EXPECT_EQ(result.string(), "a b c");
    EXPECT_EQ(result.runs(), (std::vector<AttributedString::Run>{
                                 run(0, 2, fontOnly(boldFont)), run(2, 1, fontOnly(boldItalicFont)),
                                 run(3, 2, fontOnly(italicFont))}));
}

TEST_F(MarkdownTest, MarkersAtLineStartsAndEnds)
{
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString("*a*\n_b_"), "a\nb");
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString("a\t*\tb"), "a\t*\tb");
}

TEST_F(MarkdownTest, SpanPositionsOfTheParser)
{
    MarkdownSpanParser parser("x*y*z ~~w~~", baseFont, 0);
    parser.parseText();
    parser.buildFilteredText();
    ASSERT_EQ(parser.spanNodes().size(), 2u);
    const MarkdownSpanNode& bold = *parser.spanNodes()[0];
    EXPECT_EQ(bold.startPos(), 1);
    EXPECT_EQ(bold.endPos(), 3);
    EXPECT_EQ(bold.resultStartPos(), 1);
    EXPECT_EQ(bold.resultEndPos(), 2);
    EXPECT_TRUE(bold.isFontSpanType());
    const MarkdownSpanNode& struck = *parser.spanNodes()[1];
    EXPECT_EQ(struck.spanType(), unsigned(MarkdownSpanStrikethrough));
    EXPECT_EQ(struck.startPos(), 6);
    EXPECT_EQ(struck.endPos(), 9);
    EXPECT_EQ(struck.resultStartPos(), 4);
    EXPECT_EQ(struck.resultEndPos(), 5);
    EXPECT_TRUE(struck.isFontEffectSpanType());
    EXPECT_EQ(parser.filteredText(), "xyz w");

    std::vector<int64_t> positions;
    for (const auto& token : parser.tokens()) positions.push_back(token.position());
    EXPECT_EQ(positions, (std::vector<int64_t>{1, 3, 6, 9}));
    EXPECT_TRUE(parser.tokens()[0].isStartToken());
    EXPECT_FALSE(parser.tokens()[1].isStartToken());

    unsigned traits = 0, effects = 0;
    parser.scanUsedTraits(traits);
    parser.scanUsedEffects(effects);
    EXPECT_EQ(traits, unsigned(BoldFontMask));
    EXPECT_EQ(effects, unsigned(MarkdownStrikethroughEffect));
}

TEST_F(MarkdownTest, SpanNodeKinds)
{
    EXPECT_TRUE(MarkdownSpanNode(1).isFontSpanType());
    EXPECT_TRUE(MarkdownSpanNode(2).isFontSpanType());
    EXPECT_TRUE(MarkdownSpanNode(3).isFontEffectSpanType());
    EXPECT_TRUE(MarkdownSpanNode(4).isFontEffectSpanType());
    EXPECT_TRUE(MarkdownSpanNode(5).isScriptSpanType());
    EXPECT_TRUE(MarkdownSpanNode(6).isScriptSpanType());
    EXPECT_FALSE(MarkdownSpanNode(5).isFontSpanType());
    MarkdownSpanNode node(1);
    node.setResultStartPos(3);
    node.setResultEndPos(3);
    EXPECT_TRUE(node.isEmptyResultSpan());
    node.setResultEndPos(4);
    EXPECT_FALSE(node.isEmptyResultSpan());
    MarkdownSpanToken end = MarkdownSpanToken::markdownSpanToken(&node, false);
    EXPECT_EQ(end.resultPosition(), 4);
    EXPECT_EQ(end.spanNode(), &node);
}

// --- Fonts and effects ---

TEST_F(MarkdownTest, BoldBaseFontIsPlainOutsideBoldSpans)
{
    AttributedString result = convert("a *b* c", 0, boldFont);
    EXPECT_EQ(result.string(), "a b c");
    EXPECT_EQ(result.runs(), (std::vector<AttributedString::Run>{
                                 run(0, 2, fontOnly(baseFont)), run(2, 1, fontOnly(boldFont)),
                                 run(3, 2, fontOnly(baseFont))}));
}

TEST_F(MarkdownTest, ItalicSpanKeepsABoldBaseFontBold)
{
    AttributedString result = convert("a _b_", 0, boldFont);
    EXPECT_EQ(result.attributesAt(0).font, boldFont);
    EXPECT_EQ(result.attributesAt(2).font, boldItalicFont);
}

TEST_F(MarkdownTest, UnderlineEffectWithAnUnderlineSpanOnlyUnderlinesTheSpan)
{
    AttributedString result = convert("a ~b~ c", MarkdownUnderlineEffect);
    EXPECT_EQ(result.attributesAt(0).underline, 0);
    EXPECT_EQ(result.attributesAt(2).underline, 1);
    EXPECT_EQ(result.attributesAt(4).underline, 0);
}

TEST_F(MarkdownTest, UnderlineEffectWithoutSpanUnderlinesTheWholeText)
{
    AttributedString plain = convert("a b", MarkdownUnderlineEffect);
    EXPECT_EQ(plain.runs(), std::vector<AttributedString::Run>{run(0, 3, [] {
                  TextAttributes a = fontOnly(baseFont);
                  a.underline = 1;
                  return a;
              }())});

    // With other spans, the whole text is still underlined.
    AttributedString spans = convert("a *b*", MarkdownUnderlineEffect);
    EXPECT_EQ(spans.attributesAt(0).underline, 1);
    EXPECT_EQ(spans.attributesAt(2).underline, 1);
}

TEST_F(MarkdownTest, StrikethroughEffect)
{
    AttributedString plain = convert("ab", MarkdownStrikethroughEffect);
    EXPECT_EQ(plain.attributesAt(0).strikethrough, 1);
    EXPECT_EQ(plain.attributesAt(1).strikethrough, 1);
    EXPECT_EQ(plain.attributesAt(0).underline, 0);

    AttributedString spanned = convert("a ~~b~~", MarkdownStrikethroughEffect | MarkdownUnderlineEffect);
    EXPECT_EQ(spanned.attributesAt(0).strikethrough, 0);
    EXPECT_EQ(spanned.attributesAt(2).strikethrough, 1);
    EXPECT_EQ(spanned.attributesAt(0).underline, 1);
}

TEST_F(MarkdownTest, OtherEffectBitsChangeNothing)
{
    EXPECT_EQ(convert("a *b*", 1 | 2).runs(), convert("a *b*").runs());
    EXPECT_EQ(convert("ab", 3).runs(), convert("ab").runs());
}

// --- Positions in UTF-16 units ---

TEST_F(MarkdownTest, EmojiBeforeAMarker)
{
    const std::string grin = "\xF0\x9F\x98\x80"; // U+1F600, two UTF-16 units
    MarkdownSpanParser parser(grin + "*b*", baseFont, 0);
    parser.parseText();
    ASSERT_EQ(parser.spanNodes().size(), 1u);
    EXPECT_EQ(parser.spanNodes()[0]->startPos(), 2);
    EXPECT_EQ(parser.spanNodes()[0]->endPos(), 4);

    AttributedString result = convert(grin + "*b*");
    EXPECT_EQ(result.string(), grin + "b");
    EXPECT_EQ(result.length(), 3u);
    EXPECT_EQ(result.runs(), (std::vector<AttributedString::Run>{run(0, 2, fontOnly(baseFont)),
                                                                 run(2, 1, fontOnly(boldFont))}));
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString(grin + "*b*"), grin + "b");
}

TEST_F(MarkdownTest, EmojiInsideASpan)
{
    const std::string grin = "\xF0\x9F\x98\x80";
    AttributedString result = convert("\xC3\xBC *" + grin + "x* " + grin);
    EXPECT_EQ(result.string(), "\xC3\xBC " + grin + "x " + grin);
    EXPECT_EQ(result.runs(), (std::vector<AttributedString::Run>{run(0, 2, fontOnly(baseFont)),
                                                                 run(2, 3, fontOnly(boldFont)),
                                                                 run(5, 3, fontOnly(baseFont))}));
}

TEST_F(MarkdownTest, UnicodeSpacesCountAsBlanks)
{
    // A no-break space and an ideographic space around a star leave it as text.
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString("a\xC2\xA0*\xE3\x80\x80 b"), "a\xC2\xA0*\xE3\x80\x80 b");
}

// --- Bad input ---

TEST_F(MarkdownTest, EmptyTextGivesEmptyResultWithoutAttributes)
{
    AttributedString result = convert("", MarkdownUnderlineEffect | MarkdownStrikethroughEffect);
    EXPECT_EQ(result.string(), "");
    EXPECT_EQ(result.length(), 0u);
    EXPECT_FALSE(result.hasAttributes());
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString(""), "");
}

TEST_F(MarkdownTest, OnlyMarkersGiveAnEmptyText)
{
    AttributedString result = convert("**", MarkdownUnderlineEffect);
    EXPECT_EQ(result.string(), "");
    EXPECT_FALSE(result.hasAttributes());
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString("**"), "");
}

TEST_F(MarkdownTest, InvalidUtf8DoesNotCrash)
{
    const std::vector<std::string> inputs = {
        "\xFF*b*\xFE", "*\x80*", "\xC3*a*", "a*\xED\xA0\x80*", "\xF0\x9F\x98", "*\xF0\x9F*x*", std::string("a\0*b*", 5),
        "~~\xC0\xAF~~", ",,\xF4\x90\x80\x80,,",
    };
    for (const std::string& input : inputs) {
        AttributedString result = convert(input, MarkdownUnderlineEffect);
        expectRunsInsideText(result);
        std::string filtered = MarkdownSpanParser::markdownFilteredString(input);
        EXPECT_LE(filtered.size(), input.size() * 3);
    }
    // The markers still work around invalid bytes, which become replacement characters.
    AttributedString result = convert("\xFF*b*\xFE");
    EXPECT_EQ(result.string(), "\xEF\xBF\xBD" "b" "\xEF\xBF\xBD");
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

// --- The setting ---

TEST_F(MarkdownSettingsTest, SettingStartsOnAndIsRegisteredAsDefault)
{
    EXPECT_TRUE(MarkdownSettingsNexus::markDownSyntaxEnabled());
    EXPECT_EQ(UserDefaults::standard().objectForKey("markDownSyntaxEnabled"), PropertyList(true));
    EXPECT_FALSE(UserDefaults::standard().hasUserValue("markDownSyntaxEnabled"));
}

TEST_F(MarkdownSettingsTest, SettingOffShowsRawText)
{
    MarkdownSettingsNexus::instance().setMarkDownSyntaxEnabled(false);
    AttributedString result = convert("x*y*z ~u~", MarkdownUnderlineEffect);
    EXPECT_EQ(result.string(), "x*y*z ~u~");
    TextAttributes underlined = fontOnly(baseFont);
    underlined.underline = 1;
    EXPECT_EQ(result.runs(), std::vector<AttributedString::Run>{run(0, 9, underlined)});
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString("x*y*z"), "x*y*z");
}

TEST_F(MarkdownSettingsTest, NotificationOnlyOnARealChange)
{
    MarkdownSettingsNexus& nexus = MarkdownSettingsNexus::instance();
    nexus.setMarkDownSyntaxEnabled(true);
    EXPECT_EQ(notifications, 0);

    nexus.setMarkDownSyntaxEnabled(false);
    EXPECT_FALSE(MarkdownSettingsNexus::markDownSyntaxEnabled());
    EXPECT_EQ(notifications, 1);
    nexus.setMarkDownSyntaxEnabled(false);
    EXPECT_EQ(notifications, 1);

    nexus.setMarkDownSyntaxEnabled(true);
    EXPECT_TRUE(MarkdownSettingsNexus::markDownSyntaxEnabled());
    EXPECT_EQ(notifications, 2);
    EXPECT_EQ(notificationsWithObject, 0);
}

TEST_F(MarkdownSettingsTest, UserDefaultChangesTheSetting)
{
    UserDefaults::standard().setBool("markDownSyntaxEnabled", false);
    EXPECT_FALSE(MarkdownSettingsNexus::markDownSyntaxEnabled());
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString("*a*"), "*a*");

    UserDefaults::standard().setBool("markDownSyntaxEnabled", false);
    EXPECT_EQ(notifications, 1);

    UserDefaults::standard().removeObject("markDownSyntaxEnabled");
    EXPECT_TRUE(MarkdownSettingsNexus::markDownSyntaxEnabled());
    EXPECT_EQ(notifications, 2);
    EXPECT_EQ(MarkdownSpanParser::markdownFilteredString("*a*"), "a");
}

TEST_F(MarkdownSettingsTest, NewHolderTakesTheStoredValue)
{
    UserDefaults::standard().setBool("markDownSyntaxEnabled", false);
    MarkdownSettingsNexus::instance().setMarkDownSyntaxEnabled(true);
    notifications = 0;
    {
        MarkdownSettingsNexus holder;
        EXPECT_FALSE(MarkdownSettingsNexus::markDownSyntaxEnabled());
        EXPECT_EQ(notifications, 1);

        // Both holders follow the default, and the shared flag changes once.
        UserDefaults::standard().setBool("markDownSyntaxEnabled", true);
        EXPECT_TRUE(MarkdownSettingsNexus::markDownSyntaxEnabled());
        EXPECT_EQ(notifications, 2);
    }
    // The holder that went away no longer follows; the shared one still does.
    UserDefaults::standard().setBool("markDownSyntaxEnabled", false);
    EXPECT_FALSE(MarkdownSettingsNexus::markDownSyntaxEnabled());
    EXPECT_EQ(notifications, 3);
}

TEST_F(MarkdownSettingsTest, InitMarkdownSupportMakesTheSharedHolderOnce)
{
    MarkdownSpanParser::initMarkdownSupport();
    MarkdownSettingsNexus* first = &MarkdownSettingsNexus::instance();
    MarkdownSpanParser::initMarkdownSupport();
    EXPECT_EQ(&MarkdownSettingsNexus::instance(), first);
    EXPECT_EQ(notifications, 0);
}

} // namespace
