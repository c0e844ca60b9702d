#include "Editor/ColorPickerMatrix.h"

#include "MindMaps/ColorUtils.h"
#include "platform/BezierPath.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/GraphicsContext.h"
#include "platform/Image.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace {

// Hue, saturation and brightness, each 0..1, as the device model converts them.
Color colorWithHSB(double hue, double saturation, double brightness)
{
    const double h = (hue - std::floor(hue)) * 6;
    const int sector = static_cast<int>(h) % 6;
    const double f = h - std::floor(h);
    const double p = brightness * (1 - saturation);
    const double q = brightness * (1 - saturation * f);
    const double t = brightness * (1 - saturation * (1 - f));
    switch (sector) {
    case 0:
        return Color(brightness, t, p);
    case 1:
        return Color(q, brightness, p);
    case 2:
        return Color(p, brightness, t);
    case 3:
        return Color(p, q, brightness);
    case 4:
        return Color(t, p, brightness);
    default:
        return Color(brightness, p, q);
    }
}

std::vector<Color> makeColors()
{
    using M = ColorPickerMatrix;
    std::vector<Color> colors;
    colors.reserve(M::CellCount);
    for (int c = 0; c < M::Columns; ++c) {
        const double white = 1 - c / 10.0;
        colors.emplace_back(white, white, white);
    }
    for (int r = 1; r < M::Rows; ++r) {
        const double hue = (r - 1) / 13.0;
        for (int c = 0; c < M::Columns; ++c) {
            if (c <= 5) colors.push_back(colorWithHSB(hue, (c + 1) / 6.0, 1));
            else colors.push_back(colorWithHSB(hue, 1, 1 - (c - 5) / 7.0));
        }
    }
    return colors;
}

BezierPath rectPath(const Rect& rect)
{
    BezierPath path;
    path.appendRect(rect);
    return path;
}

} // namespace

const std::vector<Color>& ColorPickerMatrix::colors()
{
    static const std::vector<Color> table = makeColors();
    return table;
}

std::optional<int> ColorPickerMatrix::cellIndexAt(Point contentPoint)
{
    if (!std::isfinite(contentPoint.x) || !std::isfinite(contentPoint.y)) return std::nullopt;
    const double x = contentPoint.x - gridFrame().origin.x;
    const double y = contentPoint.y - gridFrame().origin.y;
    if (x < 0 || y < 0) return std::nullopt;
    const double pitch = CellSide + CellSpacing;
    const int column = static_cast<int>(x / pitch);
    const int row = static_cast<int>(y / pitch);
    if (column >= Columns || row >= Rows) return std::nullopt;
    // The spacing after each swatch belongs to none.
    if (x - column * pitch >= CellSide || y - row * pitch >= CellSide) return std::nullopt;
    return row * Columns + column;
}

Rect ColorPickerMatrix::cellFrame(int index)
{
    const double pitch = CellSide + CellSpacing;
    const int row = index / Columns;
    const int column = index % Columns;
    return Rect(gridFrame().origin.x + column * pitch, gridFrame().origin.y + row * pitch, CellSide, CellSide);
}

void ColorPickerMatrix::draw(GraphicsContext& context)
{
    context.fillPath(rectPath(Rect({0, 0}, BackgroundSize)), normalizedDarkGrayColor());
    const std::vector<Color>& table = colors();
    for (int index = 0; index < CellCount; ++index) drawSwatch(context, cellFrame(index), table[size_t(index)]);
}

void ColorPickerMatrix::drawSwatch(GraphicsContext& context, const Rect& frame, const Color& color)
{
    if (color.alpha() >= 1) {
        context.fillPath(rectPath(frame), color);
        return;
    }
    context.save();
    context.clipToRect(frame);
    context.fillPath(rectPath(frame), Color::white());
    BezierPath line;
    line.moveTo({frame.maxX(), frame.minY()});
    line.lineTo({frame.minX(), frame.maxY()});
    line.setLineWidth(1.5);
    context.strokePath(line, StrokeStyle::solid(Color(1, 0, 0)));
    context.restore();
}

void drawTransparentSwatch(GraphicsContext& context, const Rect& frame)
{
    context.fillPath(rectPath(frame), Color::white());
    BezierPath triangle;
    triangle.moveTo({frame.minX(), frame.minY()});
    triangle.lineTo({frame.maxX(), frame.minY()});
    triangle.lineTo({frame.minX(), frame.maxY()});
    triangle.closePath();
    context.fillPath(triangle, Color::black());
}

Image TransparentSwatchImage(Size size, int scale)
{
    scale = std::max(1, scale);
    if (!(size.width >= 1) || !(size.height >= 1) || size.width * scale > Image::MaxSide ||
        size.height * scale > Image::MaxSide)
        return Image();
    Image image(static_cast<int>(std::ceil(size.width * scale)), static_cast<int>(std::ceil(size.height * scale)));
    if (image.isNull()) return image;
    image.setSize(size);
    cairo_t* cr = cairo_create(image.surface());
    cairo_scale(cr, scale, scale);
    {
        CairoGraphicsContext context(cr, GraphicsSurfaceKind::Bitmap);
        drawTransparentSwatch(context, Rect({0, 0}, size));
    }
    cairo_destroy(cr);
    cairo_surface_flush(image.surface());
    return image;
}
