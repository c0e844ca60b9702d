#include "layout/StrictVerticalNodeLayouter.h"

#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/ParentRelation.h"
#include "layout/StrictHorizontalNodeLayouter.h"

#include <algorithm>

int32_t StrictVerticalNodeLayouter::getLayoutMode() const
{
    return LayoutModeStrictVertical;
}

void StrictVerticalNodeLayouter::measureTopic(MindMapNode* node)
{
    if (!node->isVisible()) {
        node->setMeasuredSize(HiddenExtent);
        return;
    }
    double children = 0;
    if (!node->collapsed()) {
        for (const MindMapNode* child : node->children()) children += child->measuredSize().width;
    }
    const Rect frame = contentFrame(node);
    double width = std::max(frame.width() + Spacing, children);
    if (node->childCount() > 1) width += SiblingsSpacing;
    if (node->showHull()) width += HullSpacing;
    node->setMeasuredSize(finite(Size{width, frame.height()}));
}

void StrictVerticalNodeLayouter::doLayoutBranch(MindMapNode* node)
{
    if (!node) return;
    MindMap::UpdateGuard update(mindMap());
    measureNode(node);
    const MindMapNode* parent = node->parent();
    const int32_t direction = node->layoutDirection();
    const Point at = node->location();
    if (!parent || direction == LayoutDirectionManual) {
        layoutCentralTheme(node, at.x, at.y, false);
        return;
    }
    double sign = at.y >= parent->location().y ? 1 : -1;
    if (direction == LayoutDirectionTop) sign = -1;
    if (direction == LayoutDirectionBottom) sign = 1;
    const double halfHeight = node->size().height / 2;
    const double marginY = at.y + sign * (halfHeight + Gap);
    const Point connection{at.x, at.y + sign * (halfHeight - finite(node->borderInset()))};
    setRootConnection(node, connection);
    layoutChildren(node, at.x, marginY, sign > 0);
}

double StrictVerticalNodeLayouter::calcBranchWidth(const MindMapNode* node, int64_t count)
{
    if (count < 1) return 0;
    const auto& children = node->children();
    const size_t end = std::min(children.size(), static_cast<size_t>(count));
    double sum = 0;
    for (size_t i = 0; i < end; ++i) sum += children[i]->measuredSize().width;
    return sum;
}

void StrictVerticalNodeLayouter::layoutCentralTheme(MindMapNode* node, double atX, double atY, bool positionTheme)
{
    if (!node) return;
    const Rect frame = contentFrame(node);
    if (positionTheme) moveContentCentre(node, {atX, atY}, frame);
    const auto& children = node->children();
    if (children.empty()) return;
    const size_t count = children.size();
    size_t upper = 0;
    switch (node->layoutDirection()) {
    case LayoutDirectionTop:
        upper = count;
        break;
    case LayoutDirectionBottom:
        upper = 0;
        break;
    case LayoutDirectionManual: {
        const double themeY = node->location().y;
        upper = count;
        for (size_t i = 0; i < count; ++i) {
            if (children[i]->location().y > themeY) {
                upper = i;
                break;
            }
        }
        break;
    }
    default: {
        std::vector<double> widths;
        widths.reserve(count);
        for (const MindMapNode* child : children) widths.push_back(child->measuredSize().width);
        upper = StrictHorizontalNodeLayouter::balancedSplit(widths);
        break;
    }
    }
    const double total = calcBranchWidth(node, static_cast<int64_t>(count));
    const double upperWidth = calcBranchWidth(node, static_cast<int64_t>(upper));
    const double lowerWidth = total - upperWidth;

    if (positionTheme) {
        const double width = std::max({frame.width(), upperWidth, lowerWidth});
        moveContentCentre(node, {atX + width / 2, atY}, frame);
        node->setMeasuredSize(finite(Size{width, node->measuredSize().height}));
    } else {
        node->setMeasuredSize(finite(node->size()));
    }
    const double height = node->measuredSize().height;
    const Rect bounds = node->bounds();
    const double inset = finite(node->borderInset());
    const double centreX = node->location().x;

    const Point upperConnection{centreX, bounds.minY() + inset};
    setRootConnection(node, upperConnection);
    double x = centreX - upperWidth / 2;
    for (size_t i = 0; i < upper; ++i) {
        const double width = children[i]->measuredSize().width;
        layoutNode(children[i], x + width / 2, atY - (height / 2 + Gap), false);
        x += width;
    }

    const Point lowerConnection{centreX, bounds.maxY() - inset};
    setRootConnection(node, lowerConnection);
    x = centreX - lowerWidth / 2;
    for (size_t i = upper; i < count; ++i) {
        const double width = children[i]->measuredSize().width;
        layoutNode(children[i], x + width / 2, atY + height / 2 + Gap, true);
        x += width;
    }
}

void StrictVerticalNodeLayouter::layoutNode(MindMapNode* node, double atX, double marginY, bool topToBottom)
{
    std::vector<Placement> pending{{node, atX, marginY, topToBottom ? 1.0 : -1.0}};
    placeAll(pending);
}

void StrictVerticalNodeLayouter::layoutChildren(MindMapNode* node, double atX, double marginY, bool topToBottom)
{
    std::vector<Placement> pending;
    queueChildren(node, atX, marginY, topToBottom ? 1.0 : -1.0, pending);
    placeAll(pending);
}

void StrictVerticalNodeLayouter::queueChildren(MindMapNode* node, double atX, double marginY, double sign,
                                               std::vector<Placement>& pending)
{
    const auto& children = node->children();
    double total = 0;
    for (const MindMapNode* child : children) total += child->measuredSize().width;
    double x = atX - total / 2;
    const size_t first = pending.size();
    for (MindMapNode* child : children) {
        const double width = child->measuredSize().width;
        pending.push_back({child, x + width / 2, marginY, sign});
        x += width;
    }
    // Taken from the back: the first child is placed first.
    std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(first), pending.end());
}

void StrictVerticalNodeLayouter::placeAll(std::vector<Placement>& pending)
{
    while (!pending.empty()) {
        const Placement placement = pending.back();
        pending.pop_back();
        placeTopic(placement, pending);
    }
}

void StrictVerticalNodeLayouter::placeTopic(const Placement& placement, std::vector<Placement>& pending)
{
    MindMapNode* node = placement.node;
    const double sign = placement.sign;
    const Size measured = node->measuredSize();
    moveContentCentre(node, {placement.atX, placement.marginY + sign * measured.height / 2}, contentFrame(node));
    const Point end{node->location().x, placement.marginY + sign * finite(node->borderInset())};
    rewriteParentRelation(node, end, Growth{Gap, false, sign});
    if (node->childCount() > 0)
        queueChildren(node, placement.atX, placement.marginY + sign * (measured.height + Gap), sign, pending);
}
