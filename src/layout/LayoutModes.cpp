#include "layout/LayoutModes.h"

#include "platform/Localizer.h"

#include <array>

namespace {

// String-table keys indexed by code.
constexpr std::array<const char*, 5> LayoutModeNameKeys = {
    "layout_free_form_layout", "layout_horizontal_layout", "layout_vertical_layout",
    "layout_list_layout",      "layout_top_down_layout",
};

constexpr std::array<const char*, 8> LayoutDirectionNameKeys = {
    "layout_direction_automatic", "layout_direction_left",   "layout_direction_right",
    "layout_direction_top",       "layout_direction_top_rtl", "layout_direction_bottom",
    "layout_direction_bottom_rtl", "layout_direction_manual",
};

template <size_t N>
std::string displayName(const std::array<const char*, N>& keys, int32_t code)
{
    if (code < 0 || static_cast<size_t>(code) >= N) return {};
    return localized(keys[static_cast<size_t>(code)]);
}

} // namespace

int32_t DefaultLayoutDirectionForMode(int32_t mode)
{
    return mode == LayoutModeTopDown ? LayoutDirectionBottom : LayoutDirectionAutomatic;
}

std::string LayoutModeDisplayName(int32_t mode)
{
    return displayName(LayoutModeNameKeys, mode);
}

std::string LayoutDirectionDisplayName(int32_t direction)
{
    return displayName(LayoutDirectionNameKeys, direction);
}

bool IsRightToLeftDirection(int32_t direction)
{
    return direction == LayoutDirectionTopRightToLeft || direction == LayoutDirectionBottomRightToLeft;
}

bool IsTopDirection(int32_t direction)
{
    return direction == LayoutDirectionTop || direction == LayoutDirectionTopRightToLeft;
}
