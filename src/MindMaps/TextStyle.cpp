#include "MindMaps/TextStyle.h"

#include "MindMaps/StyleHelpers.h"

#include <cmath>
#include <utility>

namespace {

// Sizes are compared as the font panel shows them: whole points of a single-precision size.
bool sameRoundedSize(double a, double b)
{
    return std::round(static_cast<float>(a)) == std::round(static_cast<float>(b));
}

} // namespace

TextStyle::TextStyle(std::shared_ptr<TextStyle> parentStyle) : _parentStyle(std::move(parentStyle))
{
    TextStyle::reset();
}

bool TextStyle::isPropDefined(uint64_t mask) const
{
    if (isPropCustomized(mask)) return true;
    return _parentStyle && _parentStyle->isPropDefined(mask);
}

bool TextStyle::equals(const TextStyle* other) const
{
    return equalProps(other, properties());
}

void TextStyle::assign(const TextStyle* other)
{
    assignProps(other, properties());
}

void TextStyle::merge(const TextStyle* other)
{
    mergeProps(other, properties());
}

void TextStyle::reset()
{
    UpdateGuard batch(*this);
    setCustomizedProps(0);
    setAlignment(0);
    setCallOut(0);
    setFillColor(std::nullopt);
    setTextColor(std::nullopt);
    setFontScale(1.0);
    setFontStyle(0);
}

std::optional<Color> TextStyle::fillColor() const
{
    return _parentStyle && !isPropCustomized(FillColorMask) ? _parentStyle->fillColor() : own().fillColor;
}

std::optional<Color> TextStyle::textColor() const
{
    return _parentStyle && !isPropCustomized(TextColorMask) ? _parentStyle->textColor() : own().textColor;
}

int32_t TextStyle::alignment() const
{
    return _parentStyle && !isPropCustomized(AlignmentMask) ? _parentStyle->alignment() : own().alignment;
}

uint64_t TextStyle::callOut() const
{
    return _parentStyle && !isPropCustomized(CallOutMask) ? _parentStyle->callOut() : own().callOut;
}

uint64_t TextStyle::fontStyle() const
{
    return _parentStyle && !isPropCustomized(FontMask) ? _parentStyle->fontStyle() : own().fontStyle;
}

double TextStyle::fontScale() const
{
    return _parentStyle && !isPropCustomized(FontMask) ? _parentStyle->fontScale() : own().fontScale;
}

double TextStyle::fontSize() const
{
    return fontScale() * BaseFontSize;
}

void TextStyle::setFontScale(double fontScale)
{
    // A scale that is not a number would give every derived font a size that is not one either.
    if (std::isfinite(fontScale)) storeOwnValue(_own, &OwnValues::fontScale, fontScale);
}

void TextStyle::setFontSize(double fontSize)
{
    setFontScale(fontSize / BaseFontSize);
}

void TextStyle::clearColorCustomization()
{
    // 32 is a node style's stroke colour: clearing a topic's colours clears its border colour too.
    constexpr uint64_t colorMasks = TextColorMask | FillColorMask | 32;
    setCustomizedProps(customizedProps() & ~colorMasks);
}

Font TextStyle::derivedFont(const Font& base) const
{
    if (!isPropCustomized(FontMask)) return base;
    return FontWithStyleTraits(base, fontStyle(), fontSize()).value_or(base);
}

void TextStyle::changeAlignment(int32_t alignment)
{
    changeCustomizedProp(AlignmentMask, _parentStyle && _parentStyle->alignment() == alignment,
                         [&] { setAlignment(alignment); });
}

void TextStyle::changeFontStyleAspect(uint64_t aspect, bool enable, uint64_t defaultStyle, double defaultSize)
{
    const bool customized = isPropCustomized(FontMask);
    const uint64_t current = customized ? own().fontStyle : defaultStyle;
    const uint64_t newStyle = enable ? (current | aspect) : (current & ~aspect);
    if (customized && newStyle == defaultStyle && sameRoundedSize(fontSize(), defaultSize)) {
        setPropCustomized(FontMask, false);
        return;
    }
    UpdateGuard batch(*this);
    if (!customized || own().fontScale == 0) setFontSize(defaultSize);
    setPropCustomized(FontMask, true);
    setFontStyle(newStyle);
}

void TextStyle::changeFontSize(double fontSize, uint64_t defaultStyle, double defaultSize)
{
    if (!std::isfinite(fontSize)) return;
    const bool customized = isPropCustomized(FontMask);
    if (customized && own().fontStyle == defaultStyle && sameRoundedSize(fontSize, defaultSize)) {
        setPropCustomized(FontMask, false);
        return;
    }
    UpdateGuard batch(*this);
    if (!customized || own().fontScale == 0) setFontStyle(defaultStyle);
    setPropCustomized(FontMask, true);
    setFontSize(fontSize);
}
