#include "layout/StrictHorizontalNodeLayouter.h"

#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"

#include <algorithm>
#include <cmath>

int32_t StrictHorizontalNodeLayouter::getLayoutMode() const
{
    return LayoutModeStrictHorizontal;
}

void StrictHorizontalNodeLayouter::measureTopic(MindMapNode* node)
{
    if (!node->isVisible()) {
        node->setMeasuredSize(HiddenExtent);
        return;
    }
    double children = 0;
    if (!node->collapsed()) {
        for (const MindMapNode* child : node->children()) children += child->measuredSize().height;
    }
    const Rect frame = contentFrame(node);
    double own = frame.height() + Spacing;
    if (baselineConnected()) own += finite(node->parentRelation()->relationPath().leadOutWidth);
    double height = std::max(own, children);
    if (node->childCount() > 1) height += Spacing;
    if (node->showHull()) height += Spacing;
    node->setMeasuredSize(finite(Size{frame.width(), height}));
}

double StrictHorizontalNodeLayouter::baselineY(const MindMapNode* node) const
{
    double y = node->location().y + node->size().height / 2;
    if (node->style()->borderStyle() == NodeStyle::NoBorder)
        y += finite(node->parentRelation()->relationPath().leadOutWidth) / 2;
    return y;
}

void StrictHorizontalNodeLayouter::doLayoutBranch(MindMapNode* node)
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
    double sign = at.x >= parent->location().x ? 1 : -1;
    if (direction == LayoutDirectionLeft) sign = -1;
    if (direction == LayoutDirectionRight) sign = 1;
    const double halfWidth = node->size().width / 2;
    const double marginX = at.x + sign * (halfWidth + Gap);
    Point connection{at.x + sign * (halfWidth - finite(node->borderInset())), at.y};
    if (baselineConnected()) connection.y = baselineY(node);
    setRootConnection(node, connection);
    layoutChildren(node, marginX, at.y, sign > 0);
}

double StrictHorizontalNodeLayouter::calcBranchHeight(const MindMapNode* node, int64_t count)
{
    if (count < 1) return 0;
    const auto& children = node->children();
    const size_t end = std::min(children.size(), static_cast<size_t>(count));
    double sum = 0;
    for (size_t i = 0; i < end; ++i) sum += children[i]->measuredSize().height;
    return sum;
}

size_t StrictHorizontalNodeLayouter::balancedSplit(const std::vector<double>& extents)
{
    double total = 0;
    for (double extent : extents) total += extent;
    double previous = 0;
    double sum = 0;
    size_t added = 0;
    while (added < extents.size()) {
        previous = sum;
        sum += extents[added];
        ++added;
        if (sum >= total / 2) break;
    }
    if (added == 0) return 0;
    return std::fabs(2 * sum - total) <= std::fabs(2 * previous - total) ? added : added - 1;
}

void StrictHorizontalNodeLayouter::layoutCentralTheme(MindMapNode* node, double atX, double atY, bool positionTheme)
{
    if (!node) return;
    const Rect frame = contentFrame(node);
    if (positionTheme) moveContentCentre(node, {atX, atY}, frame);
    const auto& children = node->children();
    if (children.empty()) return;
    const size_t count = children.size();
    size_t right = 0;
    switch (node->layoutDirection()) {
    case LayoutDirectionLeft:
        right = 0;
        break;
    case LayoutDirectionRight:
        right = count;
        break;
    case LayoutDirectionManual: {
        const double themeX = node->location().x;
        right = count;
        for (size_t i = 0; i < count; ++i) {
            if (children[i]->location().x < themeX) {
                right = i;
                break;
            }
        }
        break;
    }
    default: {
        std::vector<double> heights;
        heights.reserve(count);
        for (const MindMapNode* child : children) heights.push_back(child->measuredSize().height);
        right = balancedSplit(heights);
        break;
    }
    }
    const double total = calcBranchHeight(node, static_cast<int64_t>(count));
    const double rightHeight = calcBranchHeight(node, static_cast<int64_t>(right));
    const double leftHeight = total - rightHeight;

    if (positionTheme) {
        const double height = std::max({frame.height(), leftHeight, rightHeight});
        moveContentCentre(node, {atX, atY + height / 2}, frame);
        node->setMeasuredSize(finite(Size{frame.width(), height}));
    } else {
        node->setMeasuredSize(finite(node->size()));
    }
    const double width = node->measuredSize().width;
    const Rect bounds = node->bounds();
    const double inset = finite(node->borderInset());
    const double centreY = node->location().y;

    const Point rightConnection{bounds.maxX() - inset, centreY};
    setRootConnection(node, rightConnection);
    double y = centreY - rightHeight / 2;
    for (size_t i = 0; i < right; ++i) {
        const double height = children[i]->measuredSize().height;
        y += height / 2;
        layoutNode(children[i], atX + width / 2 + Gap, y, true);
        y += height / 2;
    }

    const Point leftConnection{bounds.minX() + inset, centreY};
    setRootConnection(node, leftConnection);
    y = centreY - leftHeight / 2;
    for (size_t i = right; i < count; ++i) {
        const double height = children[i]->measuredSize().height;
        y += height / 2;
        layoutNode(children[i], atX - (width / 2 + Gap), y, false);
        y += height / 2;
    }
}

void StrictHorizontalNodeLayouter::layoutNode(MindMapNode* node, double marginX, double atY, bool leftToRight)
{
    std::vector<Placement> pending{{node, marginX, atY, leftToRight ? 1.0 : -1.0}};
    placeAll(pending);
}

void StrictHorizontalNodeLayouter::layoutChildren(MindMapNode* node, double marginX, double atY, bool leftToRight)
{
    std::vector<Placement> pending;
    queueChildren(node, marginX, atY, leftToRight ? 1.0 : -1.0, pending);
    placeAll(pending);
}

void StrictHorizontalNodeLayouter::queueChildren(MindMapNode* node, double marginX, double atY, double sign,
                                                 std::vector<Placement>& pending)
{
    const auto& children = node->children();
    double total = 0;
    for (const MindMapNode* child : children) total += child->measuredSize().height;
    double y = atY - total / 2;
    const size_t first = pending.size();
    for (MindMapNode* child : children) {
        const double height = child->measuredSize().height;
        pending.push_back({child, marginX, y + height / 2, sign});
        y += height;
    }
    // Taken from the back: the first child is placed first.
    std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(first), pending.end());
}

void StrictHorizontalNodeLayouter::placeAll(std::vector<Placement>& pending)
{
    while (!pending.empty()) {
        const Placement placement = pending.back();
        pending.pop_back();
        placeTopic(placement, pending);
    }
}

void StrictHorizontalNodeLayouter::placeTopic(const Placement& placement, std::vector<Placement>& pending)
{
    MindMapNode* node = placement.node;
    const double sign = placement.sign;
    const Size measured = node->measuredSize();
    moveContentCentre(node, {placement.marginX + sign * measured.width / 2, placement.atY}, contentFrame(node));
    const Point at = node->location();
    const double inset = finite(node->borderInset());
    Point end{placement.marginX + sign * inset, at.y};
    const Growth growth{Gap, true, sign};
    if (baselineConnected()) {
        const double bottom = baselineY(node);
        end.y = node->isVisible() ? bottom : (bottom + at.y) / 2;
        const Point connection{at.x + sign * (node->size().width / 2 - inset), end.y};
        rewriteParentRelation(node, end, growth, &connection);
    } else {
        rewriteParentRelation(node, end, growth);
    }
    if (node->childCount() > 0)
        queueChildren(node, placement.marginX + sign * (measured.width + Gap), placement.atY, sign, pending);
}
