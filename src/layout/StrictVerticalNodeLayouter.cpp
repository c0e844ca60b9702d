#include "layout/StrictVerticalNodeLayouter.h"

#include "MindMaps/LayoutModes.h"

StrictVerticalNodeLayouter::StrictVerticalNodeLayouter(MindMap& mindMap)
    : StrictAxisLayouter(mindMap,
                         Axis{.alongX = false,
                              .gap = Gap,
                              .hiddenExtent = HiddenExtent,
                              .ownSpacing = Spacing,
                              .siblingsSpacing = SiblingsSpacing,
                              .hullSpacing = HullSpacing,
                              .negativeDirection = LayoutDirectionTop,
                              .positiveDirection = LayoutDirectionBottom,
                              .firstSide = -1,
                              .allFirstDirection = LayoutDirectionTop,
                              .noneFirstDirection = LayoutDirectionBottom})
{
}

int32_t StrictVerticalNodeLayouter::getLayoutMode() const
{
    return LayoutModeStrictVertical;
}

double StrictVerticalNodeLayouter::calcBranchWidth(const MindMapNode* node, int64_t count)
{
    return sumAcross(node, count, false);
}

void StrictVerticalNodeLayouter::layoutNode(MindMapNode* node, double atX, double marginY, bool topToBottom)
{
    placeBranch(node, marginY, atX, topToBottom ? 1 : -1);
}

void StrictVerticalNodeLayouter::layoutChildren(MindMapNode* node, double atX, double marginY, bool topToBottom)
{
    placeChildren(node, marginY, atX, topToBottom ? 1 : -1);
}
