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

void TextMeasurer::measureTextsAhead(size_t count, const std::function<void(size_t, PlainTextSizer&)>& measure)
{
    // One after the other, each through sizeForText: a measurer that remembers sizes keeps them.
    struct Forwarding : PlainTextSizer {
        explicit Forwarding(TextMeasurer& measurer) : measurer(measurer) {}
        Size sizeForText(const std::string& text, const Font& font) override
        {
            return measurer.sizeForText(text, font);
        }
        TextMeasurer& measurer;
    } sizer(*this);
    for (size_t i = 0; i < count; ++i) measure(i, sizer);
}
