#include "platform/FakeTextMeasurer.h"
#include "platform/PangoTextMeasurer.h"
#include "platform/TextMeasurer.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

TextAttributes fontAttributes(const Font& font)
{
    TextAttributes attributes;
    attributes.font = font;
    return attributes;
}

const std::string Emoji = "\xF0\x9F\x98\x80";
const Font Ten("DejaVu Sans", 10);

// Puts a measurer in place of the shared one for one test.
class SharedMeasurer {
public:
    explicit SharedMeasurer(TextMeasurer* m) { TextMeasurer::setShared(m); }
    ~SharedMeasurer() { TextMeasurer::setShared(nullptr); }
};

} // namespace

TEST(FakeTextMeasurer, OneLine)
{
    FakeTextMeasurer m;
    Size size = m.sizeForText("hello", Ten);
    EXPECT_DOUBLE_EQ(size.width, 30);
    EXPECT_DOUBLE_EQ(size.height, 12);
    size = m.sizeForText("ab", Font("X", 20));
    EXPECT_DOUBLE_EQ(size.width, 24);
    EXPECT_DOUBLE_EQ(size.height, 24);
}

TEST(FakeTextMeasurer, EmptyTextIsOneLineHigh)
{
    FakeTextMeasurer m;
    EXPECT_EQ(m.sizeForText("", Ten).width, 0);
    EXPECT_DOUBLE_EQ(m.sizeForText("", Ten).height, 12);
    EXPECT_DOUBLE_EQ(m.sizeForText("", Ten, 50).height, 12);
}

TEST(FakeTextMeasurer, NewlinesStartLines)
{
    FakeTextMeasurer m;
    Size size = m.sizeForText("ab\nabcd\n", Ten);
    EXPECT_DOUBLE_EQ(size.width, 24);
    EXPECT_DOUBLE_EQ(size.height, 36); // the text ends in an empty line
}

TEST(FakeTextMeasurer, CharactersOutsideTheBasicPlaneAreTwoUnits)
{
    FakeTextMeasurer m;
    EXPECT_DOUBLE_EQ(m.sizeForText(Emoji, Ten).width, 12);
    EXPECT_DOUBLE_EQ(m.sizeForText("\xC3\xA4", Ten).width, 6);
}

TEST(FakeTextMeasurer, WrapsAtSpaces)
{
    FakeTextMeasurer m;
    // "aaa bbb ccc": words 18 wide, a space 6.
    Size size = m.sizeForText("aaa bbb ccc", Ten, 45);
    EXPECT_DOUBLE_EQ(size.width, 42); // "aaa bbb", then "ccc"
    EXPECT_DOUBLE_EQ(size.height, 24);
    size = m.sizeForText("aaa bbb ccc", Ten, 42);
    EXPECT_DOUBLE_EQ(size.width, 42);
    EXPECT_DOUBLE_EQ(size.height, 24);
    size = m.sizeForText("aaa bbb ccc", Ten, 41);
    EXPECT_DOUBLE_EQ(size.width, 18);
    EXPECT_DOUBLE_EQ(size.height, 36);
    size = m.sizeForText("aaa bbb ccc", Ten, 1000);
    EXPECT_DOUBLE_EQ(size.width, 66);
    EXPECT_DOUBLE_EQ(size.height, 12);
}

TEST(FakeTextMeasurer, SpacesAtABreakDoNotCount)
{
    FakeTextMeasurer m;
    Size size = m.sizeForText("aaa     bbb", Ten, 20);
    EXPECT_DOUBLE_EQ(size.width, 18);
    EXPECT_DOUBLE_EQ(size.height, 24);
    size = m.sizeForText("aaa   ", Ten, 20);
    EXPECT_DOUBLE_EQ(size.width, 18);
    EXPECT_DOUBLE_EQ(size.height, 12);
}

TEST(FakeTextMeasurer, LongWordsBreakBetweenCharacters)
{
    FakeTextMeasurer m;
    Size size = m.sizeForText("abcdefghij", Ten, 25); // 4 characters a line
    EXPECT_DOUBLE_EQ(size.width, 24);
    EXPECT_DOUBLE_EQ(size.height, 36);
    // A pair of units is never split, even when only one would fit.
    size = m.sizeForText("a" + Emoji + Emoji, Ten, 13);
    EXPECT_DOUBLE_EQ(size.width, 12);
    EXPECT_DOUBLE_EQ(size.height, 36);
    // A character wider than the line still takes a line of its own.
    size = m.sizeForText("ab", Ten, 1);
    EXPECT_DOUBLE_EQ(size.width, 6);
    EXPECT_DOUBLE_EQ(size.height, 24);
}

TEST(FakeTextMeasurer, AttributedTextUsesEachUnitsFont)
{
    FakeTextMeasurer m;
    AttributedString text("abcd");
    text.setFont({0, 2}, Font("X", 10));
    text.setFont({2, 2}, Font("X", 20));
    Size size = m.sizeForAttributedString(text);
    EXPECT_DOUBLE_EQ(size.width, 12 + 24);
    EXPECT_DOUBLE_EQ(size.height, 24);

    AttributedString plain("ab"); // the default font, 12 points
    EXPECT_DOUBLE_EQ(m.sizeForAttributedString(plain).width, 14.4);
    EXPECT_DOUBLE_EQ(m.sizeForAttributedString(AttributedString()).height, 14.4);
}

TEST(FakeTextMeasurer, AttributedTextWraps)
{
    FakeTextMeasurer m;
    AttributedString text("aaa bbb\nc", fontAttributes(Font("X", 10)));
    Size size = m.sizeForAttributedString(text, 20);
    EXPECT_DOUBLE_EQ(size.width, 18);
    EXPECT_DOUBLE_EQ(size.height, 36);
}

TEST(SharedTextMeasurer, CanBeReplacedAndRestored)
{
    TextMeasurer& real = TextMeasurer::shared();
    EXPECT_NE(dynamic_cast<PangoTextMeasurer*>(&real), nullptr);
    FakeTextMeasurer fake;
    {
        SharedMeasurer replaced(&fake);
        EXPECT_EQ(&TextMeasurer::shared(), &fake);
        EXPECT_DOUBLE_EQ(TextMeasurer::shared().sizeForText("ab", Ten).width, 12);
    }
    EXPECT_EQ(&TextMeasurer::shared(), &real);
}

class PangoTextMeasurerTest : public ::testing::Test {
protected:
    PangoTextMeasurer m;
};

TEST_F(PangoTextMeasurerTest, LongerTextIsWider)
{
    Size short_ = m.sizeForText("Tarn", Ten);
    Size long_ = m.sizeForText("Tarnwick maps", Ten);
    EXPECT_GT(short_.width, 0);
    EXPECT_GT(long_.width, short_.width);
    EXPECT_DOUBLE_EQ(long_.height, short_.height);
}

TEST_F(PangoTextMeasurerTest, OnePointIsOneUnit)
{
    // DejaVu Sans lines are a little more than the point size high at 72 dots per inch.
    Size size = m.sizeForText("Wyg", Font("DejaVu Sans", 100));
    EXPECT_GT(size.height, 100);
    EXPECT_LT(size.height, 130);
    Size twice = m.sizeForText("Wyg", Font("DejaVu Sans", 200));
    EXPECT_NEAR(twice.width, 2 * size.width, 2);
}

TEST_F(PangoTextMeasurerTest, EmptyTextIsOneLineHigh)
{
    Size empty = m.sizeForText("", Ten);
    Size line = m.sizeForText("x", Ten);
    EXPECT_EQ(empty.width, 0);
    EXPECT_DOUBLE_EQ(empty.height, line.height);
    EXPECT_DOUBLE_EQ(m.sizeForAttributedString(AttributedString("", fontAttributes(Ten))).width, 0);
}

TEST_F(PangoTextMeasurerTest, NewlinesAddLines)
{
    Size one = m.sizeForText("abc", Ten);
    Size two = m.sizeForText("abc\nabc", Ten);
    EXPECT_DOUBLE_EQ(two.width, one.width);
    EXPECT_NEAR(two.height, 2 * one.height, 0.01);
}

TEST_F(PangoTextMeasurerTest, WrappingMakesTextTallerAndNarrower)
{
    std::string text = "The quick brown fox jumps over the lazy dog";
    Size unwrapped = m.sizeForText(text, Ten);
    double width = unwrapped.width / 3;
    Size wrapped = m.sizeForText(text, Ten, width);
    EXPECT_LE(wrapped.width, width);
    EXPECT_GT(wrapped.height, 2 * unwrapped.height);
    // A wrap width wider than the text changes nothing.
    Size wide = m.sizeForText(text, Ten, unwrapped.width + 10);
    EXPECT_DOUBLE_EQ(wide.width, unwrapped.width);
    EXPECT_DOUBLE_EQ(wide.height, unwrapped.height);
}

TEST_F(PangoTextMeasurerTest, LongWordsBreakInside)
{
    Size wrapped = m.sizeForText("abcdefghijklmnopqrstuvwxyz", Ten, 40);
    EXPECT_LE(wrapped.width, 40);
    EXPECT_GT(wrapped.height, m.sizeForText("a", Ten).height * 2);
}

TEST_F(PangoTextMeasurerTest, BoldIsWiderThanRegular)
{
    Size regular = m.sizeForText("Mind map", Ten);
    Size bold = m.sizeForText("Mind map", Ten.withTrait(BoldFontMask));
    EXPECT_GT(bold.width, regular.width);
}

TEST_F(PangoTextMeasurerTest, MissingFamilyMeasuresLikeTheFallback)
{
    Size missing = m.sizeForText("Mind map", Font("No Such Family Qwzx", 10));
    Size fallback = m.sizeForText("Mind map", Ten);
    EXPECT_DOUBLE_EQ(missing.width, fallback.width);
}

TEST_F(PangoTextMeasurerTest, AttributedTextFollowsItsFonts)
{
    AttributedString plain("Mind map", fontAttributes(Ten));
    Size plainSize = m.sizeForAttributedString(plain);
    Size sameAsText = m.sizeForText("Mind map", Ten);
    EXPECT_DOUBLE_EQ(plainSize.width, sameAsText.width);
    EXPECT_DOUBLE_EQ(plainSize.height, sameAsText.height);

    AttributedString mixed = plain;
    mixed.setFont({0, 4}, Ten.withTrait(BoldFontMask));
    EXPECT_GT(m.sizeForAttributedString(mixed).width, plainSize.width);

    AttributedString big = plain;
    big.setFont({5, 3}, Font("DejaVu Sans", 20));
    EXPECT_GT(m.sizeForAttributedString(big).height, plainSize.height);
}

TEST_F(PangoTextMeasurerTest, AttributedTextWraps)
{
    AttributedString text("The quick brown fox jumps over the lazy dog", fontAttributes(Ten));
    text.setAlignment({0, text.length()}, TextAlignment::Center);
    Size unwrapped = m.sizeForAttributedString(text);
    Size wrapped = m.sizeForAttributedString(text, unwrapped.width / 2);
    EXPECT_LE(wrapped.width, unwrapped.width / 2);
    EXPECT_GT(wrapped.height, unwrapped.height);
}

TEST_F(PangoTextMeasurerTest, MeasuringAgainAnswersAsAFreshMeasurerDoes)
{
    // Sizes found before are given again: each answer must still be the one for its own text,
    // attributes and wrap width.
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
        EXPECT_EQ(m.sizeForAttributedString(text, unwrapped.width / 2), fresh.sizeForAttributedString(text, unwrapped.width / 2));
        EXPECT_EQ(m.sizeForAttributedString(bold), fresh.sizeForAttributedString(bold));
        EXPECT_EQ(m.sizeForAttributedString(other), fresh.sizeForAttributedString(other));
    }
    EXPECT_EQ(m.sizeForAttributedString(text), unwrapped);
    EXPECT_EQ(m.sizeForAttributedString(text, unwrapped.width / 2), wrapped);
    EXPECT_NE(wrapped, unwrapped);
    EXPECT_EQ(m.sizeForAttributedString(bold), boldSize);
    EXPECT_GT(boldSize.width, unwrapped.width);
    EXPECT_EQ(m.sizeForAttributedString(other), otherSize);
    // An unusable wrap width measures unwrapped, however often it comes.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(m.sizeForAttributedString(text, nan), unwrapped);
    EXPECT_EQ(m.sizeForAttributedString(text, nan), unwrapped);
}

TEST_F(PangoTextMeasurerTest, SmallerSuperscriptIsNarrower)
{
    AttributedString text("x22", fontAttributes(Ten));
    Size plain = m.sizeForAttributedString(text);
    text.setSuperscript({1, 2}, 1);
    EXPECT_LT(m.sizeForAttributedString(text).width, plain.width);
}

TEST_F(PangoTextMeasurerTest, HostileTextIsMeasuredWithoutHarm)
{
    EXPECT_GT(m.sizeForText("a\xFF\xC0" "b", Ten).width, m.sizeForText("ab", Ten).width);
    EXPECT_GT(m.sizeForText(Emoji + Emoji, Ten).width, 0);
    EXPECT_GT(m.sizeForText(std::string("a\0b", 3), Ten).width, 0);
    EXPECT_GT(m.sizeForText("abc", Ten, 1e300).width, 0);
    EXPECT_GT(m.sizeForText("abc", Ten, -5).width, 0);
    std::string many(3000, 'w'); // Pango breaks one long word in time that grows with its square
    Size size = m.sizeForText(many, Ten, 200);
    EXPECT_LE(size.width, 200);
    EXPECT_GT(size.height, 100);
}
