#pragma once

#include "platform/Color.h"

#include <optional>

// The settings of a topic's hull, the shape drawn around its branch.
class NodeHullStyle {
public:
    const std::optional<Color>& fillColor() const { return _fillColor; }
    void setFillColor(const std::optional<Color>& color);

    // The hull is filled with its own colour instead of the one the hull builder assigns.
    bool customColor() const { return _customColor; }
    void setCustomColor(bool customColor);

private:
    std::optional<Color> _fillColor;
    bool _customColor = false;
};
