#pragma once

#include "platform/Color.h"
#include "platform/Geometry.h"

#include <span>
#include <string_view>

class GraphicsContext;

// The pictures of toolbar segments are named (the segments, explorers and menus name them); this
// table says what each name shows: an icon of the desktop's icon theme, or a small picture the
// program draws itself with the map painter's shapes and lines, where no themed icon says what
// the segment does (a border shape, a line style, a new child topic).
struct ToolbarImageRow {
    const char* name;
    // A themed icon name, or nullptr for a drawn picture.
    const char* iconName;
    // Draws the picture of that name into the square box (ToolbarPictureSize points a side) with
    // the ink, or nullptr.
    void (*draw)(GraphicsContext& context, const Rect& box, const char* name, const Color& ink);
};

inline constexpr double ToolbarPictureSize = 16;
// The ink where no theme gives one: the dark grey of a light theme's symbolic icons.
inline constexpr Color ToolbarDefaultInk{0.2, 0.2, 0.2};

// Every row, the toolbar's first.
std::span<const ToolbarImageRow> toolbarImageRows();
// nullptr for a name the table does not know.
const ToolbarImageRow* toolbarImage(std::string_view name);
