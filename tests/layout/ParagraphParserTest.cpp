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
        double characters = 0;
        for (size_t pos = 0; pos < text.size();) {
            Utf8::decodeNext(text, pos);
            ++characters;
        }
        return {characters * _unit, 12};
    }

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

// 0 empty, 1 text, 2 bullet item, 3 numbered item: a marker must stand alone or before white space.
TEST(ParagraphParserLines, LineTypes)
{
    const std::pair<const char*, int> cases[] = {
        {"", 0},
        {"\t \r", 0},
        {"\xE3\x80\x80", 0},
        {"\xE2\x80\x8B", 1}, // a zero-width space is no white space
        {"-", 2},
        {"*\titem", 2},
        {"+ ", 2},
        {"-\xE3\x80\x80item", 2},
        {"-a", 1},
        {" - item", 1},
        {"\xE2\x80\x93 item", 1},
        {"1.", 3},
        {"12. text", 3},
        {"12", 1},
        {"1.x", 1},
        {" 1. b", 1},
    };
    ParagraphParser parser;
    for (const auto& [line, type] : cases) {
        EXPECT_EQ(type, parser.getLineType(line)) << line;
        EXPECT_EQ(type == 0, ParagraphParser::isEmptyLine(line)) << line;
        EXPECT_EQ(type == 2, ParagraphParser::isUnorderedListStart(line)) << line;
        EXPECT_EQ(type == 3, ParagraphParser::isOrderedListStart(line)) << line;
    }
}

TEST(ParagraphParserSplit, EmptyLinesSeparateParagraphsAndMarkTheNextOne)
{
    struct Case {
        const char* text;
        size_t count;
        bool lfPrefix, fixedFirstWord;
    };
    const Case cases[] = {
        {"a\n\nb", 2, true, false},
        {"a\r\n \r\n\t\nb\n\n\n", 2, true, false}, // several empty lines give one prefix
        {"\n\nfirst", 1, true, false},
        {"first\n-second", 1, false, false}, // a dash before a letter is text
        {"first\n-\nsecond", 2, false, true},
        {"- item\nmore text", 1, false, true}, // a bullet goes on over following text lines
    };
    for (const Case& c : cases) {
        std::vector<TextParagraph> paragraphs = ParagraphParser::splitParagraphs(c.text);
        ASSERT_EQ(c.count, paragraphs.size()) << c.text;
        EXPECT_EQ(c.lfPrefix, paragraphs.back().lfPrefix()) << c.text;
        EXPECT_EQ(c.fixedFirstWord, paragraphs.back().fixedFirstWord()) << c.text;
    }
    EXPECT_EQ("\nb", ParagraphParser::splitParagraphs("a\n\nb")[1].convertWrapWidthToBreaks(100));
    EXPECT_EQ((Words{"-", "item", "more", "text"}), ParagraphParser::splitParagraphs("- item\nmore text")[0].words());
    EXPECT_TRUE(ParagraphParser::splitParagraphs("  \n\t\n \r\n").empty());
}

TEST(TextParagraphWords, CharactersAreNeverCutApart)
{
    // An emoji with skin tone, a family joined by zero-width joiners, combining accents, a flag.
    const std::string thumbs = "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD";
    const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";
    const std::string accented = "cafe\xCC\x81"
                                 "e\xCC\x81";
    const std::string flag = "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA";
    TextParagraph paragraph(thumbs + " " + family + "\t" + accented + "\n" + flag);
    EXPECT_EQ((Words{thumbs, family, accented, flag}), paragraph.words());
    EXPECT_EQ((Words{"a\xFF", "b\xC3"}), TextParagraph("a\xFF b\xC3").words()) << "stray bytes stay in their word";
    EXPECT_EQ("a b c d", TextParagraph("a  b\t\tc d").buildLineFromWords(0, 3));
}

TEST(TextParagraphRange, RoundsHalvesAwayFromZeroAndStaysBounded)
{
    CharacterCountProvider provider(2.5);
    TextParagraph paragraph = measured("ab c", provider);
    EXPECT_EQ(10, paragraph.maxWrapWidth());
    EXPECT_EQ(3, paragraph.minWrapWidth()); // 2.5
    EXPECT_EQ(-3, roundedTextWidth(-2.5));
    EXPECT_EQ(0, roundedTextWidth(std::nan("")));
    EXPECT_LT(roundedTextWidth(-1e300), 0);
    EXPECT_GT(roundedTextWidth(INFINITY), 0);
}

TEST(TextParagraphWrap, LinesFillUpToTheWidthInclusive)
{
    CharacterCountProvider provider;
    TextParagraph paragraph = measured("aaa bbb ccc", provider); // words 18, "aaa bbb" 42, all 66
    EXPECT_EQ("aaa bbb ccc", paragraph.convertWrapWidthToBreaks(66));
    EXPECT_EQ("aaa bbb\nccc", paragraph.convertWrapWidthToBreaks(42));
    EXPECT_EQ("aaa\nbbb\nccc", paragraph.convertWrapWidthToBreaks(41));
}

TEST(TextParagraphWrap, OneVeryLongWordAtAnyWidth)
{
    CharacterCountProvider provider;
    const std::string word(300, 'w');
    TextParagraph paragraph = measured("  " + word + " ", provider);
    for (int64_t width : {0, 1799, 100000}) EXPECT_EQ(word, paragraph.convertWrapWidthToBreaks(width)) << width;
    paragraph.setLfPrefix(true);
    EXPECT_EQ("\n" + word, paragraph.convertWrapWidthToBreaks(5));

    TextParagraph prefixed = measured("aaa bbb", provider, false, true);
    EXPECT_EQ("\naaa\nbbb", prefixed.convertWrapWidthToBreaks(20));
}

TEST(TextParagraphWrap, ListMarkerNeverStandsAlone)
{
    CharacterCountProvider provider;
    TextParagraph paragraph = measured("- item more text", provider, true);
    // "-" is 6 wide and "- item" 36: a width of 20 would leave the marker alone.
    EXPECT_EQ("- item\nmore\ntext", paragraph.convertWrapWidthToBreaks(20));
    EXPECT_EQ("- item more\ntext", paragraph.convertWrapWidthToBreaks(66));

    TextParagraph plain = measured("- item more text", provider, false);
    EXPECT_EQ("-\nitem\nmore\ntext", plain.convertWrapWidthToBreaks(20));
}
