#include "layout/MinTextSizeCalculator.h"

#include "platform/TextMeasurer.h"

MinTextSizeCalculator& MinTextSizeCalculator::instance()
{
    static MinTextSizeCalculator calculator;
    return calculator;
}

Size MinTextSizeCalculator::minTextSizeForFont(const Font& font)
{
    // The style sheet's four fonts are to be kept measured once per change of the style fonts;
    // until the style sheets exist every font is measured at each call, which gives the same
    // sizes.
    return calcTextSizeForFont(font);
}

Size MinTextSizeCalculator::calcTextSizeForFont(const Font& font)
{
    return TextMeasurer::shared().sizeForText(SampleText, font);
}
