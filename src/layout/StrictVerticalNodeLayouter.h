#pragma once

#include "layout/StrictAxisLayouter.h"

// Layout mode 2: each topic's children stand in a row above or below it, centred on it; a root
// can have a row above and a row below, balanced by width. The horizontal layout with the axes
// exchanged, without a baseline variant.
class StrictVerticalNodeLayouter : public StrictAxisLayouter {
public:
    static constexpr double Gap = 60;
    static constexpr Size HiddenExtent{44, 16};
    static constexpr double Spacing = 12;
    static constexpr double SiblingsSpacing = 4;
    static constexpr double HullSpacing = 6;

    explicit StrictVerticalNodeLayouter(MindMap& mindMap);

    int32_t getLayoutMode() const override;

    // The summed measured widths of the first count children; 0 for a count below 1.
    static double calcBranchWidth(const MindMapNode* node, int64_t count);
    // Places one topic and its branch: atX is its centre line, marginY the y of its near edge.
    void layoutNode(MindMapNode* node, double atX, double marginY, bool topToBottom);
    // Places all children of a topic in one row centred on atX.
    void layoutChildren(MindMapNode* node, double atX, double marginY, bool topToBottom);
};
