#pragma once

#include "platform/Geometry.h"

#include <cmath>
#include <cstdint>
#include <memory>

class MindMapNode;

// What a topic keeps for the layouters: its own layout mode and direction, the size and point
// that the automatic layouts leave on it, and what is worked out from the tree above it (level,
// hull depth, layout owners), valid while the tree generation it was worked out in stays current.
struct NodeLayoutState {
    // The tree generation the values below were worked out in (see MindMapNode::refreshTreeCache()):
    // 48 bits count more tree changes than any process makes, and leave the rest of the word to
    // the mode and the direction.
    mutable uint64_t generation : 48 = 0;
    // The topic's own layout mode and direction: every one there is fits in a byte (see
    // MindMapNode::setLayoutMode()).
    int8_t mode = 0;
    int8_t direction = 0;

    // Zero until an automatic layout first leaves a value: a free-form map never does, and its
    // topics keep no room for them.
    Size measuredSize() const { return _placement ? _placement->measuredSize : Size(); }
    void setMeasuredSize(Size size)
    {
        if (_placement || !isPositiveZero(size.width) || !isPositiveZero(size.height)) placement().measuredSize = size;
    }
    Point connectionPoint() const { return _placement ? _placement->connectionPoint : Point(); }
    void setConnectionPoint(Point point)
    {
        if (_placement || !isPositiveZero(point.x) || !isPositiveZero(point.y)) placement().connectionPoint = point;
    }

    // No tree is 2^31 levels deep.
    mutable int32_t level = 0;
    // The number of hull-showing nodes from the root down to this one.
    mutable int32_t hullDepth = 0;
    // The outermost ancestor with a layout mode, and the nearest of the node and its ancestors
    // with one; nullptr for none.
    mutable const MindMapNode* modeAbove = nullptr;
    mutable const MindMapNode* nearestMode = nullptr;

private:
    // A negative zero is kept: it is a value a layout left.
    static bool isPositiveZero(double value) { return value == 0 && !std::signbit(value); }

    struct Placement {
        Size measuredSize;
        Point connectionPoint;
    };
    Placement& placement()
    {
        if (!_placement) _placement = std::make_unique<Placement>();
        return *_placement;
    }

    std::unique_ptr<Placement> _placement;
};
