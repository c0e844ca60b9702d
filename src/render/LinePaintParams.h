#pragma once

#include "platform/Color.h"

#include <cstdint>

class MindMapPainter;

// The stroke parameters of the line being painted; one per painter, reused for every line.
class LinePaintParams {
public:
    explicit LinePaintParams(MindMapPainter& painter) : _painter(painter) {}

    MindMapPainter& painter() const { return _painter; }
    int32_t lineStyle = 1;
    double lineWidth = 3.0;
    Color strokeColor;
    bool useFlatten = false;

private:
    MindMapPainter& _painter;
};
