#include "MindMaps/TextSizeCalculator.h"
#include "MindMaps/MinTextSizeCalculator.h"

#include "MindMaps/StyleSheet.h"
#include "platform/NotificationCenter.h"
#include "support/FakeTextMeasurer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The fake measurer, optionally scaled.
class ScaledMeasurer : public FakeTextMeasurer {
public:
    explicit ScaledMeasurer(double scale = 1) : _scale(scale) {}

    Size sizeForText(const std::string& text, const Font& font, double wrapWidth = 0) override
    {
        Size size = FakeTextMeasurer::sizeForText(text, font, wrapWidth);
        return {size.width * _scale, size.height * _scale};
    }

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

    ScaledMeasurer _measurer;
};

} // namespace

TEST_F(TextSizeCalculatorTest, MinimumSizeIsThatOfTheSample)
{
    Font font("Sans", 20);
    EXPECT_STREQ("Wyg", MinTextSizeCalculator::SampleText);
    Size sample = TextSizeCalculator::instance().sizeForText("Wyg", font);
    EXPECT_EQ(sample, MinTextSizeCalculator::instance().minTextSizeForFont(font));
}

TEST_F(TextSizeCalculatorTest, FontsChangeNotificationRemeasuresTheUserFonts)
{
    MinTextSizeCalculator& calculator = MinTextSizeCalculator::instance();
    postFontsChanged();
    const Font central = StyleSheet::centralThemeFont();
    const Size before = calculator.minTextSizeForFont(central);

    // Without the notification the kept size stays, even though the measurer now answers otherwise.
    ScaledMeasurer doubled(2);
    TextMeasurer::setShared(&doubled);
    EXPECT_EQ(before, calculator.minTextSizeForFont(central));
    postFontsChanged();
    EXPECT_DOUBLE_EQ(2 * before.width, calculator.minTextSizeForFont(central).width);
    EXPECT_DOUBLE_EQ(2 * before.height, calculator.minTextSizeForFont(central).height);
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

TEST_F(PangoTextSizeCalculatorTest, SizesGrowWithTextLinesAndFontButNeverWrap)
{
    TextSizeCalculator& calculator = TextSizeCalculator::instance();
    Size wide = calculator.sizeForText("abcdefgh", _font);
    Size both = calculator.sizeForText("ab\nabcdefgh", _font);
    EXPECT_EQ(0.0, calculator.sizeForText("", _font).width);
    EXPECT_NEAR(wide.width, both.width, 0.01);
    EXPECT_NEAR(2 * wide.height, both.height, 0.5);

    std::string longText;
    for (int i = 0; i < 400; ++i) longText += "word ";
    EXPECT_NEAR(calculator.sizeForText("word", _font).height, calculator.sizeForText(longText, _font).height, 0.01);
}
