#include "MindMaps/RelationStyle.h"

#include <cmath>
#include <utility>

RelationStyle::RelationStyle(std::shared_ptr<RelationStyle> parentStyle)
    : _parentStyle(std::move(parentStyle))
{
}

double RelationStyle::defaultLineWidth(int32_t lineStyle)
{
    static constexpr double widths[] = {3.0, 3.0, 4.5, 1.7, 3.0, 4.5, 2.0, 1.7, 1.7, 1.7};
    if (lineStyle < 0 || lineStyle > 9)
        return 3.0;
    return widths[lineStyle];
}

bool RelationStyle::isPropDefined(uint64_t mask) const
{
    if (isPropCustomized(mask))
        return true;
    return _parentStyle && _parentStyle->isPropDefined(mask);
}

bool RelationStyle::equals(const RelationStyle* other) const
{
    if (!other || customizedProps() != other->customizedProps())
        return false;
    if (isPropCustomized(LineStyleMask) && _lineStyle != other->_lineStyle)
        return false;
    if (isPropCustomized(PathStyleMask) && _relationPathStyle != other->_relationPathStyle)
        return false;
    if (isPropCustomized(SourceArrowMask) && _sourceArrowStyle != other->_sourceArrowStyle)
        return false;
    if (isPropCustomized(TargetArrowMask) && _targetArrowStyle != other->_targetArrowStyle)
        return false;
    if (isPropCustomized(ColorMask) && _color != other->_color)
        return false;
    if (isPropCustomized(LineWidthMask) && _lineWidth != other->_lineWidth)
        return false;
    return true;
}

void RelationStyle::assign(const RelationStyle* other)
{
    if (!other) {
        logMissingArgument("assign");
        return;
    }
    UpdateGuard batch(*this);
    setCustomizedProps(other->customizedProps());
    setLineStyle(other->lineStyle());
    setLineWidth(other->lineWidth());
    setRelationPathStyle(other->relationPathStyle());
    setSourceArrowStyle(other->sourceArrowStyle());
    setTargetArrowStyle(other->targetArrowStyle());
    setColor(other->color());
}

void RelationStyle::merge(const RelationStyle* other)
{
    if (!other) {
        logMissingArgument("merge");
        return;
    }
    UpdateGuard batch(*this);
    setCustomizedProps(customizedProps() | other->customizedProps());
    if (other->isPropCustomized(ColorMask))
        setColor(other->color());
    if (other->isPropCustomized(LineStyleMask))
        setLineStyle(other->lineStyle());
    if (other->isPropCustomized(PathStyleMask))
        setRelationPathStyle(other->relationPathStyle());
    if (other->isPropCustomized(LineWidthMask))
        setLineWidth(other->lineWidth());
    if (other->isPropCustomized(SourceArrowMask))
        setSourceArrowStyle(other->sourceArrowStyle());
    if (other->isPropCustomized(TargetArrowMask))
        setTargetArrowStyle(other->targetArrowStyle());
}

void RelationStyle::reset()
{
    clearCustomizedPropsQuietly();
    _lineStyle = 0;
    _relationPathStyle = 0;
    _sourceArrowStyle = 0;
    _targetArrowStyle = 0;
    _color.reset();
    _lineWidth = 0.0;
}

int32_t RelationStyle::lineStyle() const
{
    return _parentStyle && !isPropCustomized(LineStyleMask) ? _parentStyle->lineStyle() : _lineStyle;
}

double RelationStyle::lineWidth() const
{
    // A width belongs with the line it was chosen for: without a customised width anywhere up the
    // chain, the width follows this style's own effective line.
    for (const RelationStyle* style = this; style; style = style->_parentStyle.get()) {
        if (style->isPropCustomized(LineWidthMask))
            return style->_lineWidth;
    }
    return defaultLineWidth(lineStyle());
}

int32_t RelationStyle::relationPathStyle() const
{
    return _parentStyle && !isPropCustomized(PathStyleMask) ? _parentStyle->relationPathStyle()
                                                            : _relationPathStyle;
}

int32_t RelationStyle::sourceArrowStyle() const
{
    return _parentStyle && !isPropCustomized(SourceArrowMask) ? _parentStyle->sourceArrowStyle()
                                                              : _sourceArrowStyle;
}

int32_t RelationStyle::targetArrowStyle() const
{
    return _parentStyle && !isPropCustomized(TargetArrowMask) ? _parentStyle->targetArrowStyle()
                                                              : _targetArrowStyle;
}

std::optional<Color> RelationStyle::color() const
{
    return _parentStyle && !isPropCustomized(ColorMask) ? _parentStyle->color() : _color;
}

void RelationStyle::setLineStyle(int32_t lineStyle)
{
    if (_lineStyle == lineStyle)
        return;
    _lineStyle = lineStyle;
    changed();
}

void RelationStyle::setLineWidth(double lineWidth)
{
    // A width that is not a number would never compare equal again and would reach the painter.
    if (!std::isfinite(lineWidth) || _lineWidth == lineWidth)
        return;
    _lineWidth = lineWidth;
    changed();
}

void RelationStyle::setRelationPathStyle(int32_t pathStyle)
{
    if (_relationPathStyle == pathStyle)
        return;
    _relationPathStyle = pathStyle;
    changed();
}

void RelationStyle::setSourceArrowStyle(int32_t arrowStyle)
{
    if (_sourceArrowStyle == arrowStyle)
        return;
    _sourceArrowStyle = arrowStyle;
    changed();
}

void RelationStyle::setTargetArrowStyle(int32_t arrowStyle)
{
    if (_targetArrowStyle == arrowStyle)
        return;
    _targetArrowStyle = arrowStyle;
    changed();
}

void RelationStyle::setColor(const std::optional<Color>& color)
{
    if (_color == color)
        return;
    _color = color;
    changed();
}

void RelationStyle::deriveCrossLinkLineStyle(int32_t parentRelationLineStyle, bool hasDefaultArrow)
{
    static constexpr int32_t crossLinkLines[] = {4, 4, 5, 6, 4, 5, 6, 4, 4, 4};
    int32_t lineStyle = parentRelationLineStyle;
    if (lineStyle >= 0 && lineStyle <= 9)
        lineStyle = crossLinkLines[lineStyle];
    setLineStyle(lineStyle);
    if (hasDefaultArrow)
        setTargetArrowStyle(lineStyle == 5 ? 3 : 1);
}

bool RelationStyle::hasArrows() const
{
    return sourceArrowStyle() != 0 || targetArrowStyle() != 0;
}

void RelationStyle::changeLineStyle(int32_t lineStyle)
{
    changeCustomizedProp(LineStyleMask, _parentStyle && _parentStyle->lineStyle() == lineStyle,
                         [&] { setLineStyle(lineStyle); });
}

void RelationStyle::changeLineWidth(double lineWidth)
{
    if (!std::isfinite(lineWidth))
        return;
    changeCustomizedProp(LineWidthMask, _parentStyle && _parentStyle->lineWidth() == lineWidth,
                         [&] { setLineWidth(lineWidth); });
}

void RelationStyle::changePathStyle(int32_t pathStyle)
{
    changeCustomizedProp(PathStyleMask, _parentStyle && _parentStyle->relationPathStyle() == pathStyle,
                         [&] { setRelationPathStyle(pathStyle); });
}

void RelationStyle::changeSourceArrow(int32_t arrowStyle)
{
    changeCustomizedProp(SourceArrowMask,
                         _parentStyle && _parentStyle->sourceArrowStyle() == arrowStyle,
                         [&] { setSourceArrowStyle(arrowStyle); });
}

void RelationStyle::changeTargetArrow(int32_t arrowStyle)
{
    changeCustomizedProp(TargetArrowMask,
                         _parentStyle && _parentStyle->targetArrowStyle() == arrowStyle,
                         [&] { setTargetArrowStyle(arrowStyle); });
}
