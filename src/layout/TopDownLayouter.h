#pragma once

#include "layout/TreeListLayouter.h"

// Layout mode 4: an organisation chart. The root's children stand in one row below (or above)
// it, joined to it by a horizontal bus; every deeper level hangs below its parent as an indented
// list, measured and placed like the tree list with the vertical sign applied.
class TopDownLayouter : public TreeListLayouter {
public:
    static constexpr double RowGap = 60;
    static constexpr double SiblingGap = 20;
    static constexpr double BusOffset = 15;

    using TreeListLayouter::TreeListLayouter;

    int32_t getLayoutMode() const override;
    void doLayoutBranch(MindMapNode* node) override;
    // Downward unless the root's direction is a top one; right to left for 4 and 6.
    void layoutCentralTheme(MindMapNode* node, double atX, double atY, bool positionTheme) override;
    // Positioning puts the root's top at atY and grows the chart downward whatever topDown says.
    void layoutCentralTheme(MindMapNode* node, double atX, double atY, bool positionTheme, bool topDown,
                            bool leftToRight);
    // Places one topic of a deeper level with its near corner at topLeft, and its branch.
    void layoutNode(MindMapNode* node, Point topLeft, double anchorY, bool topDown, bool leftToRight);
};
