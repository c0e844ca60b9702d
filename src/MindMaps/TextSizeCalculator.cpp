#include "MindMaps/TextSizeCalculator.h"

#include "platform/TextMeasurer.h"

#include <algorithm>
#include <cmath>

TextSizeCalculator& TextSizeCalculator::instance()
{
    static TextSizeCalculator calculator;
    return calculator;
}

Size TextSizeCalculator::sizeForText(const std::string& text, const Font& font)
{
    return TextMeasurer::shared().sizeForText(text, font);
}

int64_t roundedTextWidth(double width)
{
    // Far beyond any text, yet small enough that sums of such widths cannot overflow.
    constexpr double Limit = 1e15;
    if (std::isnan(width)) return 0;
    return std::llround(std::clamp(width, -Limit, Limit));
}
