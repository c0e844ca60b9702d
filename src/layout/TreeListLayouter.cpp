#include "layout/TreeListLayouter.h"

#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/ParentRelation.h"

#include <algorithm>
#include <vector>

int32_t TreeListLayouter::getLayoutMode() const
{
    return LayoutModeList;
}

void TreeListLayouter::measureTopic(MindMapNode* node)
{
    if (!node->isVisible()) {
        node->setMeasuredSize(HiddenExtent);
        return;
    }
    const Rect frame = contentFrame(node);
    double width = frame.width();
    double height = frame.height() + RowSpacing;
    if (node->childCount() > 0 && !node->collapsed()) {
        double widest = 0;
        for (const MindMapNode* child : node->children()) {
            widest = std::max(widest, child->measuredSize().width);
            height += child->measuredSize().height;
        }
        width = std::max(width, widest + ReservedWidth);
    }
    if (node->showHull()) height += HullSpacing;
    node->setMeasuredSize(finite(Size{width, height}));
}

void TreeListLayouter::doLayoutBranch(MindMapNode* node)
{
    if (!node) return;
    MindMap::UpdateGuard update(mindMap());
    measureNode(node);
    const Point at = node->location();
    doLayoutCentralTheme(node, at.x, at.y, false, MindMapNode::isListLayoutLeftToRight(node));
}

void TreeListLayouter::layoutCentralTheme(MindMapNode* node, double atX, double atY, bool positionTheme)
{
    if (!node) return;
    doLayoutCentralTheme(node, atX, atY, positionTheme, node->layoutDirection() != LayoutDirectionLeft);
}

void TreeListLayouter::doLayoutCentralTheme(MindMapNode* node, double atX, double, bool, bool leftToRight)
{
    if (!node || node->childCount() == 0 || !node->isVisible() || node->collapsed()) return;
    const double sign = leftToRight ? 1 : -1;
    const Point corner{atX + sign * (Indent - node->size().width / 2), node->bounds().maxY() + RowSpacing};
    placeListChildren(node, corner, sign, 1);
}

void TreeListLayouter::layoutNode(MindMapNode* node, Point cellAnchor, double anchorY, bool leftToRight)
{
    const double sign = leftToRight ? 1 : -1;
    const double height = placeCell(node, cellAnchor, anchorY, sign, 1);
    if (node->childCount() > 0 && node->isVisible())
        placeListChildren(node, {cellAnchor.x + sign * Indent, cellAnchor.y + height + RowSpacing}, sign, 1);
}

double TreeListLayouter::placeCell(MindMapNode* node, Point corner, double anchorY, double xSign, double ySign)
{
    double height;
    if (node->isHidden()) {
        node->setLocation({corner.x + xSign * HiddenOffset.x, corner.y + ySign * HiddenOffset.y});
        height = node->size().height;
    } else {
        const Rect frame = contentFrame(node);
        moveContentCentre(node, {corner.x + xSign * frame.width() / 2, corner.y + ySign * frame.height() / 2}, frame);
        height = frame.height();
    }
    ParentRelation* relation = node->parentRelation();
    relation->setHasCustomPath(false);
    RelationPath& path = relation->relationPath();
    path.hasLeadIn = true;
    path.hasLeadOut = false;
    const double leadInX = finite(corner.x - xSign * LeadIn);
    path.setLeadInPoint({leadInX, finite(anchorY)});
    const Point at = node->location();
    path.setStraightLine({leadInX, at.y}, at);
    return height;
}

void TreeListLayouter::placeListChildren(MindMapNode* node, Point firstCorner, double xSign, double ySign)
{
    struct Level {
        MindMapNode* node;
        Point firstCorner;
    };
    // Each topic's children are placed together, then their own children: a sibling's lead-in
    // starts at the previous sibling's centre line, which is known once that sibling stands.
    std::vector<Level> pending{{node, firstCorner}};
    while (!pending.empty()) {
        const Level level = pending.back();
        pending.pop_back();
        double y = level.firstCorner.y;
        double anchorY = level.node->location().y;
        const size_t first = pending.size();
        for (MindMapNode* child : level.node->children()) {
            const Point corner{level.firstCorner.x, y};
            const double height = placeCell(child, corner, anchorY, xSign, ySign);
            if (child->childCount() > 0 && child->isVisible())
                pending.push_back({child, {corner.x + xSign * Indent, corner.y + ySign * (height + RowSpacing)}});
            y += ySign * child->measuredSize().height;
            anchorY = child->location().y;
        }
        std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(first), pending.end());
    }
}
