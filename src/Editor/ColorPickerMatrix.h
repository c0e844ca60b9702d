#pragma once

#include "platform/Color.h"
#include "platform/Geometry.h"

#include <optional>
#include <vector>

class GraphicsContext;
class Image;

// The colour popover's swatches: a fixed 13 × 11 grid (greys from white to black on top, then
// twelve hue rows from light to full saturation and on to dark), laid out in points with y down
// inside the popover's content.
class ColorPickerMatrix {
public:
    static constexpr int Rows = 13;
    static constexpr int Columns = 11;
    static constexpr int CellCount = Rows * Columns;
    static constexpr double CellSide = 15;
    static constexpr double CellSpacing = 1;

    // The content: a 1-point dark frame around the grid, the transparent button along the grid's
    // bottom, under the last row of swatches.
    static constexpr Size BackgroundSize{177, 229};
    static Rect gridFrame() { return {1, 1, 175, 227}; }
    static Rect transparentButtonFrame() { return {1, 208, 175, 20}; }

    // The swatches, row by row; made once.
    static const std::vector<Color>& colors();
    static Color colorAt(int row, int column) { return colors()[size_t(row * Columns + column)]; }

    // The swatch under a point of the content; nothing between swatches and outside the grid.
    static std::optional<int> cellIndexAt(Point contentPoint);
    static Rect cellFrame(int index);

    // The whole grid as the popover shows it: the dark background and every swatch.
    static void draw(GraphicsContext& context);
    // One swatch: its colour, or, for a colour that is not opaque, white crossed by a red line.
    static void drawSwatch(GraphicsContext& context, const Rect& frame, const Color& color);
};

// The picture that stands for "transparent" in colour controls: white, with the upper-left half
// above the diagonal from the top-right to the bottom-left corner black.
void drawTransparentSwatch(GraphicsContext& context, const Rect& frame);
// The picture in size points at scale pixels a point; null for an empty size.
Image TransparentSwatchImage(Size size, int scale = 1);
