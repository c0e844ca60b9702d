#include "layout/TopDownLayouter.h"

#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/ParentRelation.h"

int32_t TopDownLayouter::getLayoutMode() const
{
    return LayoutModeTopDown;
}

void TopDownLayouter::doLayoutBranch(MindMapNode* node)
{
    if (!node) return;
    MindMap::UpdateGuard update(mindMap());
    measureNode(node);
    const Point at = node->location();
    layoutCentralTheme(node, at.x, at.y, false);
}

void TopDownLayouter::layoutCentralTheme(MindMapNode* node, double atX, double atY, bool positionTheme)
{
    if (!node) return;
    const int32_t direction = node->layoutDirection();
    layoutCentralTheme(node, atX, atY, positionTheme, !IsTopDirection(direction), !IsRightToLeftDirection(direction));
}

void TopDownLayouter::layoutCentralTheme(MindMapNode* node, double atX, double atY, bool positionTheme, bool topDown,
                                         bool leftToRight)
{
    if (!node) return;
    Rect frame = node->bounds();
    if (positionTheme) {
        frame = contentFrame(node);
        moveContentCentre(node, {atX, atY + frame.height() / 2}, frame);
        topDown = true;
    }
    const auto& children = node->children();
    if (children.empty()) return;
    double total = SiblingGap * static_cast<double>(children.size() - 1);
    for (const MindMapNode* child : children) total += child->measuredSize().width;
    const double xSign = leftToRight ? 1 : -1;
    const double ySign = topDown ? 1 : -1;
    const Point at = node->location();
    const double rowY = at.y + ySign * (frame.height() / 2 + RowGap);
    const Point leadOut = finite(Point{at.x, rowY - RowGap * ySign});
    node->parentRelation()->relationPath().setLeadOutPoint(leadOut);
    const double busY = finite(leadOut.y + BusOffset * ySign);

    double x = atX - xSign * total / 2;
    for (MindMapNode* child : children) {
        layoutNode(child, {x, rowY}, rowY, topDown, leftToRight);
        ParentRelation* relation = child->parentRelation();
        RelationPath& path = relation->relationPath();
        const Point childAt = child->location();
        path.hasLeadIn = false;
        path.hasLeadOut = true;
        path.setLeadInPoint({leadOut.x, busY});
        path.setLeadOutPoint(childAt);
        const Point end =
            child->isVisible() ? finite(Point{childAt.x, childAt.y - ySign * child->size().height / 2}) : childAt;
        path.setStraightLine({childAt.x, busY}, end);
        x += xSign * (child->measuredSize().width + SiblingGap);
    }
}

void TopDownLayouter::layoutNode(MindMapNode* node, Point topLeft, double anchorY, bool topDown, bool leftToRight)
{
    const double xSign = leftToRight ? 1 : -1;
    const double ySign = topDown ? 1 : -1;
    const double height = placeCell(node, topLeft, anchorY, xSign, ySign);
    if (node->childCount() > 0 && node->isVisible())
        placeListChildren(node, {topLeft.x + xSign * Indent, topLeft.y + ySign * (height + RowSpacing)}, xSign, ySign);
}
