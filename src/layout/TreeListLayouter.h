#pragma once

#include "layout/StrictNodeLayouter.h"

// Layout mode 3: the whole branch below its root as an indented list, each level one step
// further in, to the right or to the left; straight connectors with a lead-in from the previous
// sibling's (or the parent's) centre line.
class TreeListLayouter : public StrictNodeLayouter {
public:
    static constexpr double RowSpacing = 6;
    static constexpr double Indent = 30;
    static constexpr double LeadIn = 20;
    // Reserved beside the widest child: its lead-in and 10 inside the parent's cell.
    static constexpr double ReservedWidth = 30;
    static constexpr Size HiddenExtent{32, 22};
    // A hidden topic's centre stands this far along and across from its cell corner.
    static constexpr Point HiddenOffset{16, 8};
    static constexpr double HullSpacing = 6;

    using StrictNodeLayouter::StrictNodeLayouter;

    int32_t getLayoutMode() const override;
    void doLayoutBranch(MindMapNode* node) override;
    // Left to right unless the root's own direction is 1.
    void layoutCentralTheme(MindMapNode* node, double atX, double atY, bool positionTheme) override;
    // The list below a root, which never moves; atY and positionTheme are not used.
    void doLayoutCentralTheme(MindMapNode* node, double atX, double atY, bool positionTheme, bool leftToRight);
    // Places one topic with the near top corner of its cell at the anchor, and its branch.
    void layoutNode(MindMapNode* node, Point cellAnchor, double anchorY, bool leftToRight);

protected:
    void measureTopic(MindMapNode* node) override;

    // One topic in its cell, growing by the signs along x and y, with its lead-in from anchorY;
    // the height of its cell.
    static double placeCell(MindMapNode* node, Point corner, double anchorY, double xSign, double ySign);
    // Places the children of a topic one below the other from the first cell corner, and the
    // branches below them.
    static void placeListChildren(MindMapNode* node, Point firstCorner, double xSign, double ySign);
};
