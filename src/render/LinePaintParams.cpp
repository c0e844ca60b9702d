#include "render/LinePaintParams.h"

#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapRelation.h"
#include "MindMaps/RelationStyle.h"
#include "render/MindMapPainter.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

// Lines drawn in a thumbnail that is not high resolution are never thinner than this.
constexpr double MinForcedLineWidth = 4.0;

constexpr double CableDash = 1.7;
constexpr double WideDash = 3.06;
constexpr double ThinDash = 2.21;

// The white line inside a double line is this many times the style's default width ratio wide.
constexpr double DashedInnerLineFactor = 1.5;
constexpr double InnerLineFactor = 1.0;

std::vector<double> dashOfStyle(int32_t lineStyle)
{
    switch (lineStyle) {
    case 0:
        return {CableDash, CableDash};
    case 4:
        return {WideDash, WideDash};
    case 6:
        return {ThinDash, ThinDash};
    default:
        return {};
    }
}

} // namespace

double sanitizedLineWidth(double width, double fallback)
{
    if (!std::isfinite(width) || width < 0) return fallback;
    return std::min(width, LinePaintParams::MaxLineWidth);
}

void LinePaintParams::setStyle(const RelationStyle& style, const MindMapNode* refNode, bool dimmed, double leadOutWidth)
{
    _useFlatten = false;
    bool halfAlpha = false;
    if (_painter.useForcedLineStyle()) {
        _lineStyle = _painter.forcedLineStyle();
        _lineWidth = std::max(RelationStyle::defaultLineWidth(_lineStyle), MinForcedLineWidth);
    } else {
        _lineStyle = style.lineStyle();
        _lineWidth = sanitizedLineWidth(style.lineWidth(), RelationStyle::defaultLineWidth(_lineStyle));
        switch (_lineStyle) {
        case 0:
        case 4:
        case 6:
            // Fine dashes shimmer on a zoomed-out canvas: the line is drawn solid and faint.
            if (_painter.simplifyFineDashes()) {
                _lineStyle = _lineStyle == 6 ? 3 : 1;
                halfAlpha = true;
            } else {
                _useFlatten = _painter.designing();
            }
            break;
        case MindMapRelation::LineStyleAutoTapered:
            _lineWidth = sanitizedLineWidth(leadOutWidth, RelationStyle::defaultLineWidth(_lineStyle));
            break;
        default:
            break;
        }
    }
    Color color = style.color().value_or(refNode ? refNode->colorSchemeStrokeColor() : Color::black());
    color = _painter.getDimmedColor(color, dimmed);
    _strokeColor = halfAlpha ? color.withAlpha(0.5) : color;
}

void LinePaintParams::strokePath(BezierPath& path, bool fill)
{
    GraphicsContext& context = _painter.context();
    StrokeStyle stroke;
    stroke.color = _strokeColor;
    stroke.dash = dashOfStyle(_lineStyle);
    path.setLineWidth(_lineWidth);
    if (fill) {
        stroke.cap = LineCap::Round;
        path.setLineJoinStyle(LineJoinStyle::Round);
        context.fillPath(path, _strokeColor);
    }
    context.strokePath(path, stroke);
    path.setLineJoinStyle(LineJoinStyle::Miter);

    if (_lineStyle != 2 && _lineStyle != 5) return;
    const bool dashed = _lineStyle == 5;
    const double factor = dashed ? DashedInnerLineFactor : InnerLineFactor;
    StrokeStyle inner;
    inner.color = Color::white();
    if (dashed) inner.dash = {WideDash, WideDash};
    path.setLineWidth(factor * _lineWidth / RelationStyle::defaultLineWidth(_lineStyle));
    _painter.suspendShadow();
    context.strokePath(path, inner);
    _painter.resumeShadow();
    path.setLineWidth(_lineWidth);
}
