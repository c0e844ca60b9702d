#pragma once

#include "platform/Geometry.h"

class MindMap;
class MindMapNode;

// Free placement of topics in free-form layout: finds clear places for new topics, branches and
// central themes, and moves topics out of each other's way.
class NodeLayouter {
public:
    // A free location for a new central theme, clear of the existing map.
    static Point newCentralThemeLocation(MindMap& mindMap);

    // Gives a newly made topic its default place near its parent among its siblings; only that
    // topic's location changes.
    static void assignDefaultNodeLocation(MindMapNode* node);

    // Pushes topics that overlap the given one out of its way.
    static void avoidOverlap(MindMapNode* node);

    // Places a branch just linked under a parent relative to that parent, moving it as a whole.
    static void positionBranch(MindMapNode* node);

    // Places a subtree topic by topic; the node itself too when includeNode is set.
    static void layoutSubTree(MindMapNode* node, bool includeNode);
};
