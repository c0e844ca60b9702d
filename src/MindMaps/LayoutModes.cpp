#include "MindMaps/LayoutModes.h"

#include "platform/Localizer.h"

int32_t DefaultLayoutDirectionForMode(int32_t mode)
{
    return mode == LayoutModeTopDown ? LayoutDirectionBottom : LayoutDirectionAutomatic;
}

std::string LayoutModeDisplayName(int32_t mode)
{
    switch (mode) {
    case LayoutModeFreeForm:
        return localized("layout_free_form_layout");
    case LayoutModeStrictHorizontal:
        return localized("layout_horizontal_layout");
    case LayoutModeStrictVertical:
        return localized("layout_vertical_layout");
    case LayoutModeList:
        return localized("layout_list_layout");
    case LayoutModeTopDown:
        return localized("layout_top_down_layout");
    default:
        return {};
    }
}

std::string LayoutDirectionDisplayName(int32_t direction)
{
    switch (direction) {
    case LayoutDirectionAutomatic:
        return localized("layout_direction_automatic");
    case LayoutDirectionLeft:
        return localized("layout_direction_left");
    case LayoutDirectionRight:
        return localized("layout_direction_right");
    case LayoutDirectionTop:
        return localized("layout_direction_top");
    case LayoutDirectionTopRightToLeft:
        return localized("layout_direction_top_rtl");
    case LayoutDirectionBottom:
        return localized("layout_direction_bottom");
    case LayoutDirectionBottomRightToLeft:
        return localized("layout_direction_bottom_rtl");
    case LayoutDirectionManual:
        return localized("layout_direction_manual");
    default:
        return {};
    }
}

bool IsRightToLeftDirection(int32_t direction)
{
    return direction == LayoutDirectionTopRightToLeft || direction == LayoutDirectionBottomRightToLeft;
}

bool IsTopDirection(int32_t direction)
{
    return direction == LayoutDirectionTop || direction == LayoutDirectionTopRightToLeft;
}
