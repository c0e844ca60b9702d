#include "MindMaps/CustomColorScheme.h"

#include "MindMaps/ColorUtils.h"

#include <utility>

CustomColorScheme::CustomColorScheme() : CustomColorScheme(std::string(), std::string())
{
}

CustomColorScheme::CustomColorScheme(std::string key, std::string description)
    : PalletizedColorScheme(std::move(key), std::move(description))
{
}

void CustomColorScheme::clear()
{
    _fillColors.clear();
    _strokeColors.clear();
}

bool CustomColorScheme::isValid() const
{
    return _fillColors.size() >= 2 && _strokeColors.size() >= 2;
}

void CustomColorScheme::addFillColor(const Color& fillColor, const Color& strokeColor)
{
    _fillColors.push_back(fillColor);
    _strokeColors.push_back(strokeColor);
}

void CustomColorScheme::assign(const MMColorScheme& scheme)
{
    // Clearing first would leave nothing to copy from.
    if (&scheme == this) return;
    clear();
    const size_t count = scheme.paletteCount();
    for (size_t i = 0; i < count; ++i) {
        const auto index = static_cast<int64_t>(i);
        addFillColor(scheme.fillColorAtIndex(index), scheme.strokeColorAtIndex(index));
    }
    setShadowColor(scheme.shadowColor());
    setBackgroundColor(scheme.backgroundColor());
    setFontColor(scheme.fontColor());
    setIsLevelBased(scheme.isLevelBased());
}

void CustomColorScheme::validate()
{
    if (_fillColors.empty() || _strokeColors.empty()) {
        clear();
        addFillColor(normalizedWhiteColor(), normalizedBlackColor());
    }
    if (_fillColors.size() == 1 && _strokeColors.size() == 1) addFillColor(_fillColors.front(), _strokeColors.front());
}
