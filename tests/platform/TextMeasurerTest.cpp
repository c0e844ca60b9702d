#include "platform/TextMeasurer.h"
#include "platform/PangoTextMeasurer.h"
#include "platform/TextMeasuringPool.h"
#include "support/FakeTextMeasurer.h"
#include "support/LaidOutTextMeasurer.h"
#include "support/MixedTopicTexts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace {

TextAttributes fontAttributes(const Font& font)
{
    TextAttributes attributes;
    attributes.font = font;
    return attributes;
}

const std::string Emoji = "\xF0\x9F\x98\x80";
const Font Ten("DejaVu Sans", 10);

} // namespace

// Each UTF-16 unit is 0.6 of the point size wide, each line 1.2 high.
TEST(FakeTextMeasurer, LinesWrappingAndUnits)
{
    struct Case {
        std::string text;
        double wrapWidth;
        double width, height;
    };
    const Case cases[] = {
        {"", 0, 0, 12},
        {"ab\nabcd\n", 0, 24, 36}, // the text ends in an empty line
        {Emoji, 0, 12, 12},
        {"aaa bbb ccc", 41, 18, 36},

        {"aaa     bbb", 20, 18, 24},       // spaces at a break do not count
        {"abcdefghij", 25, 24, 36},        // long words break between characters
        {"a" + Emoji + Emoji, 13, 12, 36}, // a pair of units is never split
        {"ab", 1, 6, 24},                  // a character wider than the line still takes a line
    };
    FakeTextMeasurer m;
    for (const Case& c : cases) {
        Size size = c.wrapWidth > 0 ? m.sizeForText(c.text, Ten, c.wrapWidth) : m.sizeForText(c.text, Ten);
        EXPECT_DOUBLE_EQ(size.width, c.width) << c.text << " in " << c.wrapWidth;
        EXPECT_DOUBLE_EQ(size.height, c.height) << c.text << " in " << c.wrapWidth;
    }
    EXPECT_DOUBLE_EQ(m.sizeForText("ab", Font("X", 20)).width, 24);
}

class PangoTextMeasurerTest : public ::testing::Test {
protected:
    PangoTextMeasurer m;
};

TEST_F(PangoTextMeasurerTest, OnePointIsOneUnitAndLinesAddUp)
{
    // DejaVu Sans lines are a little more than the point size high at 72 dots per inch.
    Size size = m.sizeForText("Wyg", Font("DejaVu Sans", 100));
    EXPECT_GT(size.height, 100);
    EXPECT_LT(size.height, 130);
    EXPECT_NEAR(m.sizeForText("Wyg", Font("DejaVu Sans", 200)).width, 2 * size.width, 2);

    Size one = m.sizeForText("abc", Ten);
    Size two = m.sizeForText("abc\nabc", Ten);
    EXPECT_DOUBLE_EQ(two.width, one.width);
    EXPECT_NEAR(two.height, 2 * one.height, 0.01);
    Size empty = m.sizeForText("", Ten);
    EXPECT_EQ(empty.width, 0);
    EXPECT_DOUBLE_EQ(empty.height, one.height);
}

TEST_F(PangoTextMeasurerTest, AttributedTextFollowsItsFonts)
{
    AttributedString plain("Mind map", fontAttributes(Ten));
    const Size plainSize = m.sizeForAttributedString(plain);
    EXPECT_EQ(plainSize, m.sizeForText("Mind map", Ten));
    AttributedString raised = plain;
    raised.setSuperscript({5, 3}, 1);
    EXPECT_LT(m.sizeForAttributedString(raised).width, plainSize.width) << "superscript is smaller";
}

TEST_F(PangoTextMeasurerTest, MeasuringAgainAnswersAsAFreshMeasurerDoes)
{
    // Remembered sizes must still belong to their own text, attributes and wrap width.
    AttributedString text("The quick brown fox jumps over the lazy dog", fontAttributes(Ten));
    const Size unwrapped = m.sizeForAttributedString(text);
    const Size wrapped = m.sizeForAttributedString(text, unwrapped.width / 2);
    AttributedString bold = text;
    bold.setFont({0, 9}, Ten.withTrait(BoldFontMask));
    const Size boldSize = m.sizeForAttributedString(bold);
    AttributedString other("The quick brown fox jumps over the lazy cat", fontAttributes(Ten));
    const Size otherSize = m.sizeForAttributedString(other);

    PangoTextMeasurer fresh;
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(m.sizeForAttributedString(text), fresh.sizeForAttributedString(text));
        EXPECT_EQ(m.sizeForAttributedString(text, unwrapped.width / 2),
                  fresh.sizeForAttributedString(text, unwrapped.width / 2));
        EXPECT_EQ(m.sizeForAttributedString(bold), fresh.sizeForAttributedString(bold));
        EXPECT_EQ(m.sizeForAttributedString(other), fresh.sizeForAttributedString(other));
    }
    EXPECT_NE(wrapped, unwrapped);
    EXPECT_GT(boldSize.width, unwrapped.width);
    EXPECT_NE(otherSize, Size());
    // An unusable wrap width measures unwrapped, however often it comes.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(m.sizeForAttributedString(text, nan), unwrapped);
    EXPECT_EQ(m.sizeForAttributedString(text, nan), unwrapped);
}

TEST_F(PangoTextMeasurerTest, HostileTextIsMeasuredWithoutHarm)
{
    EXPECT_GT(m.sizeForText("a\xFF\xC0"
                            "b",
                            Ten)
                  .width,
              m.sizeForText("ab", Ten).width);
    EXPECT_GT(m.sizeForText(Emoji + Emoji, Ten).width, 0);
    EXPECT_GT(m.sizeForText(std::string("a\0b", 3), Ten).width, 0);
    EXPECT_GT(m.sizeForText("abc", Ten, 1e300).width, 0);
    EXPECT_GT(m.sizeForText("abc", Ten, -5).width, 0);
    std::string many(3000, 'w'); // long words break inside, and Pango's time grows with their square
    Size size = m.sizeForText(many, Ten, 200);
    EXPECT_LE(size.width, 200);
    EXPECT_GT(size.height, 100);
}

namespace {

// Mixed texts with attribute runs as markdown gives them: bold, italic, a second size, raised
// and lowered words, underlines, partly coloured words, and a colour over the whole text.
std::vector<AttributedString> mixedAttributedTexts(size_t count, bool brokenIntoLines = false)
{
    std::vector<std::string> raw = MixedTopicTexts::texts(count, 11);
    // As word wrap breaks texts: every other blank becomes a line break (one unit for another,
    // so that every attribute stays where it was); now and then a line is left empty.
    if (brokenIntoLines) {
        for (size_t i = 0; i < raw.size(); ++i) {
            size_t blanks = 0;
            for (char& c : raw[i])
                if (c == ' ' && blanks++ % 2 == 0) c = '\n';
            if (i % 25 == 0) raw[i] += "\n";
        }
    }
    std::vector<AttributedString> texts;
    for (size_t i = 0; i < raw.size(); ++i) {
        const Font font = MixedTopicTexts::font(i);
        AttributedString text(raw[i], fontAttributes(font));
        const size_t length = text.length();
        const TextRange part{length / 3, length / 3};
        switch (i % 6) {
        case 0:
            text.setFont(part, font.withTrait(BoldFontMask));
            break;
        case 1:
            text.setFont(part, font.withTrait(ItalicFontMask).withSize(font.pointSize() * 1.5));
            break;
        case 2:
            text.setSuperscript(part, i % 4 == 2 ? 1 : -1);
            break;
        case 3:
            text.setUnderline(part, 1);
            text.setStrikethrough({0, length / 2}, 1);
            break;
        case 4:
            text.setColor(part, Color::rgb255(200, 10, 10));
            break;
        default:
            break;
        }
        text.setAlignment({0, length}, static_cast<TextAlignment>(i % 3));
        if (i % 5 != 0) text.setColor({0, length}, Color::rgb255(int(i % 256), 0, 0));
        texts.push_back(std::move(text));
    }
    // Repeats, within the batch and of texts measured before it.
    for (size_t i = 0; i < count / 10; ++i) texts.push_back(texts[i * 7 % count]);
    return texts;
}

} // namespace

// Sizes measured in one batch on several threads, remembered, found again for a recoloured text,
// or measured one by one with the shortcut for one-line texts, are those of laying every text out
// alone, to the last bit.
TEST(PangoTextMeasurerBatch, EverySizeIsThatOfTheTextLaidOutAlone)
{
    const std::vector<AttributedString> texts = mixedAttributedTexts(3000);
    LaidOutTextMeasurer alone;
    std::vector<Size> expected;
    for (const AttributedString& text : texts) expected.push_back(alone.sizeForAttributedString(text, 0));

    PangoTextMeasurer measurer;
    // Some texts known before the batch.
    for (size_t i = 0; i < texts.size(); i += 13) EXPECT_EQ(measurer.sizeForAttributedString(texts[i]), expected[i]);
    std::vector<const AttributedString*> batch;
    for (const AttributedString& text : texts) batch.push_back(&text);
    const std::vector<Size> sizes = measurer.sizesForAttributedStrings(batch);
    ASSERT_EQ(sizes.size(), texts.size());
    PangoLayoutMeasurer oneByOne;
    size_t differing = 0;
    auto expectSame = [&](const AttributedString& text, Size size, Size laidOut) {
        if (size != laidOut && ++differing < 5)
            ADD_FAILURE() << text.string() << ": " << size.width << " x " << size.height << " alone " << laidOut.width
                          << " x " << laidOut.height;
    };
    for (size_t i = 0; i < texts.size(); ++i) {
        expectSame(texts[i], sizes[i], expected[i]);
        expectSame(texts[i], oneByOne.sizeForAttributedString(texts[i], 0), expected[i]);
    }
    EXPECT_EQ(differing, 0u);

    // A text in another colour over the whole text is found again; a colour over a part is not
    // the same text.
    for (size_t i = 0; i < 60; ++i) {
        AttributedString recoloured = texts[i];
        recoloured.setColor({0, recoloured.length()}, Color::rgb255(1, 2, 3));
        EXPECT_EQ(measurer.sizeForAttributedString(recoloured), alone.sizeForAttributedString(recoloured, 0));
    }
    EXPECT_TRUE(measurer.sizesForAttributedStrings({}).empty());
}

// Texts broken into lines, with runs that cross the breaks, aligned left, centred or right, in
// several scripts: each line measured on its own and stacked gives the size of the laid-out text.
TEST(PangoTextMeasurerBatch, TextsOfSeveralLinesHaveTheSizesOfTheirLayouts)
{
    const std::vector<AttributedString> texts = mixedAttributedTexts(1500, true);
    LaidOutTextMeasurer alone;
    PangoLayoutMeasurer measurer;
    size_t broken = 0;
    size_t differing = 0;
    for (const AttributedString& text : texts) {
        if (text.string().find('\n') != std::string::npos) ++broken;
        const Size expected = alone.sizeForAttributedString(text, 0);
        const Size size = measurer.sizeForAttributedString(text, 0);
        if (size != expected && ++differing < 5)
            ADD_FAILURE() << text.string() << ": " << size.width << " x " << size.height << " alone " << expected.width
                          << " x " << expected.height;
    }
    EXPECT_EQ(differing, 0u);
    EXPECT_GT(broken, 1000u);
}

// A text of several lines looks up only lines that shaping would measure as the same plain text:
// printable ASCII in one font over the whole line, neither raised nor lowered. Other lines, and
// a text of one line, are shaped.
TEST(PangoLayoutMeasurerKnownLines, OnlyPlainAsciiLinesInOneFontAreLookedUp)
{
    // Knows every line in ten points, as a line 1000 wide.
    struct Known : PangoLayoutMeasurer::KnownLines {
        const Size* find(const std::string& line, const Font& font) const override
        {
            asked.push_back(line);
            return font == Ten ? &size : nullptr;
        }
        Size size{1000, 1};
        mutable std::vector<std::string> asked;
    };
    struct Case {
        std::string text;
        TextRange bold, raised;
        std::vector<std::string> asked;
        // Whether a size found is used: a line shaping cannot measure has the whole text laid out.
        bool found;
    };
    const Case cases[] = {
        {"first line\nsecond", {}, {}, {"first line", "second"}, true},
        {"one line", {}, {}, {}, false},
        {"first line\nsecond", {0, 5}, {}, {"second"}, true},
        {"first line\nsecond", {0, 10}, {}, {"first line", "second"}, true}, // asked in bold
        {"first line\nsecond", {}, {11, 3}, {"first line"}, false},
        {"caf\xC3\xA9 line\nsecond", {}, {}, {"second"}, true},
        {"2024\nsecond", {}, {}, {"second"}, true},
    };
    for (const Case& c : cases) {
        AttributedString text(c.text, fontAttributes(Ten));
        if (c.bold.length) text.setFont(c.bold, Ten.withTrait(BoldFontMask));
        if (c.raised.length) text.setSuperscript(c.raised, 1);
        SCOPED_TRACE(c.text + " bold " + std::to_string(c.bold.length));
        Known known;
        const Size size = PangoLayoutMeasurer().sizeForAttributedString(text, 0, &known);
        EXPECT_EQ(known.asked, c.asked);
        const Size expected =
            c.found ? Size{known.size.width, size.height} : LaidOutTextMeasurer().sizeForAttributedString(text, 0);
        EXPECT_EQ(size, expected);
    }
}

// Texts of several lines whose lines word wrap measured before as plain text, in the text's font:
// measured in a batch or one by one, each has the size of its layout, whatever fonts, raised
// words and scripts its lines have.
TEST(PangoTextMeasurerBatch, TextsOfWrappedLinesHaveTheSizesOfTheirLayouts)
{
    const size_t count = 1500;
    const std::vector<AttributedString> texts = mixedAttributedTexts(count, true);
    PangoTextMeasurer batchMeasurer, oneByOneMeasurer;
    std::vector<const AttributedString*> batch;
    for (size_t i = 0; i < texts.size(); ++i) batch.push_back(&texts[i]);
    for (size_t i = 0; i < count; ++i) {
        const std::string& string = texts[i].string();
        for (size_t start = 0, end; start < string.size(); start = end + 1) {
            end = std::min(string.find('\n', start), string.size());
            for (PangoTextMeasurer* measurer : {&batchMeasurer, &oneByOneMeasurer})
                measurer->sizeForText(string.substr(start, end - start), MixedTopicTexts::font(i));
        }
    }
    const std::vector<Size> sizes = batchMeasurer.sizesForAttributedStrings(batch);
    LaidOutTextMeasurer alone;
    size_t differing = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
        const Size expected = alone.sizeForAttributedString(texts[i], 0);
        for (const Size size : {sizes[i], oneByOneMeasurer.sizeForAttributedString(texts[i])})
            if (size != expected && ++differing < 5)
                ADD_FAILURE() << texts[i].string() << ": " << size.width << " x " << size.height << " alone "
                              << expected.width << " x " << expected.height;
    }
    EXPECT_EQ(differing, 0u);
}

// Plain texts as word wrap measures them (single words, runs of words, whole lines; in many
// fonts, scripts and with control characters and broken UTF-8), measured with the one-line
// shortcut, ahead on several threads or one by one afterwards, have the sizes of laying each out
// alone, to the last bit.
TEST(PangoTextMeasurerAhead, PlainTextsHaveTheSizesOfTheirLayouts)
{
    std::vector<std::pair<std::string, Font>> texts;
    const std::vector<std::string> raw = MixedTopicTexts::texts(600, 5);
    for (size_t i = 0; i < raw.size(); ++i) {
        const Font font = MixedTopicTexts::font(i);
        texts.emplace_back(raw[i], font);
        // The words of the text, and the runs of words that the line search tries.
        std::vector<std::string> words;
        for (size_t start = 0, end; start < raw[i].size(); start = end + 1) {
            end = raw[i].find_first_of(" \n", start);
            if (end == std::string::npos) end = raw[i].size();
            if (end > start) words.push_back(raw[i].substr(start, end - start));
        }
        std::string line;
        for (const std::string& word : words) {
            texts.emplace_back(word, font);
            line += (line.empty() ? "" : " ") + word;
            texts.emplace_back(line, font);
        }
    }
    for (const std::string& odd :
         {std::string(), std::string(" "), std::string("tab\there"), std::string("a\0b", 3),
          std::string("\xff\xfe broken"), std::string("line\u2028separator"), std::string("\xc2\x85")})
        texts.emplace_back(odd, Font());
    texts.emplace_back(std::string(300, 'w'), Font("DejaVu Sans", 9));

    LaidOutTextMeasurer alone;
    std::vector<Size> expected;
    for (const auto& [text, font] : texts) expected.push_back(alone.sizeForText(text, font));

    PangoTextMeasurer measurer;
    // Some texts known before the run ahead, which finds them there.
    for (size_t i = 0; i < texts.size(); i += 17) measurer.sizeForText(texts[i].first, texts[i].second);
    std::vector<Size> ahead(texts.size());
    // Each call measures a handful of texts, several of them twice.
    constexpr size_t PerCall = 8;
    measurer.measureTextsAhead((texts.size() + PerCall - 1) / PerCall, [&](size_t call, PlainTextSizer& sizer) {
        for (size_t i = call * PerCall; i < std::min(texts.size(), (call + 1) * PerCall); ++i) {
            ahead[i] = sizer.sizeForText(texts[i].first, texts[i].second);
            EXPECT_EQ(sizer.sizeForText(texts[i].first, texts[i].second), ahead[i]);
        }
    });
    PangoLayoutMeasurer oneByOne;
    size_t differing = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
        const Size sizes[] = {ahead[i], measurer.sizeForText(texts[i].first, texts[i].second),
                              oneByOne.sizeForText(texts[i].first, texts[i].second, 0)};
        for (const Size size : sizes)
            if (size != expected[i] && ++differing < 5)
                ADD_FAILURE() << texts[i].first << ": " << size.width << " x " << size.height << " alone "
                              << expected[i].width << " x " << expected[i].height;
    }
    EXPECT_EQ(differing, 0u);
    measurer.measureTextsAhead(0, [](size_t, PlainTextSizer&) { ADD_FAILURE() << "called for nothing"; });
}

namespace {

// Measures new texts in batches of several sizes and counts the batches after which the shared
// pool has another number of workers than expected.
int unexpectedWorkerCounts()
{
    std::vector<AttributedString> texts;
    for (size_t i = 0; i < 1100; ++i) texts.emplace_back("topic " + std::to_string(i), fontAttributes(Ten));
    PangoTextMeasurer measurer;
    size_t next = 0;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t workers = std::min(cores, 8u) - 1;
    const struct {
        size_t batch;
        size_t workersAfter;
    } steps[] = {{40, 0}, {511, 0}, {512, workers}, {40, workers}};
    int failures = 0;
    measurer.measureTextsAhead(
        40, [&](size_t i, PlainTextSizer& sizer) { sizer.sizeForText(texts[1099 - i].string(), Ten); });
    if (TextMeasuringPool::shared().workerCount() != 0) ++failures;
    for (const auto& step : steps) {
        std::vector<const AttributedString*> batch;
        for (size_t i = 0; i < step.batch; ++i) batch.push_back(&texts[next++]);
        measurer.sizesForAttributedStrings(batch);
        const size_t started = TextMeasuringPool::shared().workerCount();
        if (started != step.workersAfter) {
            std::fprintf(stderr, "after a batch of %zu: %zu workers\n", step.batch, started);
            ++failures;
        }
    }
    return failures;
}

} // namespace

// A small map's texts are laid out on the calling thread: the workers, each loading its fonts
// anew, start only for a batch of several hundred texts.
TEST(TextMeasuringPoolDeathTest, WorkersStartOnlyForALargeBatch)
{
    // A process of its own, whose workers no earlier test has started.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(unexpectedWorkerCounts()), testing::ExitedWithCode(0), "");
}

// A batch within the capacity is remembered; a larger one (every topic of a large import) is
// measured without being remembered and leaves what was known before it. Either way every size is
// that of the text laid out alone.
TEST(PangoTextMeasurerBatch, ABatchBeyondTheCapacityIsMeasuredWithoutBeingKept)
{
    constexpr size_t Capacity = 40;
    std::vector<AttributedString> texts;
    for (size_t i = 0; i < 60; ++i)
        texts.emplace_back("topic " + std::to_string(i) + std::string(i % 7, 'w'), fontAttributes(Ten));
    LaidOutTextMeasurer alone;
    struct Case {
        size_t knownBefore; // texts measured one by one first
        size_t plainBefore; // plain texts measured first
        size_t batch;       // the first texts, in one batch
        size_t remembered;  // attributed and plain sizes kept afterwards
    };
    const Case cases[] = {
        {0, 0, 30, 30},  {0, 0, 40, 40},  {0, 0, 41, 0},   {0, 0, 60, 0},
        {20, 0, 30, 30}, {20, 5, 60, 25}, {35, 0, 10, 10}, {20, 0, 25, 25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.knownBefore) + " known, batch of " + std::to_string(c.batch));
        PangoTextMeasurer measurer(Capacity);
        for (size_t i = 0; i < c.knownBefore; ++i) measurer.sizeForAttributedString(texts[i]);
        for (size_t i = 0; i < c.plainBefore; ++i) measurer.sizeForText(texts[i].string(), Ten);
        std::vector<const AttributedString*> batch;
        for (size_t i = 0; i < c.batch; ++i) batch.push_back(&texts[i]);
        const std::vector<Size> sizes = measurer.sizesForAttributedStrings(batch);
        EXPECT_EQ(measurer.rememberedSizeCount(), c.remembered);
        ASSERT_EQ(sizes.size(), c.batch);
        for (size_t i = 0; i < c.batch; ++i) EXPECT_EQ(sizes[i], alone.sizeForAttributedString(texts[i], 0)) << i;
    }

    // Plain texts measured ahead are kept only when they fit as well.
    for (const auto& [count, remembered] : {std::pair<size_t, size_t>{40, 40}, {41, 0}}) {
        PangoTextMeasurer measurer(Capacity);
        measurer.measureTextsAhead(count,
                                   [&](size_t i, PlainTextSizer& sizer) { sizer.sizeForText(texts[i].string(), Ten); });
        EXPECT_EQ(measurer.rememberedSizeCount(), remembered) << count;
    }
}

// Lines far longer than any the shaper takes at once (blanks often, rarely or never; characters
// of two to four bytes across the piece ends; another font or a fallback font inside) measure as
// the laid-out line does, to the last bit.
TEST(PangoTextMeasurerLongLines, LongLinesHaveTheSizesOfTheirLayouts)
{
    auto repeated = [](const std::string& unit, size_t bytes) {
        std::string text;
        while (text.size() < bytes) text += unit;
        return text;
    };
    AttributedString twoFonts(repeated("plan budget review ", 200000));
    twoFonts.setFont({0, twoFonts.length()}, Ten);
    twoFonts.setFont({70000, 10000}, Font("DejaVu Serif", 12));
    const struct {
        const char* name;
        AttributedString text;
    } cases[] = {
        {"words", AttributedString(repeated("plan budget review ", 200000), fontAttributes(Ten))},
        {"no blank", AttributedString(repeated("w\xC3\xA9", 150001), fontAttributes(Ten))},
        {"three-byte characters", AttributedString(repeated("\xE2\x82\xAC\x61\x62", 150000), fontAttributes(Ten))},
        {"blank then emoji", AttributedString(repeated("x " + Emoji + "yz", 140000), fontAttributes(Ten))},
        {"rare blanks", AttributedString(repeated(std::string(70000, 'o') + " ", 200000), fontAttributes(Ten))},
        {"two fonts", twoFonts},
    };
    LaidOutTextMeasurer alone;
    PangoLayoutMeasurer measurer;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(measurer.sizeForAttributedString(c.text, 0), alone.sizeForAttributedString(c.text, 0));
    }
    const std::string plain = repeated("launch draft notes ", 300000);
    EXPECT_EQ(measurer.sizeForText(plain, Ten, 0), alone.sizeForText(plain, Ten));

    // Past 2^31 Pango units (1,024 to a point) a line is still as wide as its halves.
    const std::string half = repeated("launch draft notes ", 300000);
    const double halfWidth = measurer.sizeForText(half, Ten, 0).width;
    ASSERT_GT(halfWidth * 1024, double(1u << 30));
    EXPECT_NEAR(measurer.sizeForText(half + half, Ten, 0).width, 2 * halfWidth, 1.0);
}
