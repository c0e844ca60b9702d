#pragma once

#include "layout/StrictNodeLayouter.h"

#include <cstddef>
#include <vector>

// Layout mode 1: each topic's children stand in a column beside it, centred on it; a root can
// have a column on each side, balanced by height. Also lays out whole imported maps.
class StrictHorizontalNodeLayouter : public StrictNodeLayouter {
public:
    static constexpr double Gap = 50;
    static constexpr Size HiddenExtent{32, 22};
    static constexpr double Spacing = 6;

    using StrictNodeLayouter::StrictNodeLayouter;

    int32_t getLayoutMode() const override;
    void doLayoutBranch(MindMapNode* node) override;
    void layoutCentralTheme(MindMapNode* node, double atX, double atY, bool positionTheme) override;

    // The summed measured heights of the first count children; 0 for a count below 1.
    static double calcBranchHeight(const MindMapNode* node, int64_t count);
    // Places one topic and its branch: marginX is the x of its near edge, atY its centre line.
    void layoutNode(MindMapNode* node, double marginX, double atY, bool leftToRight);
    // Places all children of a topic in one column centred on atY.
    void layoutChildren(MindMapNode* node, double marginX, double atY, bool leftToRight);

    // How many of the extents, taken in order, go to the first side so that both sides are as even
    // as can be: a tie gives the first side the extra one.
    static size_t balancedSplit(const std::vector<double>& extents);

protected:
    void measureTopic(MindMapNode* node) override;

private:
    struct Placement {
        MindMapNode* node;
        double marginX;
        double atY;
        double sign;
    };
    // Places one topic and queues its children.
    void placeTopic(const Placement& placement, std::vector<Placement>& pending);
    static void queueChildren(MindMapNode* node, double marginX, double atY, double sign,
                              std::vector<Placement>& pending);
    void placeAll(std::vector<Placement>& pending);
    // Where the lines of a baseline-connected map run along a topic's bottom edge.
    double baselineY(const MindMapNode* node) const;
};
