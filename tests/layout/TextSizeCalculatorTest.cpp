#include "layout/MinTextSizeCalculator.h"
#include "layout/TextSizeCalculator.h"

#include "MindMaps/StyleSheet.h"
#include "platform/FakeTextMeasurer.h"
#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The fake measurer, optionally scaled, counting what it is asked to measure.
class CountingMeasurer : public FakeTextMeasurer {
public:
    explicit CountingMeasurer(double scale = 1) : _scale(scale) {}

    Size sizeForText(const std::string& text, const Font& font, double wrapWidth = 0) override
    {
        measured.push_back(text);
        Size size = FakeTextMeasurer::sizeForText(text, font, wrapWidth);
        return {size.width * _scale, size.height * _scale};
    }

    std::vector<std::string> measured;

private:
    double _scale;
};

void postFontsChanged()
{
    NotificationCenter::defaultCenter().post("TarnwickStyleFontsChangeNotification");
}

// The fake measurer makes every character 0.6 and every line 1.2 font sizes.
class TextSizeCalculatorTest : public ::testing::Test {
protected:
    void SetUp() override { TextMeasurer::setShared(&_measurer); }
    void TearDown() override
    {
        TextMeasurer::setShared(nullptr);
        // The kept user-font sizes must not outlive the measurer they came from.
        postFontsChanged();
    }

    CountingMeasurer _measurer;
};

} // namespace

TEST_F(TextSizeCalculatorTest, InstanceIsShared)
{
    EXPECT_EQ(&TextSizeCalculator::instance(), &TextSizeCalculator::instance());
    EXPECT_EQ(&MinTextSizeCalculator::instance(), &MinTextSizeCalculator::instance());
}

TEST_F(TextSizeCalculatorTest, EmptyTextHasNoWidth)
{
    Size size = TextSizeCalculator::instance().sizeForText("", Font("Sans", 10));
    EXPECT_EQ(0.0, size.width);
    EXPECT_DOUBLE_EQ(12.0, size.height);
}

TEST_F(TextSizeCalculatorTest, LineBreakMakesTwoLinesAsWideAsTheWiderOne)
{
    Font font("Sans", 10);
    Size one = TextSizeCalculator::instance().sizeForText("abcd", font);
    Size two = TextSizeCalculator::instance().sizeForText("ab\nabcd", font);
    EXPECT_DOUBLE_EQ(one.width, two.width);
    EXPECT_DOUBLE_EQ(2 * one.height, two.height);
}

TEST_F(TextSizeCalculatorTest, LongLinesAreNotWrapped)
{
    std::string longLine(5000, 'x');
    Size size = TextSizeCalculator::instance().sizeForText(longLine, Font("Sans", 10));
    EXPECT_DOUBLE_EQ(5000 * 6.0, size.width);
    EXPECT_DOUBLE_EQ(12.0, size.height);
}

TEST_F(TextSizeCalculatorTest, MinimumSizeIsThatOfTheSample)
{
    Font font("Sans", 20);
    EXPECT_STREQ("Wyg", MinTextSizeCalculator::SampleText);
    Size sample = TextSizeCalculator::instance().sizeForText("Wyg", font);
    EXPECT_EQ(sample, MinTextSizeCalculator::instance().minTextSizeForFont(font));
    EXPECT_EQ(sample, MinTextSizeCalculator::instance().calcTextSizeForFont(font));
}

TEST_F(TextSizeCalculatorTest, MinimumSizeFollowsTheFont)
{
    Size small = MinTextSizeCalculator::instance().minTextSizeForFont(Font("Sans", 10));
    Size large = MinTextSizeCalculator::instance().minTextSizeForFont(Font("Sans", 30));
    EXPECT_DOUBLE_EQ(3 * small.width, large.width);
    EXPECT_DOUBLE_EQ(3 * small.height, large.height);
}

TEST_F(TextSizeCalculatorTest, OtherFontsAreMeasuredAtEveryCall)
{
    MinTextSizeCalculator& calculator = MinTextSizeCalculator::instance();
    const Font font("Some Other Family", 17);
    _measurer.measured.clear();
    calculator.minTextSizeForFont(font);
    calculator.minTextSizeForFont(font);
    EXPECT_EQ((std::vector<std::string>{"Wyg", "Wyg"}), _measurer.measured);
}

TEST_F(TextSizeCalculatorTest, UserFontsAnswerWithoutMeasuring)
{
    MinTextSizeCalculator& calculator = MinTextSizeCalculator::instance();
    postFontsChanged();
    _measurer.measured.clear();
    for (const Font& font : {StyleSheet::centralThemeFont(), StyleSheet::mainBranchFont(), StyleSheet::subBranchFont(),
                             StyleSheet::textFont()}) {
        FakeTextMeasurer plain;
        EXPECT_EQ(plain.sizeForText("Wyg", font), calculator.minTextSizeForFont(font)) << font.description();
    }
    EXPECT_TRUE(_measurer.measured.empty());
}

TEST_F(TextSizeCalculatorTest, FontsChangeNotificationRemeasuresTheUserFonts)
{
    MinTextSizeCalculator& calculator = MinTextSizeCalculator::instance();
    postFontsChanged();
    const Font central = StyleSheet::centralThemeFont();
    const Size before = calculator.minTextSizeForFont(central);

    // Without the notification the kept size stays, even though the measurer now answers otherwise.
    CountingMeasurer doubled(2);
    TextMeasurer::setShared(&doubled);
    EXPECT_EQ(before, calculator.minTextSizeForFont(central));
    EXPECT_TRUE(doubled.measured.empty());

    postFontsChanged();
    EXPECT_FALSE(doubled.measured.empty());
    EXPECT_DOUBLE_EQ(2 * before.width, calculator.minTextSizeForFont(central).width);
    EXPECT_DOUBLE_EQ(2 * before.height, calculator.minTextSizeForFont(central).height);
}

TEST_F(TextSizeCalculatorTest, ChangedUserFontsReplaceTheKeptOnes)
{
    MinTextSizeCalculator& calculator = MinTextSizeCalculator::instance();
    const Font oldCentral = StyleSheet::centralThemeFont();
    const Font newCentral("Serif", 31);
    ASSERT_NE(oldCentral, newCentral);

    StyleSheet::changeStyleSheetFonts(newCentral, std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    _measurer.measured.clear();
    calculator.minTextSizeForFont(newCentral);
    EXPECT_TRUE(_measurer.measured.empty());
    // The old central font is no longer kept (unless another level shares it).
    if (oldCentral != StyleSheet::mainBranchFont() && oldCentral != StyleSheet::subBranchFont() &&
        oldCentral != StyleSheet::textFont()) {
        calculator.minTextSizeForFont(oldCentral);
        EXPECT_EQ(1u, _measurer.measured.size());
    }
    StyleSheet::changeStyleSheetFonts(oldCentral, std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    EXPECT_EQ(oldCentral, StyleSheet::centralThemeFont());
}

// Real fonts: only relations, since sizes differ with the font version.
class PangoTextSizeCalculatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TextMeasurer::setShared(nullptr);
        postFontsChanged();
    }

    const Font _font{"DejaVu Sans", 12};
};

TEST_F(PangoTextSizeCalculatorTest, EmptyTextIsOneLineHighAndNoWidth)
{
    Size empty = TextSizeCalculator::instance().sizeForText("", _font);
    Size line = TextSizeCalculator::instance().sizeForText("Line", _font);
    EXPECT_EQ(0.0, empty.width);
    EXPECT_GT(empty.height, 0.0);
    EXPECT_NEAR(line.height, empty.height, 0.01);
}

TEST_F(PangoTextSizeCalculatorTest, TwoLinesAreTwiceAsHighAndAsWideAsTheWiderLine)
{
    TextSizeCalculator& calculator = TextSizeCalculator::instance();
    Size narrow = calculator.sizeForText("ab", _font);
    Size wide = calculator.sizeForText("abcdefgh", _font);
    Size both = calculator.sizeForText("ab\nabcdefgh", _font);
    EXPECT_GT(wide.width, narrow.width);
    EXPECT_NEAR(wide.width, both.width, 0.01);
    EXPECT_NEAR(2 * wide.height, both.height, 0.5);
}

TEST_F(PangoTextSizeCalculatorTest, LongerTextAndLargerFontsTakeMoreRoom)
{
    TextSizeCalculator& calculator = TextSizeCalculator::instance();
    EXPECT_LT(calculator.sizeForText("word", _font).width, calculator.sizeForText("words", _font).width);
    EXPECT_LT(calculator.sizeForText("word", _font).width, calculator.sizeForText("word", _font.withSize(24)).width);
    // Unbounded lines: a long text stays one line.
    std::string longText;
    for (int i = 0; i < 400; ++i) longText += "word ";
    EXPECT_NEAR(calculator.sizeForText("word", _font).height, calculator.sizeForText(longText, _font).height, 0.01);
}

TEST_F(PangoTextSizeCalculatorTest, MinimumSizeIsTheSamplesAndGrowsWithTheFont)
{
    MinTextSizeCalculator& calculator = MinTextSizeCalculator::instance();
    Size small = calculator.minTextSizeForFont(_font);
    Size large = calculator.minTextSizeForFont(_font.withSize(36));
    EXPECT_EQ(TextSizeCalculator::instance().sizeForText("Wyg", _font), small);
    EXPECT_GT(large.width, 2 * small.width);
    EXPECT_GT(large.height, 2 * small.height);
    // Kept user-font sizes are real measurements too.
    const Font central = StyleSheet::centralThemeFont();
    EXPECT_EQ(calculator.calcTextSizeForFont(central), calculator.minTextSizeForFont(central));
}
