#include "MindMaps/NodeHullStyle.h"

void NodeHullStyle::setFillColor(const std::optional<Color>& color)
{
    _fillColor = color;
}

void NodeHullStyle::setCustomColor(bool customColor)
{
    _customColor = customColor;
}
