#include "MindMaps/PalletizedColorScheme.h"

#include "MindMaps/ColorUtils.h"
#include "platform/Localizer.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <utility>

namespace {

using Rgb = std::array<int, 3>;

void appendColors(std::vector<Color>& colors, std::initializer_list<Rgb> table)
{
    for (const Rgb& rgb : table) colors.push_back(Color::rgb255(rgb[0], rgb[1], rgb[2]));
}

} // namespace

PalletizedColorScheme::PalletizedColorScheme(std::string key, std::string description)
    : MMColorScheme(std::move(key), std::move(description))
{
}

size_t PalletizedColorScheme::paletteCount() const
{
    return _fillColors.size();
}

bool PalletizedColorScheme::isPalettized() const
{
    return true;
}

Color PalletizedColorScheme::fillColorAtIndex(int64_t index) const
{
    if (index < 0 || static_cast<uint64_t>(index) >= _fillColors.size()) return MMColorScheme::fillColorAtIndex(index);
    return _fillColors[static_cast<size_t>(index)];
}

Color PalletizedColorScheme::strokeColorAtIndex(int64_t index) const
{
    if (index < 0 || static_cast<uint64_t>(index) >= _strokeColors.size())
        return MMColorScheme::strokeColorAtIndex(index);
    return _strokeColors[static_cast<size_t>(index)];
}

void PalletizedColorScheme::beforeApplyingToDiagram()
{
    _lastColor = 0;
}

void PalletizedColorScheme::deriveStrokeColorsFromFillColors()
{
    while (_strokeColors.size() < _fillColors.size())
        _strokeColors.push_back(getReducedLuminanceStrokeColor(_fillColors[_strokeColors.size()]));
}

int64_t PalletizedColorScheme::getNextPaletteColor()
{
    const auto count = static_cast<int64_t>(_fillColors.size());
    if (count == 0) return 0;
    const int64_t color = _lastColor == 0 ? 1 : _lastColor;
    _lastColor = (color + 1) % count;
    return color;
}

int64_t PalletizedColorScheme::getFirstUnusedPaletteColor(const std::vector<int64_t>& siblingPaletteInfos)
{
    const auto count = static_cast<int64_t>(_fillColors.size());
    if (count >= 2) {
        std::vector<bool> used(static_cast<size_t>(count), false);
        for (int64_t info : siblingPaletteInfos) {
            if (info > 0 && info <= count) used[static_cast<size_t>(info - 1)] = true;
        }
        for (int64_t entry = 1; entry < count; ++entry) {
            if (!used[static_cast<size_t>(entry)]) return entry;
        }
    }
    return getNextPaletteColor();
}

void PalletizedColorScheme::applyDefaultNodeColors(ColorSchemeNodeState& node)
{
    node.colorSchemeTextColor = fontColor();
    const auto count = static_cast<int64_t>(_fillColors.size());
    if (count == 0) return;

    int64_t entry = 0;
    if (isLevelBased()) {
        entry = std::clamp<int64_t>(node.nodeLevel, 0, count - 1);
    } else {
        int64_t info = std::max<int64_t>(node.paletteInfo, 0);
        if (node.nodeLevel == 0) {
            if (info == 0) info = 1;
        } else if (node.nodeLevel == 1) {
            if (info == 0) info = getFirstUnusedPaletteColor(node.siblingPaletteInfos) + 1;
        } else if (info == 0) {
            // A deeper topic without an entry of its own takes its parent's colours, customised
            // ones included, so that a recoloured branch stays one colour.
            node.paletteInfo = 0;
            if (node.parentFillColor) node.colorSchemeFillColor = node.parentFillColor;
            if (node.parentStrokeColor) node.colorSchemeStrokeColor = node.parentStrokeColor;
            if (node.parentTextColor) node.colorSchemeTextColor = node.parentTextColor;
            return;
        }
        node.paletteInfo = info;
        // A palette shorter than the entry a topic keeps colours it with its last entry.
        entry = std::min(info, count) - 1;
    }
    node.colorSchemeFillColor = fillColorAtIndex(entry);
    node.colorSchemeStrokeColor = strokeColorAtIndex(entry);
}

// Bright

BrightPaletteColorScheme::BrightPaletteColorScheme()
    : BrightPaletteColorScheme("bright-palette", localized("style_bright_colors"))
{
}

BrightPaletteColorScheme::BrightPaletteColorScheme(std::string key, std::string description)
    : PalletizedColorScheme(std::move(key), std::move(description))
{
    initializePalette();
}

void BrightPaletteColorScheme::initializePalette()
{
    appendColors(_fillColors,
                 {
                     {193, 204, 255},
                     {255, 192, 180},
                     {255, 213, 149},
                     {255, 255, 192},
                     {172, 255, 151},
                     {185, 241, 255},
                     {227, 185, 255},
                 });
    appendColors(_strokeColors,
                 {
                     {0, 51, 255},
                     {255, 0, 0},
                     {255, 153, 0},
                     {234, 234, 0},
                     {51, 255, 0},
                     {0, 204, 255},
                     {153, 0, 255},
                 });
}

// Soft

SoftPaletteColorScheme::SoftPaletteColorScheme()
    : SoftPaletteColorScheme("soft-palette", localized("style_soft_colors"))
{
}

SoftPaletteColorScheme::SoftPaletteColorScheme(std::string key, std::string description)
    : PalletizedColorScheme(std::move(key), std::move(description))
{
    initializePalette();
}

void SoftPaletteColorScheme::initializePalette()
{
    appendColors(_fillColors,
                 {
                     {223, 228, 255},
                     {255, 223, 223},
                     {255, 238, 213},
                     {255, 255, 213},
                     {230, 255, 223},
                     {223, 249, 255},
                     {244, 230, 255},
                 });
    appendColors(_strokeColors,
                 {
                     {85, 111, 255},
                     {245, 89, 85},
                     {255, 187, 85},
                     {254, 228, 86},
                     {102, 255, 64},
                 });
    // This green was picked by eye, not from the 0-255 grid.
    _strokeColors.push_back(Color(102 / 255.0, 0.792, 1.0, 1.0));
    appendColors(_strokeColors, {{187, 85, 255}});
}

// Pastel

PastelPaletteColorScheme::PastelPaletteColorScheme()
    : PastelPaletteColorScheme("pastel-palette", localized("style_pastel_colors"))
{
}

PastelPaletteColorScheme::PastelPaletteColorScheme(std::string key, std::string description)
    : PalletizedColorScheme(std::move(key), std::move(description))
{
    setBackgroundColor(Color::rgb255(255, 248, 220));
    initializePalette();
}

void PastelPaletteColorScheme::initializePalette()
{
    appendColors(_fillColors,
                 {
                     {221, 200, 181},
                     {243, 177, 191},
                     {235, 188, 74},
                     {223, 208, 79},
                     {158, 198, 174},
                     {130, 176, 199},
                     {146, 129, 173},
                     {212, 136, 185},
                     {197, 188, 212},
                 });
    deriveStrokeColorsFromFillColors();
}

// Gold

GoldPaletteColorScheme::GoldPaletteColorScheme()
    : GoldPaletteColorScheme("gold-palette", localized("style_golden_colors"))
{
}

GoldPaletteColorScheme::GoldPaletteColorScheme(std::string key, std::string description)
    : PalletizedColorScheme(std::move(key), std::move(description))
{
    setBackgroundColor(Color::rgb255(253, 246, 182));
    setShadowColor(Color::rgb255(75, 59, 25, 0.3));
    initializePalette();
}

void GoldPaletteColorScheme::initializePalette()
{
    appendColors(_fillColors,
                 {
                     {253, 246, 182},
                     {243, 231, 134},
                     {247, 221, 97},
                     {241, 207, 52},
                     {225, 180, 85},
                     {206, 167, 52},
                     {199, 154, 45},
                     {181, 145, 40},
                 });
    deriveStrokeColorsFromFillColors();
}

// Colours on black

ColorsOnBlackColorScheme::ColorsOnBlackColorScheme()
    : ColorsOnBlackColorScheme("colors-on-black", localized("style_colors_on_black"))
{
}

ColorsOnBlackColorScheme::ColorsOnBlackColorScheme(std::string key, std::string description)
    : PalletizedColorScheme(std::move(key), std::move(description))
{
    setBackgroundColor(normalizedBlackColor());
    setFontColor(normalizedWhiteColor());
    setShadowColor(std::nullopt);
    initializePalette();
}

void ColorsOnBlackColorScheme::initializePalette()
{
    appendColors(_strokeColors,
                 {
                     {153, 0, 255},
                     {255, 0, 0},
                     {255, 153, 0},
                     {234, 234, 0},
                     {51, 255, 0},
                     {0, 204, 255},
                     {0, 51, 255},
                 });
    _fillColors.assign(_strokeColors.size(), normalizedBlackColor());
}

// Aqua levels

AquaLevelsColorScheme::AquaLevelsColorScheme() : AquaLevelsColorScheme("aqua-levels", localized("style_aqua_levels"))
{
}

AquaLevelsColorScheme::AquaLevelsColorScheme(std::string key, std::string description)
    : PalletizedColorScheme(std::move(key), std::move(description))
{
    setIsLevelBased(true);
    initializePalette();
}

void AquaLevelsColorScheme::initializePalette()
{
    appendColors(_fillColors,
                 {
                     {2, 145, 194},
                     {91, 180, 227},
                     {199, 230, 248},
                     {221, 238, 247},
                     {237, 247, 252},
                 });
    appendColors(_strokeColors,
                 {
                     {27, 80, 114},
                     {23, 98, 138},
                     {25, 134, 199},
                     {44, 140, 191},
                     {36, 154, 210},
                 });
}

// Spring levels

SpringLevelsColorScheme::SpringLevelsColorScheme()
    : SpringLevelsColorScheme("spring-levels", localized("style_spring_levels"))
{
}

SpringLevelsColorScheme::SpringLevelsColorScheme(std::string key, std::string description)
    : PalletizedColorScheme(std::move(key), std::move(description))
{
    setIsLevelBased(true);
    initializePalette();
}

void SpringLevelsColorScheme::initializePalette()
{
    appendColors(_fillColors,
                 {
                     {140, 208, 255},
                     {197, 238, 154},
                     {236, 234, 153},
                     {255, 250, 215},
                     {255, 243, 214},
                 });
    appendColors(_strokeColors,
                 {
                     {84, 165, 182},
                     {98, 168, 28},
                     {164, 161, 30},
                     {234, 206, 0},
                     {255, 214, 121},
                 });
}

// Material strokes

MaterialStrokesColorScheme::MaterialStrokesColorScheme()
    : MaterialStrokesColorScheme("material-strokes", "Natural + Colors")
{
}

MaterialStrokesColorScheme::MaterialStrokesColorScheme(std::string key, std::string description)
    : PalletizedColorScheme(std::move(key), std::move(description))
{
    initializePalette();
}

void MaterialStrokesColorScheme::initializePalette()
{
    appendColors(_strokeColors,
                 {
                     {63, 81, 181},
                     {213, 0, 0},
                     {251, 140, 0},
                     {253, 214, 0},
                     {174, 234, 0},
                     {118, 255, 3},
                     {0, 200, 83},
                     {0, 176, 255},
                     {41, 98, 255},
                     {149, 117, 205},
                     {171, 71, 188},
                 });
    _fillColors.assign(_strokeColors.size(), Color::normalizedClearColor());
}
