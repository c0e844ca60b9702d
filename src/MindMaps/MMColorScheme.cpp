#include "MindMaps/MMColorScheme.h"

#include "MindMaps/ColorUtils.h"
#include "MindMaps/PalletizedColorScheme.h"
#include "platform/Localizer.h"

#include <array>
#include <utility>

MMColorScheme::MMColorScheme(std::string key, std::string description)
    : _description(std::move(description)),
      _key(std::move(key)),
      _shadowColor(Color(0.3, 0.3, 0.3, 0.3)),
      _fontColor(normalizedBlackColor()),
      _backgroundColor(normalizedWhiteColor()),
      _marginColor(normalizedGrayColor())
{
}

std::vector<std::shared_ptr<MMColorScheme>> MMColorScheme::createRegisteredSchemes()
{
    return {
        std::make_shared<BrightPaletteColorScheme>(), std::make_shared<SoftPaletteColorScheme>(),
        std::make_shared<PastelPaletteColorScheme>(), std::make_shared<GoldPaletteColorScheme>(),
        std::make_shared<GrayScaleColorScheme>(),     std::make_shared<BlackAndWhiteColorScheme>(),
        std::make_shared<ChartColorScheme>(),         std::make_shared<ColorsOnBlackColorScheme>(),
        std::make_shared<SpringLevelsColorScheme>(),  std::make_shared<AquaLevelsColorScheme>(),
    };
}

Color MMColorScheme::getReducedLuminanceStrokeColor(const Color& fillColor)
{
    std::array<double, 3> hsl{};
    HSLTransformer::colorToHSL(fillColor, hsl);
    hsl[2] /= 2.0;
    return HSLTransformer::hslToColor(hsl);
}

void MMColorScheme::applyDefaultNodeColors(ColorSchemeNodeState& /*node*/)
{
}

void MMColorScheme::beforeApplyingToDiagram()
{
}

size_t MMColorScheme::paletteCount() const
{
    return 1;
}

bool MMColorScheme::isPalettized() const
{
    return false;
}

Color MMColorScheme::fillColorAtIndex(int64_t /*index*/) const
{
    return normalizedWhiteColor();
}

Color MMColorScheme::strokeColorAtIndex(int64_t /*index*/) const
{
    return normalizedBlackColor();
}

// Black and white

BlackAndWhiteColorScheme::BlackAndWhiteColorScheme()
    : BlackAndWhiteColorScheme("black-and-white", localized("style_black_and_white"))
{
}

BlackAndWhiteColorScheme::BlackAndWhiteColorScheme(std::string key, std::string description)
    : MMColorScheme(std::move(key), std::move(description))
{
}

void BlackAndWhiteColorScheme::applyDefaultNodeColors(ColorSchemeNodeState& node)
{
    node.colorSchemeFillColor = normalizedWhiteColor();
    node.colorSchemeStrokeColor = normalizedBlackColor();
    node.colorSchemeTextColor = fontColor();
}

// Chart

ChartColorScheme::ChartColorScheme() : ChartColorScheme("chart-colors", localized("style_chart"))
{
}

ChartColorScheme::ChartColorScheme(std::string key, std::string description)
    : MMColorScheme(std::move(key), std::move(description)),
      _fillColor(materialIndigo50()),
      _strokeColor(materialIndigo500())
{
    setFontColor(materialBlueGrey800());
}

void ChartColorScheme::applyDefaultNodeColors(ColorSchemeNodeState& node)
{
    node.colorSchemeFillColor = _fillColor;
    node.colorSchemeStrokeColor = _strokeColor;
    node.colorSchemeTextColor = fontColor();
}

size_t ChartColorScheme::paletteCount() const
{
    return 1;
}

Color ChartColorScheme::fillColorAtIndex(int64_t /*index*/) const
{
    return _fillColor;
}

Color ChartColorScheme::strokeColorAtIndex(int64_t /*index*/) const
{
    return _strokeColor;
}

// Gray scale

GrayScaleColorScheme::GrayScaleColorScheme() : GrayScaleColorScheme("gray-scale", localized("style_gray_scale"))
{
}

GrayScaleColorScheme::GrayScaleColorScheme(std::string key, std::string description)
    : MMColorScheme(std::move(key), std::move(description)),
      _level0Color(0.25, 0.25, 0.25, 1.0),
      _level1Color(0.45, 0.45, 0.45, 1.0),
      _levelnColor(0.7, 0.7, 0.7, 1.0),
      _fillColor(normalizedWhiteColor())
{
    setIsLevelBased(true);
    setShadowColor(Color(0.6, 0.6, 0.6, 0.3));
}

void GrayScaleColorScheme::applyDefaultNodeColors(ColorSchemeNodeState& node)
{
    node.colorSchemeFillColor = _fillColor;
    node.colorSchemeStrokeColor = strokeColorAtIndex(node.nodeLevel);
    node.colorSchemeTextColor = fontColor();
}

size_t GrayScaleColorScheme::paletteCount() const
{
    return 3;
}

Color GrayScaleColorScheme::fillColorAtIndex(int64_t /*index*/) const
{
    return _fillColor;
}

Color GrayScaleColorScheme::strokeColorAtIndex(int64_t index) const
{
    if (index == 0) return _level0Color;
    if (index == 1) return _level1Color;
    return _levelnColor;
}

TransparentGrayScaleColorScheme::TransparentGrayScaleColorScheme()
    : TransparentGrayScaleColorScheme("gray-scale", localized("style_gray_scale"))
{
}

TransparentGrayScaleColorScheme::TransparentGrayScaleColorScheme(std::string key, std::string description)
    : GrayScaleColorScheme(std::move(key), std::move(description))
{
    setFillColor(Color::normalizedClearColor());
}
