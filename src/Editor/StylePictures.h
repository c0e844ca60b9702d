#pragma once

#include "platform/Color.h"

#include <string>
#include <vector>

class GraphicsContext;

// The 16-point pictures of the style toolbar and the styling menus that show what a style looks
// like: borders, line styles, arrow heads, relation paths, widths and colour aspects. They are
// drawn with the painter's own shapes, lines and arrow heads, so a picture looks like the map. The
// shapes are drawn in the ink given (the theme's text colour where they show); the pictures of
// colour aspects keep their sample colours.
class StylePictures {
public:
    static constexpr double Side = 16;

    // Every name drawn here.
    static const std::vector<std::string>& names();
    static bool isDrawn(const std::string& name);
    // Draws the picture into the square of Side points at the origin; false for a name not drawn
    // here, which leaves the context untouched.
    static bool draw(const std::string& name, GraphicsContext& context, const Color& ink = DefaultInk);

    // Dark enough on a light strip and on a light menu.
    static constexpr Color DefaultInk{0.2, 0.2, 0.2};
};
