#include "layout/StrictHorizontalNodeLayouter.h"

#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"

StrictHorizontalNodeLayouter::StrictHorizontalNodeLayouter(MindMap& mindMap)
    : StrictAxisLayouter(mindMap,
                         Axis{.alongX = true,
                              .gap = Gap,
                              .hiddenExtent = HiddenExtent,
                              .ownSpacing = Spacing,
                              .siblingsSpacing = Spacing,
                              .hullSpacing = Spacing,
                              .negativeDirection = LayoutDirectionLeft,
                              .positiveDirection = LayoutDirectionRight,
                              .firstSide = 1,
                              .allFirstDirection = LayoutDirectionRight,
                              .noneFirstDirection = LayoutDirectionLeft})
{
}

int32_t StrictHorizontalNodeLayouter::getLayoutMode() const
{
    return LayoutModeStrictHorizontal;
}

double StrictHorizontalNodeLayouter::calcBranchHeight(const MindMapNode* node, int64_t count)
{
    return sumAcross(node, count, true);
}

void StrictHorizontalNodeLayouter::layoutNode(MindMapNode* node, double marginX, double atY, bool leftToRight)
{
    placeBranch(node, marginX, atY, leftToRight ? 1 : -1);
}

void StrictHorizontalNodeLayouter::layoutChildren(MindMapNode* node, double marginX, double atY, bool leftToRight)
{
    placeChildren(node, marginX, atY, leftToRight ? 1 : -1);
}

double StrictHorizontalNodeLayouter::extraOwnExtent(const MindMapNode* node) const
{
    return baselineConnected() ? finite(node->parentRelation()->relationPath().leadOutWidth()) : 0;
}

double StrictHorizontalNodeLayouter::baselineY(const MindMapNode* node) const
{
    double y = node->location().y + node->size().height / 2;
    if (node->currentStyle().borderStyle() == NodeStyle::NoBorder)
        y += finite(node->parentRelation()->relationPath().leadOutWidth()) / 2;
    return y;
}

Point StrictHorizontalNodeLayouter::branchConnection(const MindMapNode* node, Point centred) const
{
    if (baselineConnected()) centred.y = baselineY(node);
    return centred;
}

void StrictHorizontalNodeLayouter::rewritePlacedRelation(MindMapNode* node, Point end, double sign)
{
    if (!baselineConnected()) {
        StrictAxisLayouter::rewritePlacedRelation(node, end, sign);
        return;
    }
    // The line runs into the bottom edge (halfway up for a topic not shown) and continues from the
    // far edge, also where no children follow.
    const Point at = node->location();
    const double bottom = baselineY(node);
    end.y = node->isVisible() ? bottom : (bottom + at.y) / 2;
    const Point connection{at.x + sign * (node->size().width / 2 - finite(node->borderInset())), end.y};
    rewriteParentRelation(node, end, Growth{Gap, true, sign}, &connection);
}
