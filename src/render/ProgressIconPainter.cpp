#include "render/ProgressIconPainter.h"

#include "MindMaps/ColorUtils.h"
#include "Utils/BezierPathShapes.h"
#include "platform/GraphicsContext.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace {

// The icon is designed on a 16-point square; everything scales with the square's side.
constexpr double DesignSide = 16;
// Colours whose RGB components differ by less than this in sum cannot be told apart as box and
// outline.
constexpr double IndistinctColorDistance = 25.0 / 255.0;
// A fill at least this light takes dark marks, a darker one white marks.
constexpr double LightFillLuminance = 0.75;
constexpr double PieRadiusFraction = 0.75;
constexpr double RingInsetFraction = 0.075;

double luminance(const Color& color)
{
    return HSLTransformer::colorToLuminance(color);
}

double colorDistance(const Color& a, const Color& b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

} // namespace

Color dimmedColor(const Color& color, bool darkBackground)
{
    std::array<double, 3> hsl{};
    HSLTransformer::colorToHSL(color, hsl);
    if (darkBackground) {
        hsl[1] *= 0.6;
        hsl[2] *= 0.5;
    } else {
        hsl[1] *= 0.7;
        hsl[2] += (1 - hsl[2]) * 0.8;
    }
    return HSLTransformer::hslToColor(hsl).withAlpha(color.alpha());
}

Color ProgressIconPainter::getDimmedColor(const std::optional<Color>& color) const
{
    if (!color) return _backgroundColor;
    return _dimmed ? dimmedColor(*color, _darkBackground) : *color;
}

void ProgressIconPainter::draw(GraphicsContext& context, const Rect& rect)
{
    // A square without area, or one no drawing could hold, draws nothing rather than handing
    // nonsense to the graphics layer.
    if (!(rect.width() > 0) || !(rect.height() > 0)) return;
    _size = std::min(rect.width(), rect.height());
    if (!std::isfinite(_size) || !std::isfinite(rect.minX()) || !std::isfinite(rect.minY())) return;
    _bounds = Rect(rect.origin, Size{_size, _size});
    _scale = _size / DesignSide;
    switch (_checkboxMode) {
    case 1:
        drawCheckBox(context);
        break;
    case 2:
    case 3:
        drawProgressBar(context);
        break;
    default:
        break;
    }
}

void ProgressIconPainter::drawCheckBox(GraphicsContext& context)
{
    const bool isChecked = checked();
    const Color box = _grayScale ? Color::white() : isChecked ? _tintColor : _backgroundColor;
    const Color fill = getDimmedColor(box);

    BezierPath path;
    addRoundedRect(path, _bounds, 2 * _scale);
    path.setLineWidth(isChecked && !_grayScale ? _scale : 1.5 * _scale);
    context.fillPath(path, fill);

    Color outline;
    if (_grayScale) {
        outline = materialGrey500();
        path.setLineWidth(1.5 * _scale);
    } else if (isChecked) {
        outline = box;
    } else {
        outline = _tinted ? _tintColor : materialGrey500();
        // An outline the colour of its box would leave an invisible checkbox.
        if (colorDistance(box, outline) < IndistinctColorDistance)
            outline = luminance(box) < LightFillLuminance ? Color::white() : materialGrey700();
    }
    context.strokePath(path, StrokeStyle::solid(getDimmedColor(outline)));

    if (isChecked) {
        const Color tick = _grayScale             ? materialGrey800()
            : luminance(box) < LightFillLuminance ? Color::white()
                                                  : materialGrey700();
        drawCheckboxTick(context, getDimmedColor(tick));
    }
}

void ProgressIconPainter::drawCheckboxTick(GraphicsContext& context, const Color& color)
{
    const double u = _size / 24;
    const Point o = _bounds.origin;
    BezierPath tick;
    tick.moveTo({o.x + 3.5 * u, o.y + 11.5 * u});
    tick.lineTo({o.x + 9.5 * u, o.y + 17.5 * u});
    tick.lineTo({o.x + 20.5 * u, o.y + 5.5 * u});
    tick.setLineWidth(1.8 * _scale);
    context.strokePath(tick, StrokeStyle::solid(color));
}

void ProgressIconPainter::drawProgressBar(GraphicsContext& context)
{
    const bool isChecked = checked();
    const bool roundedSquare = _checkboxMode == 3;
    const Point centre{_bounds.midX(), _bounds.midY()};
    const double lineWidth = 1.5 * _scale;

    Color background, pie, outline, tick;
    if (_grayScale) {
        background = Color::white();
        pie = tick = materialGrey700();
        outline = materialGrey500();
    } else {
        background = _backgroundColor;
        pie = outline = _tintColor;
        tick = luminance(_tintColor) > LightFillLuminance ? materialGrey700() : Color::white();
    }
    background = getDimmedColor(background);
    pie = getDimmedColor(pie);
    outline = getDimmedColor(outline);
    tick = getDimmedColor(tick);

    BezierPath square;
    addRoundedRect(square, _bounds, 2 * _scale);
    square.setLineWidth(lineWidth);
    BezierPath circle;
    circle.appendOval(_bounds);
    circle.setLineWidth(lineWidth);

    if (_grayScale) {
        const Color white = getDimmedColor(Color::white());
        if (roundedSquare) {
            context.fillPath(square, white);
            context.strokePath(square, StrokeStyle::solid(outline));
        }
        // From a tenth on, the wedge in the square reads without the circle round it.
        if (!(roundedSquare && !isChecked && _progress >= 10)) {
            if (!roundedSquare) context.fillPath(circle, white);
            context.strokePath(circle, StrokeStyle::solid(outline));
        }
    } else if (roundedSquare) {
        context.fillPath(square, outline);
        context.strokePath(square, StrokeStyle::solid(outline));
        if (!isChecked) {
            context.fillPath(circle, background);
            context.strokePath(circle, StrokeStyle::solid(outline));
        }
    } else {
        context.fillPath(circle, isChecked ? outline : background);
        context.strokePath(circle, StrokeStyle::solid(outline));
    }

    if (isChecked) {
        drawCheckboxTick(context, tick);
    } else if (_progress >= 1) {
        BezierPath wedge;
        wedge.moveTo(centre);
        const double percent = double(std::min<int64_t>(_progress, 100));
        wedge.appendArc(centre, PieRadiusFraction * _size / 2, -90, percent * 360 / 100 - 90);
        wedge.closePath();
        context.fillPath(wedge, pie);
    }

    if (roundedSquare && !_grayScale) {
        BezierPath ring;
        ring.appendOval(insetRect(_bounds, RingInsetFraction * _size, RingInsetFraction * _size));
        ring.setLineWidth(lineWidth);
        context.strokePath(ring, StrokeStyle::solid(isChecked ? tick : background));
    }
}
