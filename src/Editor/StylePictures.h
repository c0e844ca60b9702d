#pragma once

#include "platform/Geometry.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class GraphicsContext;
class Image;

// The names of the pictures drawn here, in a fixed order, so that the image table can refer to
// each one at compile time.
inline constexpr std::string_view StylePictureNames[] = {
    "border_round_rect_16",
    "border_half_round_16",
    "border_drop_rect_16",
    "border_ellipse_16",
    "border_rectangle_16",
    "border_diamond_16",
    "border_cloud_16",
    "border_none_16",
    "line_1_16",
    "line_2_16",
    "line_3_16",
    "line_4_16",
    "line_5_16",
    "line_6_16",
    "line_7_16",
    "line_tapered_16",
    "line_tapered_reverse_16",
    "line_tapered_auto_16",
    "arrow_none16",
    "arrow_single16",
    "arrow_single_rev16",
    "arrow_filled16",
    "arrow_filled_rev16",
    "arrow_open16",
    "arrow_open_rev16",
    "arrow_inhibit_16",
    "arrow_inhibit_rev_16",
    "circle_open_16",
    "circle_filled_16",
    "diamond_open_16",
    "diamond_filled_16",
    "path_bezier16",
    "path_ortho16",
    "path_straight16",
    "border_weight",
    "palette-color",
    "fill_color",
    "border_color",
    "font_color",
};

// The position of the name among StylePictureNames; a name that is not there does not compile.
constexpr size_t stylePictureIndex(std::string_view name)
{
    for (size_t i = 0; i < std::size(StylePictureNames); ++i)
        if (StylePictureNames[i] == name) return i;
    throw "not a style picture";
}

// Draws the picture at that position scaled into the box (16 points a side at scale 1).
void drawStylePicture(size_t index, GraphicsContext& context, const Rect& box);
template <size_t Index> void drawStylePictureAt(GraphicsContext& context, const Rect& box)
{
    drawStylePicture(Index, context, box);
}

// The 16-point pictures of the style toolbar and the styling menus that show what a style looks
// like: borders, line styles, arrow heads, relation paths, widths and colour aspects. They are
// drawn with the painter's own shapes, lines and arrow heads, so a picture looks like the map.
class StylePictures {
public:
    static constexpr double Side = 16;

    // Every name drawn here.
    static const std::vector<std::string>& names();
    static bool isDrawn(const std::string& name);
    // Draws the picture into the square of Side points at the origin; false for a name not drawn
    // here, which leaves the context untouched.
    static bool draw(const std::string& name, GraphicsContext& context);
    // The picture at that many pixels a point (sharp screens use 2), made once per name and scale;
    // nullptr for a name not drawn here.
    static std::shared_ptr<const Image> picture(const std::string& name, int scale = 1);
};
