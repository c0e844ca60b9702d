#pragma once

#include "layout/StrictAxisLayouter.h"

// Layout mode 1: each topic's children stand in a column beside it, centred on it; a root can
// have a column on each side, balanced by height. Also lays out whole imported maps. On a
// baseline-connected map the lines run along the topics' bottom edges.
class StrictHorizontalNodeLayouter : public StrictAxisLayouter {
public:
    static constexpr double Gap = 50;
    static constexpr Size HiddenExtent{32, 22};
    static constexpr double Spacing = 6;

    explicit StrictHorizontalNodeLayouter(MindMap& mindMap);

    int32_t getLayoutMode() const override;

    // The summed measured heights of the first count children; 0 for a count below 1.
    static double calcBranchHeight(const MindMapNode* node, int64_t count);
    // Places one topic and its branch: marginX is the x of its near edge, atY its centre line.
    void layoutNode(MindMapNode* node, double marginX, double atY, bool leftToRight);
    // Places all children of a topic in one column centred on atY.
    void layoutChildren(MindMapNode* node, double marginX, double atY, bool leftToRight);

protected:
    double extraOwnExtent(const MindMapNode* node) const override;
    Point branchConnection(const MindMapNode* node, Point centred) const override;
    void rewritePlacedRelation(MindMapNode* node, Point end, double sign) override;

private:
    // Where the lines of a baseline-connected map run along a topic's bottom edge.
    double baselineY(const MindMapNode* node) const;
};
