#include "MindMaps/NodeStyle.h"

#include <cmath>
#include <utility>

NodeStyle::NodeStyle(std::shared_ptr<NodeStyle> parentStyle) : TextStyle(std::move(parentStyle))
{
    NodeStyle::reset();
}

bool NodeStyle::equals(const NodeStyle* other) const
{
    return equalProps(other, properties());
}

void NodeStyle::assign(const NodeStyle* other)
{
    UpdateGuard batch(*this);
    if (assignProps(other, properties())) setPropCustomized(CallOutMask, false);
}

void NodeStyle::merge(const NodeStyle* other)
{
    UpdateGuard batch(*this);
    if (mergeProps(other, properties())) setPropCustomized(CallOutMask, false);
}

void NodeStyle::reset()
{
    UpdateGuard batch(*this);
    TextStyle::reset();
    setBorderStyle(2);
    setBorderWidth(0.0);
    setStrokeColor(std::nullopt);
}

std::optional<Color> NodeStyle::strokeColor() const
{
    return parentNodeStyle() && !isPropCustomized(StrokeColorMask) ? parentNodeStyle()->strokeColor()
                                                                   : own().strokeColor;
}

int32_t NodeStyle::borderStyle() const
{
    return parentNodeStyle() && !isPropCustomized(BorderStyleMask) ? parentNodeStyle()->borderStyle()
                                                                   : own().borderStyle;
}

double NodeStyle::borderWidth() const
{
    return parentNodeStyle() && !isPropCustomized(BorderWidthMask) ? parentNodeStyle()->borderWidth()
                                                                   : own().borderWidth;
}

void NodeStyle::setBorderWidth(double borderWidth)
{
    // A width that is not a number would never compare equal again and would reach the painter.
    if (std::isfinite(borderWidth)) storeOwnValue(_own, &OwnValues::borderWidth, borderWidth);
}

void NodeStyle::changeBorderStyle(int32_t borderStyle)
{
    changeCustomizedProp(BorderStyleMask, parentNodeStyle() && parentNodeStyle()->borderStyle() == borderStyle,
                         [&] { setBorderStyle(borderStyle); });
}

void NodeStyle::changeBorderWidth(double borderWidth)
{
    if (!std::isfinite(borderWidth)) return;
    // A width is never handed back to the parent: choosing one always means the user wants a
    // border of that width, so a topic without a border gets the plain rounded one.
    UpdateGuard batch(*this);
    setPropCustomized(BorderWidthMask, true);
    setBorderWidth(borderWidth);
    if (this->borderWidth() > 0 && borderStyle() == NoBorder) {
        setPropCustomized(BorderStyleMask, true);
        setBorderStyle(0);
    }
}
