#include "preferences/GeneralOptionsModel.h"

#include "MindMaps/LayoutModes.h"
#include "platform/UserDefaults.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<int32_t, 1> kFreeDirections{LayoutDirectionAutomatic};
constexpr std::array<int32_t, 4> kHorizontalDirections{LayoutDirectionAutomatic, LayoutDirectionLeft,
                                                       LayoutDirectionRight, LayoutDirectionManual};
constexpr std::array<int32_t, 4> kVerticalDirections{LayoutDirectionAutomatic, LayoutDirectionTop,
                                                     LayoutDirectionBottom, LayoutDirectionManual};
constexpr std::array<int32_t, 3> kListDirections{LayoutDirectionAutomatic, LayoutDirectionLeft, LayoutDirectionRight};
constexpr std::array<int32_t, 4> kTopDownDirections{LayoutDirectionTop, LayoutDirectionTopRightToLeft,
                                                    LayoutDirectionBottom, LayoutDirectionBottomRightToLeft};

constexpr std::array<GeneralOptionsModel::BoundSetting, 6> kCheckboxes{{
    {"suppressShadows", "global_style_options_show_shadow", nullptr, true},
    {"topicHasHideTool", "global_style_options_topic_hide_tool", "global_style_options_topic_hide_tool_message", false},
    {"applyDefaultWordWrap", "global_style_options_default_word_wrap", "global_style_options_default_word_wrap_message",
     false},
    {"markDownSyntaxEnabled", "global_style_options_enable_mark_down", "global_style_options_mark_down_message", false},
    {"restoreZoomFactor", "general_options_restore_zoom_factor", "general_options_restore_zoom_factor_hint", false},
    {"autoSaveMindMaps", "general_options_auto_save", nullptr, false},
}};

} // namespace

std::span<const GeneralOptionsModel::BoundSetting> GeneralOptionsModel::checkboxes()
{
    return kCheckboxes;
}

std::span<const int32_t> GeneralOptionsModel::directionsForMode(int32_t mode)
{
    switch (mode) {
    case LayoutModeFreeForm:
        return kFreeDirections;
    case LayoutModeStrictHorizontal:
        return kHorizontalDirections;
    case LayoutModeStrictVertical:
        return kVerticalDirections;
    case LayoutModeList:
        return kListDirections;
    case LayoutModeTopDown:
        return kTopDownDirections;
    default:
        return {};
    }
}

GeneralOptionsModel::GeneralOptionsModel(UserDefaults& defaults) : _defaults(defaults)
{
}

void GeneralOptionsModel::load()
{
    const int64_t mode = _defaults.integerForKey(LayoutModeKey);
    _layoutMode = mode < 0 || mode >= LayoutModeCount ? 0 : static_cast<int32_t>(mode);
    updateLayoutDirectionItems();
    const int64_t direction = _defaults.integerForKey(LayoutDirectionKey);
    if (direction >= LayoutDirectionAutomatic && direction <= LayoutDirectionManual)
        setLayoutDirection(static_cast<int32_t>(direction));
}

void GeneralOptionsModel::layoutModeChanged(int32_t modeIndex)
{
    if (modeIndex < 0 || modeIndex >= LayoutModeCount) return;
    _layoutMode = modeIndex;
    _defaults.setInteger(LayoutModeKey, modeIndex);
    updateLayoutDirectionItems();
}

void GeneralOptionsModel::layoutDirectionChanged(int32_t direction)
{
    if (direction < 0) return;
    setLayoutDirection(direction);
    _defaults.setInteger(LayoutDirectionKey, direction);
}

void GeneralOptionsModel::updateLayoutDirectionItems()
{
    const std::span<const int32_t> directions = directionsForMode(_layoutMode);
    _directionItems.assign(directions.begin(), directions.end());
    _layoutDirection = DefaultLayoutDirectionForMode(_layoutMode);
}

void GeneralOptionsModel::setLayoutDirection(int32_t direction)
{
    // Only a direction the popup offers can show as selected.
    if (std::find(_directionItems.begin(), _directionItems.end(), direction) != _directionItems.end())
        _layoutDirection = direction;
}
