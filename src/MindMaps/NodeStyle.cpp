#include "MindMaps/NodeStyle.h"

#include <cmath>
#include <utility>

NodeStyle::NodeStyle(std::shared_ptr<NodeStyle> parentStyle)
    : TextStyle(parentStyle)
    , _parentNodeStyle(std::move(parentStyle))
{
    NodeStyle::reset();
}

bool NodeStyle::equals(const NodeStyle* other) const
{
    if (!TextStyle::equals(other))
        return false;
    if (isPropCustomized(StrokeColorMask) && _strokeColor != other->_strokeColor)
        return false;
    if (isPropCustomized(AlignmentMask) && alignment() != other->alignment())
        return false;
    if (isPropCustomized(BorderStyleMask) && _borderStyle != other->_borderStyle)
        return false;
    if (isPropCustomized(BorderWidthMask) && _borderWidth != other->_borderWidth)
        return false;
    return true;
}

void NodeStyle::assign(const NodeStyle* other)
{
    if (!other) {
        logMissingArgument("assign");
        return;
    }
    UpdateGuard batch(*this);
    TextStyle::assign(other);
    setPropCustomized(CallOutMask, false);
    setStrokeColor(other->strokeColor());
    setBorderStyle(other->borderStyle());
    setBorderWidth(other->borderWidth());
}

void NodeStyle::merge(const NodeStyle* other)
{
    if (!other) {
        logMissingArgument("merge");
        return;
    }
    UpdateGuard batch(*this);
    TextStyle::merge(other);
    setPropCustomized(CallOutMask, false);
    if (other->isPropCustomized(StrokeColorMask))
        setStrokeColor(other->strokeColor());
    if (other->isPropCustomized(BorderStyleMask))
        setBorderStyle(other->borderStyle());
    if (other->isPropCustomized(BorderWidthMask))
        setBorderWidth(other->borderWidth());
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
    return _parentNodeStyle && !isPropCustomized(StrokeColorMask) ? _parentNodeStyle->strokeColor()
                                                                  : _strokeColor;
}

int32_t NodeStyle::borderStyle() const
{
    return _parentNodeStyle && !isPropCustomized(BorderStyleMask) ? _parentNodeStyle->borderStyle()
                                                                  : _borderStyle;
}

double NodeStyle::borderWidth() const
{
    return _parentNodeStyle && !isPropCustomized(BorderWidthMask) ? _parentNodeStyle->borderWidth()
                                                                  : _borderWidth;
}

void NodeStyle::setStrokeColor(const std::optional<Color>& color)
{
    if (_strokeColor == color)
        return;
    _strokeColor = color;
    changed();
}

void NodeStyle::setBorderStyle(int32_t borderStyle)
{
    if (_borderStyle == borderStyle)
        return;
    _borderStyle = borderStyle;
    changed();
}

void NodeStyle::setBorderWidth(double borderWidth)
{
    // A width that is not a number would never compare equal again and would reach the painter.
    if (!std::isfinite(borderWidth) || _borderWidth == borderWidth)
        return;
    _borderWidth = borderWidth;
    changed();
}

void NodeStyle::changeBorderStyle(int32_t borderStyle)
{
    changeCustomizedProp(BorderStyleMask,
                         _parentNodeStyle && _parentNodeStyle->borderStyle() == borderStyle,
                         [&] { setBorderStyle(borderStyle); });
}

void NodeStyle::changeBorderWidth(double borderWidth)
{
    if (!std::isfinite(borderWidth))
        return;
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
