#include "Editor/StyleToolbarImages.h"

#include <string_view>

namespace {

struct ThemedImage {
    std::string_view name;
    std::string_view icon;
};

// ---- style toolbar and styling menus ----
constexpr ThemedImage kStyleImages[] = {
    {"palette", "applications-graphics-symbolic"},
    {"star", "starred-symbolic"},
    {"star_add", "bookmark-new-symbolic"},
    {"align_left_16", "format-justify-left-symbolic"},
    {"align_center_16", "format-justify-center-symbolic"},
    {"align_right_16", "format-justify-right-symbolic"},
    {"text_bold", "format-text-bold-symbolic"},
    {"text_italic", "format-text-italic-symbolic"},
    {"text_strikethrough", "format-text-strikethrough-symbolic"},
    {"text_underline", "format-text-underline-symbolic"},
    {"text_size", "font-select-symbolic"},
    {"clear_custom_path", "edit-clear-symbolic"},
    {"color_wheel", "color-select-symbolic"},
    {"copy_style", "edit-copy-symbolic"},
    {"paste_style", "edit-paste-symbolic"},
    {"draw_eraser", "edit-clear-all-symbolic"},
};
// ---- end of style toolbar and styling menus ----

} // namespace

std::string themedIconForStyleImage(const std::string& name)
{
    for (const ThemedImage& row : kStyleImages)
        if (row.name == name) return std::string(row.icon);
    return {};
}
