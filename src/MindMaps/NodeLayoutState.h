#pragma once

#include "platform/Geometry.h"

#include <cstdint>

class MindMapNode;

// What a topic keeps for the layouters: its own layout mode and direction, the sizes and points
// they leave on it, and what is worked out from the tree above it (level, hull depth, layout
// owners), valid while the tree generation it was worked out in stays current.
struct NodeLayoutState {
    int32_t mode = 0;
    int32_t direction = 0;
    Size measuredSize;
    Point connectionPoint;

    mutable uint64_t generation = 0;
    // No tree is 2^31 levels deep.
    mutable int32_t level = 0;
    // The number of hull-showing nodes from the root down to this one.
    mutable int32_t hullDepth = 0;
    // The outermost ancestor with a layout mode, and the nearest of the node and its ancestors
    // with one; nullptr for none.
    mutable const MindMapNode* modeAbove = nullptr;
    mutable const MindMapNode* nearestMode = nullptr;
};
