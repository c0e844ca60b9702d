#include "layout/ParentRelationRouter.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RelationStyle.h"

#include <cmath>
#include <vector>

namespace {

constexpr int32_t ConnectionCentred = 0;
constexpr int32_t ConnectionBaseline = 1;
constexpr int32_t ConnectionLeftRight = 2;
constexpr int32_t DirectionVertical = 1;
constexpr int32_t DirectionHorizontal = 2;
constexpr int32_t BorderStyleNone = 7;
// How far the curve of a side-connected line keeps its bend from either end.
constexpr double SideControlOffset = 20;
// Not 2: the bend points of a chain were always placed this way, and maps drawn since rely on it.
constexpr double CentredBendDivisor = 2.001;

bool routesChildren(const MindMapNode* node)
{
    return node && node->layoutMode() == 0 && !node->collapsed();
}

int32_t pathStyleOf(const MindMapNode* node)
{
    return node->parentRelation()->style()->relationPathStyle();
}

double clampedOffset(double offset, double delta)
{
    const double half = std::abs(delta) / 2;
    if (std::abs(offset) <= half) return offset;
    return offset > 0 ? half : -half;
}

bool sameSign(double a, double b)
{
    return (a > 0 && b > 0) || (a < 0 && b < 0);
}

// The start of a control handle along an axis: the parent's coordinate moved by the inherited
// offset when that points toward the child and stays short of it, else the bend line.
double handleStart(double parent, double child, double offset, double bend)
{
    const double delta = child - parent;
    if (offset == 0 || !sameSign(offset, delta)) return bend;
    const double moved = parent + offset;
    const bool beyond = delta > 0 ? moved > child : moved < child;
    return beyond ? bend : moved;
}

// A side-connected line's curve or bend between the start and the near end of the child.
void routeSideLine(ParentRelation* relation, int32_t pathStyle, Point start, Point end, double minControlOffset,
                   bool rightSide, bool orthogonalBetweenBounds, const Rect& parentBounds, const Rect& childBounds)
{
    RelationPath& path = relation->relationPath();
    const double mid = (end.x + start.x) / 2;
    switch (pathStyle) {
    case MindMapRelation::PathStyleStraight:
        relation->setHasCustomPath(false);
        path.setStraightLine(start, end);
        break;
    case MindMapRelation::PathStyleCurved: {
        if (relation->hasCustomPath()) {
            path.setCustomBezierEndPointsP0(start, end);
            break;
        }
        double c1 = mid;
        if (minControlOffset > 0) c1 = std::max(c1, start.x + minControlOffset);
        if (minControlOffset < 0) c1 = std::min(c1, start.x + minControlOffset);
        const double c2 =
            rightSide ? std::min(mid, end.x - SideControlOffset) : std::max(mid, end.x + SideControlOffset);
        path.setBezierP0(start, {c1, start.y}, {c2, end.y}, end);
        path.autoStraighten = false;
        break;
    }
    case MindMapRelation::PathStyleOrthogonal: {
        if (orthogonalBetweenBounds) {
            if (relation->hasCustomPath()) path.setCustomOrthogonalEndPoints(parentBounds, childBounds);
            else path.setOrthogonalEndPoints(parentBounds, childBounds);
            break;
        }
        double bend;
        if (relation->hasCustomPath()) bend = mid + path.customOffset().x;
        else if (minControlOffset == 0) bend = start.x + (rightSide ? SideControlOffset : -SideControlOffset);
        else bend = start.x + minControlOffset;
        path.setOrthogonalPoints(start, {bend, start.y}, {bend, end.y}, end);
        break;
    }
    default:
        break;
    }
}

struct SideFrame {
    MindMapNode* node;
    Point connectAt;
    double minControlOffset;
};

// The baseline and left-right routings differ only in where a line ends and leads out.
template <typename RouteChild>
void routeSides(MindMapNode* root, Point connectAt, double minControlOffset, RouteChild routeChild)
{
    std::vector<SideFrame> pending{{root, connectAt, minControlOffset}};
    std::vector<SideFrame> children;
    while (!pending.empty()) {
        const SideFrame frame = pending.back();
        pending.pop_back();
        if (!routesChildren(frame.node)) continue;
        children.clear();
        for (MindMapNode* child : frame.node->children())
            children.push_back(routeChild(frame.node, child, frame.connectAt, frame.minControlOffset));
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
}

} // namespace

ParentRelationRouter::TreeWeights::TreeWeights(const MindMap& mindMap)
{
    std::vector<MindMapNode*> ordered;
    mindMap.collectHierarchicallyOrderedNodes(ordered);
    _sums.reserve(ordered.size());
    // Parents come before their children: backwards, every branch is summed before its parent.
    for (auto it = ordered.rbegin(); it != ordered.rend(); ++it) {
        const MindMapNode* node = *it;
        Sum& sum = _sums[node];
        sum.x += node->location().x;
        sum.count += 1;
        if (node->parent()) {
            Sum& parentSum = _sums[node->parent()];
            parentSum.x += sum.x;
            parentSum.count += sum.count;
        }
    }
}

double ParentRelationRouter::TreeWeights::childTreeWeight(const MindMapNode* node, double anchor) const
{
    auto it = _sums.find(node);
    if (it == _sums.end()) return node ? node->location().x - anchor : 0;
    return it->second.x - it->second.count * anchor;
}

void ParentRelationRouter::updateParentRelations(MindMap& mindMap)
{
    const int32_t connectionStyle = mindMap.style()->connectionStyle();
    if (connectionStyle == ConnectionCentred) {
        for (MindMapNode* theme : mindMap.centralThemes()) updateParentRelations(theme, 0, Point());
        return;
    }
    if (connectionStyle != ConnectionBaseline && connectionStyle != ConnectionLeftRight) return;
    const TreeWeights weights(mindMap);
    for (MindMapNode* theme : mindMap.centralThemes()) {
        if (connectionStyle == ConnectionBaseline) updateParentRelationsBaseline(theme, theme->location(), 0, weights);
        else updateParentRelationsLeftRight(theme, theme->location(), 0, weights);
    }
}

void ParentRelationRouter::updateParentRelations(MindMapNode* node, int32_t bezierControl, Point controlOffset)
{
    struct Frame {
        MindMapNode* node;
        int32_t direction;
        Point offset;
    };
    std::vector<Frame> pending{{node, bezierControl, controlOffset}};
    std::vector<Frame> children;
    while (!pending.empty()) {
        const Frame frame = pending.back();
        pending.pop_back();
        MindMapNode* parent = frame.node;
        if (!routesChildren(parent)) continue;
        const Point p = parent->location();
        children.clear();
        for (MindMapNode* child : parent->children()) {
            const Point c = child->location();
            const Point d = c - p;
            const Point o{clampedOffset(frame.offset.x, d.x), clampedOffset(frame.offset.y, d.y)};
            int32_t direction = frame.direction;
            if (direction == 0) direction = std::abs(d.x) >= std::abs(d.y) ? DirectionHorizontal : DirectionVertical;
            Point p1 = p;
            Point p2 = c;
            Point childOffset;
            if (direction == DirectionHorizontal) {
                const double m = (p.x + c.x) / CentredBendDivisor;
                p1 = {handleStart(p.x, c.x, o.x, m), p.y + d.y / 4};
                p2 = {m, c.y};
                childOffset = {d.x / CentredBendDivisor, 0};
            } else if (direction == DirectionVertical) {
                const double m = (p.y + c.y) / CentredBendDivisor;
                p1 = {p.x + d.x / 4, handleStart(p.y, c.y, o.y, m)};
                p2 = {c.x, m};
                childOffset = {0, d.y / CentredBendDivisor};
            }
            ParentRelation* relation = child->parentRelation();
            RelationPath& path = relation->relationPath();
            path.hasLeadIn = false;
            path.hasLeadOut = false;
            switch (pathStyleOf(child)) {
            case MindMapRelation::PathStyleCurved:
                if (relation->hasCustomPath()) {
                    path.setCustomBezierEndPointsP0(p, c);
                } else {
                    path.setBezierP0(p, p1, p2, c);
                    path.autoStraighten = true;
                }
                break;
            case MindMapRelation::PathStyleOrthogonal:
                if (relation->hasCustomPath()) path.setCustomOrthogonalEndPoints(parent->bounds(), child->bounds());
                else path.setOrthogonalEndPoints(parent->bounds(), child->bounds());
                break;
            case MindMapRelation::PathStyleStraight:
                relation->setHasCustomPath(false);
                path.setStraightLine(p, c);
                break;
            default:
                break;
            }
            children.push_back({child, direction, childOffset});
        }
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
}

void ParentRelationRouter::updateParentRelationsBaseline(MindMapNode* node, Point connectAt, double minControlOffset,
                                                         const TreeWeights& weights)
{
    routeSides(node, connectAt, minControlOffset,
               [&weights](MindMapNode* parent, MindMapNode* child, Point s, double mo) {
                   const Rect r = child->bounds();
                   const double w = weights.childTreeWeight(child, s.x);
                   const bool right = w >= 0;
                   ParentRelation* relation = child->parentRelation();
                   RelationPath& path = relation->relationPath();
                   double baseline = r.maxY();
                   if (child->borderStyle() == BorderStyleNone) baseline += path.leadOutWidth() / 2;
                   const double nearX = right ? r.minX() : r.maxX();
                   const double farX = right ? r.maxX() : r.minX();
                   Point start = s;
                   if (!parent->parent()) start.x = right ? parent->bounds().maxX() : parent->bounds().minX();
                   path.setLeadOutPoint({farX, baseline});
                   path.hasLeadOut = true;
                   path.hasLeadIn = false;
                   routeSideLine(relation, pathStyleOf(child), start, {nearX, baseline}, mo, right, false,
                                 parent->bounds(), r);
                   return SideFrame{child, {farX, baseline}, right ? SideControlOffset : -SideControlOffset};
               });
}

void ParentRelationRouter::updateParentRelationsLeftRight(MindMapNode* node, Point connectAt, double minControlOffset,
                                                          const TreeWeights& weights)
{
    routeSides(node, connectAt, minControlOffset,
               [&weights](MindMapNode* parent, MindMapNode* child, Point s, double mo) {
                   const Rect r = child->bounds();
                   const double inset = child->borderInset();
                   const double w = weights.childTreeWeight(child, s.x);
                   const bool right = w >= 0;
                   const double y = child->location().y;
                   const double nearX = right ? r.minX() + inset : r.maxX() - inset;
                   const double leadOutX = child->childCount() == 0 || child->collapsed()
                       ? child->location().x
                       : (right ? r.maxX() - inset : r.minX() + inset);
                   Point start = s;
                   if (!parent->parent()) {
                       const Rect pb = parent->bounds();
                       const double parentInset = parent->borderInset();
                       const double rightEdge = pb.maxX() - parentInset;
                       const double leftEdge = pb.minX() + parentInset;
                       if (nearX > rightEdge + SideControlOffset) start.x = rightEdge;
                       else if (leftEdge - SideControlOffset > nearX) start.x = leftEdge;
                   }
                   ParentRelation* relation = child->parentRelation();
                   RelationPath& path = relation->relationPath();
                   path.setLeadOutPoint({leadOutX, y});
                   path.hasLeadOut = true;
                   path.hasLeadIn = false;
                   routeSideLine(relation, pathStyleOf(child), start, {nearX, y}, mo, right, true, parent->bounds(), r);
                   return SideFrame{child, {leadOutX, y}, right ? SideControlOffset : -SideControlOffset};
               });
}
