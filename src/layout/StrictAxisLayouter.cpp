#include "layout/StrictAxisLayouter.h"

#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"

#include <algorithm>
#include <cmath>

StrictAxisLayouter::StrictAxisLayouter(MindMap& mindMap, const Axis& axis) : StrictNodeLayouter(mindMap), _axis(axis)
{
}

double StrictAxisLayouter::extraOwnExtent(const MindMapNode*) const
{
    return 0;
}

Point StrictAxisLayouter::branchConnection(const MindMapNode*, Point centred) const
{
    return centred;
}

void StrictAxisLayouter::rewritePlacedRelation(MindMapNode* node, Point end, double sign)
{
    rewriteParentRelation(node, end, Growth{_axis.gap, _axis.alongX, sign});
}

void StrictAxisLayouter::measureTopic(MindMapNode* node)
{
    if (!node->isVisible()) {
        node->setMeasuredSize(_axis.hiddenExtent);
        return;
    }
    double children = 0;
    if (!node->collapsed()) {
        for (const MindMapNode* child : node->children()) children += across(child->measuredSize());
    }
    const Rect frame = contentFrame(node);
    const double own = across(frame.size) + _axis.ownSpacing + extraOwnExtent(node);
    double extent = std::max(own, children);
    if (node->childCount() > 1) extent += _axis.siblingsSpacing;
    if (node->showHull()) extent += _axis.hullSpacing;
    node->setMeasuredSize(finite(size(along(frame.size), extent)));
}

void StrictAxisLayouter::doLayoutBranch(MindMapNode* node)
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
    double sign = along(at) >= along(parent->location()) ? 1 : -1;
    if (direction == _axis.negativeDirection) sign = -1;
    if (direction == _axis.positiveDirection) sign = 1;
    const double half = along(node->size()) / 2;
    const double margin = along(at) + sign * (half + _axis.gap);
    const Point centred = point(along(at) + sign * (half - finite(node->borderInset())), across(at));
    setRootConnection(node, branchConnection(node, centred));
    placeChildren(node, margin, across(at), sign);
}

double StrictAxisLayouter::sumAcross(const MindMapNode* node, int64_t count, bool alongX)
{
    if (count < 1) return 0;
    const auto& children = node->children();
    const size_t end = std::min(children.size(), static_cast<size_t>(count));
    double sum = 0;
    for (size_t i = 0; i < end; ++i) {
        const Size measured = children[i]->measuredSize();
        sum += alongX ? measured.height : measured.width;
    }
    return sum;
}

size_t StrictAxisLayouter::balancedSplit(const std::vector<double>& extents)
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

size_t StrictAxisLayouter::firstGroupCount(const MindMapNode* node) const
{
    const auto& children = node->children();
    const int32_t direction = node->layoutDirection();
    if (direction == _axis.allFirstDirection) return children.size();
    if (direction == _axis.noneFirstDirection) return 0;
    if (direction == LayoutDirectionManual) {
        // Children keep their sides: the first group ends at the first child on the other side.
        const double theme = along(node->location());
        for (size_t i = 0; i < children.size(); ++i) {
            if ((along(children[i]->location()) - theme) * _axis.firstSide < 0) return i;
        }
        return children.size();
    }
    std::vector<double> extents;
    extents.reserve(children.size());
    for (const MindMapNode* child : children) extents.push_back(across(child->measuredSize()));
    return balancedSplit(extents);
}

void StrictAxisLayouter::layoutCentralTheme(MindMapNode* node, double atX, double atY, bool positionTheme)
{
    if (!node) return;
    const Rect frame = contentFrame(node);
    if (positionTheme) moveContentCentre(node, {atX, atY}, frame);
    const auto& children = node->children();
    if (children.empty()) return;
    const size_t count = children.size();
    const size_t first = firstGroupCount(node);
    const bool alongX = _axis.alongX;
    const double total = sumAcross(node, static_cast<int64_t>(count), alongX);
    const double firstExtent = sumAcross(node, static_cast<int64_t>(first), alongX);
    const double secondExtent = total - firstExtent;
    const double atAlong = alongX ? atX : atY;
    const double atAcross = alongX ? atY : atX;

    if (positionTheme) {
        // atAcross is the near border of the branch, which is as wide as the theme or its widest side.
        const double extent = std::max({across(frame.size), firstExtent, secondExtent});
        moveContentCentre(node, point(atAlong, atAcross + extent / 2), frame);
        node->setMeasuredSize(finite(size(along(frame.size), extent)));
    } else {
        node->setMeasuredSize(finite(node->size()));
    }
    const double half = along(node->measuredSize()) / 2;
    const Rect bounds = node->bounds();
    const double inset = finite(node->borderInset());
    const double centre = across(node->location());
    const double low = (alongX ? bounds.minX() : bounds.minY()) + inset;
    const double high = (alongX ? bounds.maxX() : bounds.maxY()) - inset;

    // The first group's lines leave from its side of the theme, then the second group's from the
    // other side: each group is placed before the next connection point is set.
    for (const double sign : {_axis.firstSide, -_axis.firstSide}) {
        const bool firstGroup = sign == _axis.firstSide;
        setRootConnection(node, point(sign > 0 ? high : low, centre));
        const double extent = firstGroup ? firstExtent : secondExtent;
        std::vector<Placement> pending;
        queueLine(children, firstGroup ? 0 : first, firstGroup ? first : count, atAlong + sign * (half + _axis.gap),
                  centre - extent / 2, sign, pending);
        placeAll(pending);
    }
}

void StrictAxisLayouter::placeBranch(MindMapNode* node, double margin, double across, double sign)
{
    std::vector<Placement> pending{{node, margin, across, sign}};
    placeAll(pending);
}

void StrictAxisLayouter::placeChildren(MindMapNode* node, double margin, double across, double sign)
{
    std::vector<Placement> pending;
    const double total = sumAcross(node, static_cast<int64_t>(node->childCount()), _axis.alongX);
    queueLine(node->children(), 0, node->childCount(), margin, across - total / 2, sign, pending);
    placeAll(pending);
}

void StrictAxisLayouter::queueLine(const std::vector<MindMapNode*>& children, size_t first, size_t end, double margin,
                                   double start, double sign, std::vector<Placement>& pending) const
{
    const size_t queued = pending.size();
    double position = start;
    for (size_t i = first; i < end; ++i) {
        const double extent = across(children[i]->measuredSize());
        pending.push_back({children[i], margin, position + extent / 2, sign});
        position += extent;
    }
    // Taken from the back: the first child is placed first.
    std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(queued), pending.end());
}

void StrictAxisLayouter::placeAll(std::vector<Placement>& pending)
{
    while (!pending.empty()) {
        const Placement placement = pending.back();
        pending.pop_back();
        placeTopic(placement, pending);
    }
}

void StrictAxisLayouter::placeTopic(const Placement& placement, std::vector<Placement>& pending)
{
    MindMapNode* node = placement.node;
    const double sign = placement.sign;
    const Size measured = node->measuredSize();
    moveContentCentre(node, point(placement.margin + sign * along(measured) / 2, placement.across), contentFrame(node));
    const Point end = point(placement.margin + sign * finite(node->borderInset()), across(node->location()));
    rewritePlacedRelation(node, end, sign);
    if (node->childCount() == 0) return;
    const double total = sumAcross(node, static_cast<int64_t>(node->childCount()), _axis.alongX);
    queueLine(node->children(), 0, node->childCount(), placement.margin + sign * (along(measured) + _axis.gap),
              placement.across - total / 2, sign, pending);
}
