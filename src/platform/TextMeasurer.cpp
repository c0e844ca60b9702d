#include "platform/TextMeasurer.h"

#include "platform/PangoTextMeasurer.h"

namespace {

TextMeasurer* replacement = nullptr;

} // namespace

TextMeasurer& TextMeasurer::shared()
{
    if (replacement) return *replacement;
    static PangoTextMeasurer real;
    return real;
}

void TextMeasurer::setShared(TextMeasurer* measurer)
{
    replacement = measurer;
}

std::vector<Size> TextMeasurer::sizesForAttributedStrings(const std::vector<const AttributedString*>& texts,
                                                          double wrapWidth)
{
    std::vector<Size> sizes;
    sizes.reserve(texts.size());
    for (const AttributedString* text : texts) sizes.push_back(sizeForAttributedString(*text, wrapWidth));
    return sizes;
}
