#pragma once

#include <cstdint>

class MindMap;
class MindMapNode;

// The automatic ("strict") layouts of a branch or of a whole map.
class StrictNodeLayouter {
public:
    // Lays out the whole map with the strict horizontal layouter, stacking its central themes.
    static void layoutMindMapStrictHorizontal(MindMap& mindMap);

    // Lays out one branch with the layouter of the given mode without changing the node's own
    // mode; nothing for a node without children or a mode that has no strict layouter.
    static void layoutBranch(MindMapNode* node, int32_t layoutMode);
};
