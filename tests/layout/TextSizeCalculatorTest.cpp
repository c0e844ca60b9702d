#include "layout/MinTextSizeCalculator.h"
#include "layout/TextSizeCalculator.h"

#include "platform/FakeTextMeasurer.h"

#include <gtest/gtest.h>

namespace {

// The fake measurer makes every character 0.6 and every line 1.2 font sizes.
class TextSizeCalculatorTest : public ::testing::Test {
protected:
    void SetUp() override { TextMeasurer::setShared(&_measurer); }
    void TearDown() override { TextMeasurer::setShared(nullptr); }

    FakeTextMeasurer _measurer;
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
    EXPECT_GT(size.height, 0.0);
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
