#include "MindMaps/RelationStyle.h"

#include <cmath>
#include <utility>

RelationStyle::RelationStyle(std::shared_ptr<RelationStyle> parentStyle) : _parentStyle(std::move(parentStyle))
{
}

double RelationStyle::defaultLineWidth(int32_t lineStyle)
{
    static constexpr double widths[] = {3.0, 3.0, 4.5, 1.7, 3.0, 4.5, 2.0, 1.7, 1.7, 1.7};
    if (lineStyle < 0 || lineStyle > 9) return 3.0;
    return widths[lineStyle];
}

bool RelationStyle::isPropDefined(uint64_t mask) const
{
    if (isPropCustomized(mask)) return true;
    return _parentStyle && _parentStyle->isPropDefined(mask);
}

bool RelationStyle::equals(const RelationStyle* other) const
{
    return equalProps(other, properties());
}

void RelationStyle::assign(const RelationStyle* other)
{
    assignProps(other, properties());
}

void RelationStyle::merge(const RelationStyle* other)
{
    mergeProps(other, properties());
}

void RelationStyle::reset()
{
    clearCustomizedPropsQuietly();
    _own.reset();
}

int32_t RelationStyle::lineStyle() const
{
    return _parentStyle && !isPropCustomized(LineStyleMask) ? _parentStyle->lineStyle() : own().lineStyle;
}

double RelationStyle::lineWidth() const
{
    // A width belongs with the line it was chosen for: without a customised width anywhere up the
    // chain, the width follows this style's own effective line.
    for (const RelationStyle* style = this; style; style = style->_parentStyle.get()) {
        if (style->isPropCustomized(LineWidthMask)) return style->own().lineWidth;
    }
    return defaultLineWidth(lineStyle());
}

int32_t RelationStyle::relationPathStyle() const
{
    return _parentStyle && !isPropCustomized(PathStyleMask) ? _parentStyle->relationPathStyle()
                                                            : own().relationPathStyle;
}

int32_t RelationStyle::sourceArrowStyle() const
{
    return _parentStyle && !isPropCustomized(SourceArrowMask) ? _parentStyle->sourceArrowStyle()
                                                              : own().sourceArrowStyle;
}

int32_t RelationStyle::targetArrowStyle() const
{
    return _parentStyle && !isPropCustomized(TargetArrowMask) ? _parentStyle->targetArrowStyle()
                                                              : own().targetArrowStyle;
}

std::optional<Color> RelationStyle::color() const
{
    return _parentStyle && !isPropCustomized(ColorMask) ? _parentStyle->color() : own().color;
}

void RelationStyle::setLineWidth(double lineWidth)
{
    // A width that is not a number would never compare equal again and would reach the painter.
    if (std::isfinite(lineWidth)) storeOwnValue(_own, &OwnValues::lineWidth, lineWidth);
}

void RelationStyle::deriveCrossLinkLineStyle(int32_t parentRelationLineStyle, bool hasDefaultArrow)
{
    static constexpr int32_t crossLinkLines[] = {4, 4, 5, 6, 4, 5, 6, 4, 4, 4};
    int32_t lineStyle = parentRelationLineStyle;
    if (lineStyle >= 0 && lineStyle <= 9) lineStyle = crossLinkLines[lineStyle];
    setLineStyle(lineStyle);
    if (hasDefaultArrow) setTargetArrowStyle(lineStyle == 5 ? 3 : 1);
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
    if (!std::isfinite(lineWidth)) return;
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
    changeCustomizedProp(SourceArrowMask, _parentStyle && _parentStyle->sourceArrowStyle() == arrowStyle,
                         [&] { setSourceArrowStyle(arrowStyle); });
}

void RelationStyle::changeTargetArrow(int32_t arrowStyle)
{
    changeCustomizedProp(TargetArrowMask, _parentStyle && _parentStyle->targetArrowStyle() == arrowStyle,
                         [&] { setTargetArrowStyle(arrowStyle); });
}
