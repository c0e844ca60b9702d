#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <unordered_map>

class MindMap;
class MindMapNode;

// Routes the lines from freely placed topics to their children by the map's connection style:
// 0 centred (between topic centres), 1 baseline (along the bottom edges), 2 left-right (between
// the side edges at the centre lines). Strict branches route their own lines; the line from a
// free parent into a strict branch is still routed here.
//
// Every routing walks the tree with a stack of its own, so that no branch is too deep for it.
class ParentRelationRouter {
public:
    // Which side of its parent a branch lies on: the sum, over the branch, of each topic's x
    // offset from an anchor. Summed once per routing pass, bottom up, as the count of topics and
    // the sum of their x, so that asking at every level costs nothing.
    class TreeWeights {
    public:
        explicit TreeWeights(const MindMap& mindMap);
        // 0 or more puts the branch right of its parent, less than 0 left.
        double childTreeWeight(const MindMapNode* node, double anchor) const;

    private:
        struct Sum {
            double x = 0;
            double count = 0;
        };
        std::unordered_map<const MindMapNode*, Sum> _sums;
    };

    // Every central theme's branch by the map's connection style; nothing for an unknown style.
    static void updateParentRelations(MindMap& mindMap);

    // Direction code 0 picks horizontal or vertical per line, 1 vertical, 2 horizontal.
    static void updateParentRelations(MindMapNode* node, int32_t bezierControl, Point controlOffset);
    static void updateParentRelationsBaseline(MindMapNode* node, Point connectAt, double minControlOffset,
                                              const TreeWeights& weights);
    static void updateParentRelationsLeftRight(MindMapNode* node, Point connectAt, double minControlOffset,
                                               const TreeWeights& weights);
};
