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
