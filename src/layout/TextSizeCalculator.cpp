#include "layout/TextSizeCalculator.h"

#include "platform/TextMeasurer.h"

TextSizeCalculator& TextSizeCalculator::instance()
{
    static TextSizeCalculator calculator;
    return calculator;
}

Size TextSizeCalculator::sizeForText(const std::string& text, const Font& font)
{
    return TextMeasurer::shared().sizeForText(text, font);
}
