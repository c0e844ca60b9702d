#include "layout/ParagraphParser.h"
#include "layout/TextParagraph.h"

#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <cmath>

#include <string>
#include <vector>

namespace {

using Words = std::vector<std::string>;

// Every character (code point) is `unit` points wide, so that expected widths are plain sums.
class CharacterCountProvider : public TextSizeProvider {
public:
    explicit CharacterCountProvider(double unit = 6) : _unit(unit) {}

    Size calcTextSize(const std::string& text) override
    {
        ++calls;
        double characters = 0;
        for (size_t pos = 0; pos < text.size();) {
            Utf8::decodeNext(text, pos);
            ++characters;
        }
        return {characters * _unit, 12};
    }

    int calls = 0;

private:
    double _unit;
};

TextParagraph measured(const std::string& text, TextSizeProvider& provider, bool fixedFirstWord = false,
                       bool lfPrefix = false)
{
    TextParagraph paragraph(text);
    paragraph.setFixedFirstWord(fixedFirstWord);
    paragraph.setLfPrefix(lfPrefix);
    paragraph.setTextSizeProvider(&provider);
    paragraph.calculateWrapRange();
    return paragraph;
}

} // namespace

// Line classification

TEST(ParagraphParserLines, EmptyLinesHoldOnlyWhiteSpaceAndLineBreaks)
{
    EXPECT_TRUE(ParagraphParser::isEmptyLine(""));
    EXPECT_TRUE(ParagraphParser::isEmptyLine("   "));
    EXPECT_TRUE(ParagraphParser::isEmptyLine("\t \r"));
    EXPECT_TRUE(ParagraphParser::isEmptyLine("\xE3\x80\x80"));     // ideographic space
    EXPECT_TRUE(ParagraphParser::isEmptyLine(" \xE2\x80\xA8 "));   // line separator
    EXPECT_FALSE(ParagraphParser::isEmptyLine("a"));
    EXPECT_FALSE(ParagraphParser::isEmptyLine("  x  "));
    EXPECT_FALSE(ParagraphParser::isEmptyLine("\xE2\x80\x8B"));    // zero-width space is no white space
}

TEST(ParagraphParserLines, BulletMarkerMustStandAloneOrBeforeWhiteSpace)
{
    for (const char* line : {"-", "*", "+", "- item", "*\titem", "+ ", "-\xE3\x80\x80item"})
        EXPECT_TRUE(ParagraphParser::isUnorderedListStart(line)) << line;
    for (const char* line : {"", "-a", "--", "**bold**", " - item", "x- item", "\xE2\x80\x93 item"})
        EXPECT_FALSE(ParagraphParser::isUnorderedListStart(line)) << line;
}

TEST(ParagraphParserLines, NumberedItemIsDigitsAndAPointAloneOrBeforeWhiteSpace)
{
    for (const char* line : {"1.", "7.", "12. text", "3.\tx", "2024. a year"})
        EXPECT_TRUE(ParagraphParser::isOrderedListStart(line)) << line;
    for (const char* line : {"", "12", "1", ".", ". x", "1.x", "1.5", "1 . x", "a1. b", " 1. b", "1,"})
        EXPECT_FALSE(ParagraphParser::isOrderedListStart(line)) << line;
}

TEST(ParagraphParserLines, LineTypesInTheirOrderOfPrecedence)
{
    ParagraphParser parser;
    EXPECT_EQ(0, parser.getLineType(""));
    EXPECT_EQ(0, parser.getLineType("  \t"));
    EXPECT_EQ(1, parser.getLineType("plain text"));
    EXPECT_EQ(1, parser.getLineType("-a"));
    EXPECT_EQ(2, parser.getLineType("- item"));
    EXPECT_EQ(2, parser.getLineType("-"));
    EXPECT_EQ(3, parser.getLineType("1. item"));
    EXPECT_EQ(1, parser.getLineType("12"));
}

// Splitting

TEST(ParagraphParserSplit, EmptyLineSeparatesParagraphsAndMarksTheNextOne)
{
    std::vector<TextParagraph> paragraphs = ParagraphParser::splitParagraphs("a\n\nb");
    ASSERT_EQ(2u, paragraphs.size());
    EXPECT_EQ(Words{"a"}, paragraphs[0].words());
    EXPECT_FALSE(paragraphs[0].lfPrefix());
    EXPECT_EQ(Words{"b"}, paragraphs[1].words());
    EXPECT_TRUE(paragraphs[1].lfPrefix());
    EXPECT_EQ("\nb", paragraphs[1].convertWrapWidthToBreaks(100));
}

TEST(ParagraphParserSplit, BulletGoesOnOverFollowingTextLines)
{
    std::vector<TextParagraph> paragraphs = ParagraphParser::splitParagraphs("- item\nmore text");
    ASSERT_EQ(1u, paragraphs.size());
    EXPECT_EQ((Words{"-", "item", "more", "text"}), paragraphs[0].words());
    EXPECT_TRUE(paragraphs[0].fixedFirstWord());
    EXPECT_FALSE(paragraphs[0].lfPrefix());
}

TEST(ParagraphParserSplit, EachItemStartsAParagraphOfItsOwn)
{
    std::vector<TextParagraph> paragraphs = ParagraphParser::splitParagraphs("intro\n- a\nb\n* c\n1. d\n2.\ne");
    ASSERT_EQ(5u, paragraphs.size());
    EXPECT_EQ(Words{"intro"}, paragraphs[0].words());
    EXPECT_FALSE(paragraphs[0].fixedFirstWord());
    EXPECT_EQ((Words{"-", "a", "b"}), paragraphs[1].words());
    EXPECT_EQ((Words{"*", "c"}), paragraphs[2].words());
    EXPECT_EQ((Words{"1.", "d"}), paragraphs[3].words());
    EXPECT_EQ((Words{"2.", "e"}), paragraphs[4].words());
    for (size_t i = 1; i < paragraphs.size(); ++i) {
        EXPECT_TRUE(paragraphs[i].fixedFirstWord()) << i;
        EXPECT_FALSE(paragraphs[i].lfPrefix()) << i;
    }
}

TEST(ParagraphParserSplit, DashBeforeALetterIsText)
{
    std::vector<TextParagraph> paragraphs = ParagraphParser::splitParagraphs("first\n-second");
    ASSERT_EQ(1u, paragraphs.size());
    EXPECT_EQ((Words{"first", "-second"}), paragraphs[0].words());
    EXPECT_FALSE(paragraphs[0].fixedFirstWord());

    paragraphs = ParagraphParser::splitParagraphs("first\n-\nsecond");
    ASSERT_EQ(2u, paragraphs.size());
    EXPECT_EQ((Words{"-", "second"}), paragraphs[1].words());
    EXPECT_TRUE(paragraphs[1].fixedFirstWord());
}

TEST(ParagraphParserSplit, SeveralEmptyLinesGiveOnePrefixAndTrailingOnesVanish)
{
    std::vector<TextParagraph> paragraphs = ParagraphParser::splitParagraphs("a\n\n \n\t\nb\n\n\n");
    ASSERT_EQ(2u, paragraphs.size());
    EXPECT_TRUE(paragraphs[1].lfPrefix());
    EXPECT_FALSE(paragraphs[1].fixedFirstWord());

    paragraphs = ParagraphParser::splitParagraphs("a\n\n\n");
    ASSERT_EQ(1u, paragraphs.size());
    EXPECT_FALSE(paragraphs[0].lfPrefix());
}

TEST(ParagraphParserSplit, ItemAfterAnEmptyLineHasBothFlags)
{
    std::vector<TextParagraph> paragraphs = ParagraphParser::splitParagraphs("a\n\n- b");
    ASSERT_EQ(2u, paragraphs.size());
    EXPECT_TRUE(paragraphs[1].lfPrefix());
    EXPECT_TRUE(paragraphs[1].fixedFirstWord());
}

TEST(ParagraphParserSplit, LeadingEmptyLineMarksTheFirstParagraph)
{
    std::vector<TextParagraph> paragraphs = ParagraphParser::splitParagraphs("\n\nfirst");
    ASSERT_EQ(1u, paragraphs.size());
    EXPECT_TRUE(paragraphs[0].lfPrefix());
}

TEST(ParagraphParserSplit, WhiteSpaceOnlyTextHasNoParagraphs)
{
    EXPECT_TRUE(ParagraphParser::splitParagraphs("").empty());
    EXPECT_TRUE(ParagraphParser::splitParagraphs("  \n\t\n \r\n").empty());
}

TEST(ParagraphParserSplit, CarriageReturnLineEndsLeaveEmptyLinesEmpty)
{
    std::vector<TextParagraph> paragraphs = ParagraphParser::splitParagraphs("a\r\n\r\nb\r\n");
    ASSERT_EQ(2u, paragraphs.size());
    EXPECT_EQ(Words{"a"}, paragraphs[0].words());
    EXPECT_EQ(Words{"b"}, paragraphs[1].words());
    EXPECT_TRUE(paragraphs[1].lfPrefix());
}

// Words

TEST(TextParagraphWords, TrimmedAndSplitAtEveryWhiteSpaceAndLineBreak)
{
    TextParagraph paragraph("  one\ttwo   three\nfour\xE2\x80\xA8" "five\xC2\xA0six\r\n ");
    EXPECT_EQ((Words{"one", "two", "three", "four", "five", "six"}), paragraph.words());
    EXPECT_FALSE(paragraph.isEmpty());
    EXPECT_TRUE(TextParagraph(" \t\n ").isEmpty());
}

TEST(TextParagraphWords, CharactersAreNeverCutApart)
{
    // An emoji with skin tone, a family joined by zero-width joiners, combining accents, a flag.
    const std::string thumbs = "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD";
    const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";
    const std::string accented = "cafe\xCC\x81" "e\xCC\x81";
    const std::string flag = "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA";
    TextParagraph paragraph(thumbs + " " + family + "\t" + accented + "\n" + flag);
    EXPECT_EQ((Words{thumbs, family, accented, flag}), paragraph.words());
}

TEST(TextParagraphWords, BytesThatAreNoCharactersStayInTheirWord)
{
    TextParagraph paragraph("a\xFF b\xC3");
    EXPECT_EQ((Words{"a\xFF", "b\xC3"}), paragraph.words());
}

TEST(TextParagraphWords, LineFromWordsJoinsWithSingleSpaces)
{
    TextParagraph paragraph("a  b\t\tc d");
    EXPECT_EQ("b c", paragraph.buildLineFromWords(1, 2));
    EXPECT_EQ("a", paragraph.buildLineFromWords(0, 0));
    EXPECT_EQ("a b c d", paragraph.buildLineFromWords(0, 3));
}

// Wrap range

TEST(TextParagraphRange, WholeLineAndNarrowestWord)
{
    CharacterCountProvider provider;
    TextParagraph paragraph = measured("aa bbbb c ddd", provider);
    EXPECT_EQ(13 * 6, paragraph.maxWrapWidth());
    EXPECT_EQ(6, paragraph.minWrapWidth());
}

TEST(TextParagraphRange, RoundsHalvesAwayFromZero)
{
    CharacterCountProvider provider(2.5);
    TextParagraph paragraph = measured("ab c", provider);
    EXPECT_EQ(10, paragraph.maxWrapWidth());
    EXPECT_EQ(3, paragraph.minWrapWidth()); // 2.5
    EXPECT_EQ(3, RoundedTextWidth(2.5));
    EXPECT_EQ(2, RoundedTextWidth(2.4999));
    EXPECT_EQ(-3, RoundedTextWidth(-2.5));
}

TEST(TextParagraphRange, UnmeasurableWidthsStayBounded)
{
    EXPECT_EQ(0, RoundedTextWidth(std::nan("")));
    EXPECT_GT(RoundedTextWidth(1e300), 0);
    EXPECT_LT(RoundedTextWidth(-1e300), 0);
    EXPECT_GT(RoundedTextWidth(INFINITY), 0);
}

TEST(TextParagraphRange, ParagraphWithoutWordsIsNotMeasured)
{
    CharacterCountProvider provider;
    TextParagraph paragraph = measured("   ", provider);
    EXPECT_EQ(0, provider.calls);
    EXPECT_EQ(0, paragraph.maxWrapWidth());
    EXPECT_EQ(0, paragraph.minWrapWidth());
}

// Converting a wrap width

TEST(TextParagraphWrap, LinesFillUpToTheWidthInclusive)
{
    CharacterCountProvider provider;
    TextParagraph paragraph = measured("aaa bbb ccc", provider); // words 18, "aaa bbb" 42, all 66
    EXPECT_EQ("aaa bbb ccc", paragraph.convertWrapWidthToBreaks(66));
    EXPECT_EQ("aaa bbb\nccc", paragraph.convertWrapWidthToBreaks(65));
    EXPECT_EQ("aaa bbb\nccc", paragraph.convertWrapWidthToBreaks(42));
    EXPECT_EQ("aaa\nbbb\nccc", paragraph.convertWrapWidthToBreaks(41));
    EXPECT_EQ("aaa\nbbb\nccc", paragraph.convertWrapWidthToBreaks(0));
}

TEST(TextParagraphWrap, OneVeryLongWordAtAnyWidth)
{
    CharacterCountProvider provider;
    const std::string word(300, 'w');
    TextParagraph paragraph = measured("  " + word + " ", provider);
    for (int64_t width : {0, 1, 50, 1799, 1800, 100000})
        EXPECT_EQ(word, paragraph.convertWrapWidthToBreaks(width)) << width;
    paragraph.setLfPrefix(true);
    EXPECT_EQ("\n" + word, paragraph.convertWrapWidthToBreaks(5));
}

TEST(TextParagraphWrap, LongWordAmongShortOnesTakesALineOfItsOwn)
{
    CharacterCountProvider provider;
    TextParagraph paragraph = measured("a bb cccccccccc d", provider);
    EXPECT_EQ("a bb\ncccccccccc\nd", paragraph.convertWrapWidthToBreaks(30));
}

TEST(TextParagraphWrap, ListMarkerNeverStandsAlone)
{
    CharacterCountProvider provider;
    TextParagraph paragraph = measured("- item more text", provider, true);
    // "-" is 6 wide and "- item" 36: a width of 20 would leave the marker alone.
    EXPECT_EQ("- item\nmore\ntext", paragraph.convertWrapWidthToBreaks(20));
    EXPECT_EQ("- item\nmore\ntext", paragraph.convertWrapWidthToBreaks(0));
    EXPECT_EQ("- item more\ntext", paragraph.convertWrapWidthToBreaks(66));

    TextParagraph plain = measured("- item more text", provider, false);
    EXPECT_EQ("-\nitem\nmore\ntext", plain.convertWrapWidthToBreaks(20));
}

TEST(TextParagraphWrap, NumberedMarkerKeepsItsWordToo)
{
    ParagraphParser parser;
    std::vector<TextParagraph> paragraphs = parser.doSplitParagraphs("12. twelve apples");
    ASSERT_EQ(1u, paragraphs.size());
    CharacterCountProvider provider;
    paragraphs[0].setTextSizeProvider(&provider);
    EXPECT_EQ("12. twelve\napples", paragraphs[0].convertWrapWidthToBreaks(1));
}

TEST(TextParagraphWrap, PrefixStartsWithAnEmptyLine)
{
    CharacterCountProvider provider;
    TextParagraph paragraph = measured("aaa bbb", provider, false, true);
    EXPECT_EQ("\naaa\nbbb", paragraph.convertWrapWidthToBreaks(20));
    EXPECT_EQ("\naaa bbb", paragraph.convertWrapWidthToBreaks(100));
}

TEST(TextParagraphWrap, NoWordsGiveNoText)
{
    CharacterCountProvider provider;
    TextParagraph paragraph = measured("", provider, true, true);
    EXPECT_EQ("", paragraph.convertWrapWidthToBreaks(10));
}

TEST(TextParagraphWrap, WithoutSizeProviderEverythingFitsOnOneLine)
{
    TextParagraph paragraph("a b c");
    EXPECT_EQ("a b c", paragraph.convertWrapWidthToBreaks(0));
}

TEST(TextParagraphWrap, BreaksOnlyBetweenWholeCharacters)
{
    const std::string thumbs = "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD";
    const std::string accented = "e\xCC\x81" "e\xCC\x81" "e\xCC\x81";
    CharacterCountProvider provider;
    TextParagraph paragraph = measured(thumbs + thumbs + thumbs + " " + accented + " x", provider);
    std::string wrapped = paragraph.convertWrapWidthToBreaks(1);
    EXPECT_EQ(thumbs + thumbs + thumbs + "\n" + accented + "\nx", wrapped);
    EXPECT_TRUE(Utf8::isValid(wrapped));
}
