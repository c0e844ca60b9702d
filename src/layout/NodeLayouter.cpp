#include "layout/NodeLayouter.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/GeometryHelpers.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <unordered_map>

namespace {

constexpr double Degree = std::numbers::pi / 180;
constexpr double MainBranchRadiusX = 100;
constexpr double MainBranchOffsetX = 70;
constexpr double MainBranchRadiusY = 300;
constexpr double OverlapMarginX = 8;
constexpr double OverlapMarginY = 2;
constexpr double MoveAwayStep = 10;
constexpr double MoveAwayMinimumLimit = 300;
constexpr double EllipseProbeLength = 1000;
constexpr double NoTopicDistanceSqr = 1e12;

// 0 for a central theme, 1 for a main topic, 2 for anything deeper: all placement asks, and
// cheaper than counting levels on a deep branch.
int placementLevel(const MindMapNode* node)
{
    if (!node->parent()) return 0;
    return node->parent()->parent() ? 2 : 1;
}

Rect rectCenteredAt(Point center, Size size)
{
    return {center.x - size.width / 2, center.y - size.height / 2, size.width, size.height};
}

} // namespace

// A uniform grid over the obstacles' bounds. A candidate place can only be rejected by an obstacle
// whose bounds come within the clear gap of the candidate, so only the cells under the candidate
// grown by that gap are looked at. Obstacles the grid cannot hold safely (no area, huge, far out)
// are looked at for every candidate, which keeps the answers exactly those of the plain scan.
class ObstacleGrid {
public:
    void add(const MindMapNode* node)
    {
        const Rect bounds = node->bounds();
        const auto index = static_cast<uint32_t>(_entries.size());
        _entries.push_back({node, 0});
        int64_t x0, y0, x1, y1;
        if (!cellRange(bounds, x0, y0, x1, y1) || (x1 - x0 + 1) * (y1 - y0 + 1) > MaxCellsPerObstacle) {
            _everywhere.push_back(index);
            return;
        }
        for (int64_t y = y0; y <= y1; ++y)
            for (int64_t x = x0; x <= x1; ++x) _cells[key(x, y)].push_back(index);
    }

    // Calls the visitor once for every obstacle that might reach into the area, until it answers
    // true; returns whether it did.
    template <typename Visitor> bool anyNear(const Rect& area, Visitor&& visitor)
    {
        ++_stamp;
        auto visit = [&](uint32_t index) {
            Entry& entry = _entries[index];
            if (entry.stamp == _stamp) return false;
            entry.stamp = _stamp;
            return visitor(entry.node);
        };
        for (uint32_t index : _everywhere)
            if (visit(index)) return true;
        int64_t x0, y0, x1, y1;
        // An area over more cells than there are obstacles is cheaper to answer by visiting them all.
        if (!cellRange(area, x0, y0, x1, y1) ||
            static_cast<double>(x1 - x0 + 1) * static_cast<double>(y1 - y0 + 1) >
                static_cast<double>(_entries.size())) {
            for (uint32_t index = 0; index < _entries.size(); ++index)
                if (visit(index)) return true;
            return false;
        }
        for (int64_t y = y0; y <= y1; ++y) {
            for (int64_t x = x0; x <= x1; ++x) {
                auto it = _cells.find(key(x, y));
                if (it == _cells.end()) continue;
                for (uint32_t index : it->second)
                    if (visit(index)) return true;
            }
        }
        return false;
    }

private:
    static constexpr double CellSize = 256;
    static constexpr double MaxCoordinate = 1e9;
    static constexpr int64_t MaxCellsPerObstacle = 64;

    struct Entry {
        const MindMapNode* node;
        uint64_t stamp;
    };

    static bool cellRange(const Rect& r, int64_t& x0, int64_t& y0, int64_t& x1, int64_t& y1)
    {
        if (!(r.width() > 0) || !(r.height() > 0)) return false;
        for (double v : {r.minX(), r.minY(), r.maxX(), r.maxY()})
            if (!(std::abs(v) < MaxCoordinate)) return false;
        x0 = static_cast<int64_t>(std::floor(r.minX() / CellSize));
        y0 = static_cast<int64_t>(std::floor(r.minY() / CellSize));
        x1 = static_cast<int64_t>(std::floor(r.maxX() / CellSize));
        y1 = static_cast<int64_t>(std::floor(r.maxY() / CellSize));
        return true;
    }
    static uint64_t key(int64_t x, int64_t y)
    {
        return (static_cast<uint64_t>(static_cast<uint32_t>(x)) << 32) | static_cast<uint32_t>(y);
    }

    std::vector<Entry> _entries;
    std::vector<uint32_t> _everywhere;
    std::unordered_map<uint64_t, std::vector<uint32_t>> _cells;
    uint64_t _stamp = 0;
};

// ---- Angle lists ----

bool AngleList::containsAngle(double angle) const
{
    return std::any_of(_angles.begin(), _angles.end(),
                       [angle](float stored) { return std::abs(static_cast<double>(stored) - angle) < Degree; });
}

void AngleList::addAnglesStep(double step, double maxAngle)
{
    if (!(step > 0)) return;
    for (double a = 0; a <= maxAngle; a += step) {
        if (!containsAngle(a)) add(a);
        if (!containsAngle(-a)) add(-a);
    }
}

void AngleList::addDefaultRootAngles()
{
    constexpr double pi = std::numbers::pi;
    for (double a : {-pi / 3, -pi / 7, 0.0, pi / 7, pi / 3, 2 * pi / 3, 6 * pi / 7, pi, 8 * pi / 7, -2 * pi / 3})
        add(a);
}

void AngleList::addRootAngles()
{
    addAnglesStep(30 * Degree, 180 * Degree);
    addAnglesStep(10 * Degree, 180 * Degree);
}

void AngleList::addBranchAngles()
{
    addAnglesStep(30 * Degree, 45 * Degree);
    addAnglesStep(5 * Degree, 45 * Degree);
}

// ---- Ellipses ----

Point EllipseRayPoint(Point point, const Rect& rect)
{
    const Point c = rect.center();
    const double dx = point.x - c.x;
    const double dy = point.y - c.y;
    if ((dx == 0 && dy == 0) || rect.width() == 0 || rect.height() == 0) return point;
    const double a = rect.width() / 2;
    const double b = rect.height() / 2;
    auto singleRoot = [](double v) { return static_cast<double>(std::sqrt(static_cast<float>(v))); };
    if (std::abs(dy) > std::abs(dx)) {
        const double q = dx / dy;
        const double y = 1 / singleRoot(q * q / (a * a) + 1 / (b * b));
        return {c.x + dx / std::abs(dy) * y, c.y + std::copysign(y, dy)};
    }
    const double q = dy / dx;
    const double x = 1 / singleRoot(q * q / (b * b) + 1 / (a * a));
    return {c.x + std::copysign(x, dx), c.y + dy / std::abs(dx) * x};
}

double EllipseRadiusAtAngle(double angle, const Rect& rect)
{
    const Point c = rect.center();
    return PointDistance(c, EllipseRayPoint(PointAtAngle(c, angle, EllipseProbeLength), rect));
}

// ---- Entry points ----

Point NodeLayouter::newCentralThemeLocation(MindMap& mindMap)
{
    return NodeLayouter(mindMap).getNewCentralThemeLocation();
}

void NodeLayouter::assignDefaultNodeLocation(MindMapNode* node)
{
    if (!node || !node->mindMap()) return;
    // A new topic is placed by the size it shows, not the one it has before it is first measured.
    node->validateNodeState();
    NodeLayouter layouter(*node->mindMap());
    layouter.assignDefaultNodeLocation(node, node->mindMap()->nodes());
}

void NodeLayouter::avoidOverlap(MindMapNode* node)
{
    if (!node || !node->mindMap()) return;
    node->validateNodeState();
    NodeLayouter(*node->mindMap()).doAvoidOverlap(node);
}

void NodeLayouter::positionBranch(MindMapNode* node)
{
    if (!node || !node->mindMap()) return;
    NodeLayouter(*node->mindMap()).doPositionBranch(node);
}

void NodeLayouter::layoutSubTree(MindMapNode* node, bool includeNode)
{
    if (!node || !node->mindMap()) return;
    NodeLayouter(*node->mindMap()).doLayoutSubTree(node, includeNode);
}

// ---- The layouter ----

NodeLayouter::NodeLayouter(MindMap& mindMap, ObstacleSearch search) : _mindMap(mindMap), _search(search)
{
    _defaultRootAngles.addDefaultRootAngles();
    _rootAngles.addRootAngles();
    _branchAngles.addBranchAngles();
}

NodeLayouter::~NodeLayouter() = default;

void NodeLayouter::setNodes(const std::vector<MindMapNode*>& nodes)
{
    _nodes.clear();
    _grid = _search == ObstacleSearch::Indexed ? std::make_unique<ObstacleGrid>() : nullptr;
    for (MindMapNode* node : nodes) addNode(node);
}

void NodeLayouter::setNodesExcept(const std::unordered_set<const MindMapNode*>& excluded)
{
    std::vector<MindMapNode*> nodes;
    nodes.reserve(_mindMap.nodes().size());
    for (MindMapNode* node : _mindMap.nodes())
        if (!excluded.count(node)) nodes.push_back(node);
    setNodes(nodes);
}

void NodeLayouter::addNode(MindMapNode* node)
{
    _nodes.push_back(node);
    if (_grid) _grid->add(node);
}

bool NodeLayouter::rejectsCenter(const MindMapNode* obstacle, const Rect& candidate, const MindMapNode* node) const
{
    if (obstacle == node || obstacle == node->parent()) return false;
    const Rect bounds = obstacle->bounds();
    if (intersectsRect(candidate, bounds)) return true;
    const Point onObstacle = EllipseRayPoint(candidate.center(), bounds);
    const Point onCandidate = EllipseRayPoint(bounds.center(), candidate);
    return PointDistance(onObstacle, onCandidate) < MinimumGap;
}

bool NodeLayouter::isAcceptedCenter(Point point, const MindMapNode* node) const
{
    const Rect candidate = rectCenteredAt(point, node->size());
    auto rejects = [&](const MindMapNode* obstacle) { return rejectsCenter(obstacle, candidate, node); };
    // A candidate without area measures its gap from the obstacle's own ellipse, wherever the
    // obstacle lies: only the full scan sees that.
    if (!_grid || candidate.isEmpty()) return std::none_of(_nodes.begin(), _nodes.end(), rejects);
    // A little beyond the gap, so that single-precision roots near the edge cannot hide an
    // obstacle the plain scan would see.
    const double slack = 1 + 1e-6 * (std::abs(point.x) + std::abs(point.y) + candidate.width() + candidate.height());
    const double reach = MinimumGap + slack;
    return !_grid->anyNear(insetRect(candidate, -reach, -reach), rejects);
}

bool NodeLayouter::findNodeLocation(MindMapNode* node, const AngleList& angleList, double rotation, double startDist,
                                    double maxDist)
{
    MindMapNode* parent = node->parent();
    if (!parent) return false;
    const Rect parentBounds = parent->bounds();
    const Point parentLocation = parent->location();
    for (double dist = startDist; dist <= maxDist; dist += SearchDistanceStep) {
        for (size_t i = 0; i < angleList.count(); ++i) {
            const double angle = angleList.getAngle(i) + rotation;
            const double radius =
                EllipseRadiusAtAngle(angle, parentBounds) + dist + EllipseRadiusAtAngle(angle, node->bounds());
            const Point candidate = PointAtAngle(parentLocation, angle, radius);
            if (isAcceptedCenter(candidate, node)) {
                node->setLocation(candidate);
                return true;
            }
        }
    }
    return false;
}

bool NodeLayouter::findMainBranchLocation(MindMapNode* node)
{
    MindMapNode* parent = node->parent();
    if (!parent) return false;
    const Point origin = parent->location();
    for (size_t i = 0; i < _defaultRootAngles.count(); ++i) {
        const auto a = static_cast<float>(_defaultRootAngles.getAngle(i));
        const double x = MainBranchRadiusX * static_cast<double>(std::cos(a));
        const double y = MainBranchRadiusY * static_cast<double>(std::sin(a));
        const Point candidate{origin.x + x + MainBranchOffsetX * SignOf(x), origin.y + y};
        if (isAcceptedCenter(candidate, node)) {
            node->setLocation(candidate);
            return true;
        }
    }
    return false;
}

void NodeLayouter::assignRandomLocation(MindMapNode* node)
{
    const Rect area = _mindMap.getVisualArea(true);
    const Point location = node->location();
    double nearest = PointDistance(location, {area.minX(), area.minY()});
    for (Point corner :
         {Point{area.maxX(), area.minY()}, Point{area.maxX(), area.maxY()}, Point{area.minX(), area.maxY()}})
        nearest = std::min(nearest, PointDistance(location, corner));
    AngleList angles;
    angles.addAnglesStep(90 * Degree, 180 * Degree);
    angles.addAnglesStep(45 * Degree, 180 * Degree);
    angles.addAnglesStep(22.5 * Degree, 180 * Degree);
    const Size size = node->size();
    findNodeLocation(node, angles, 0, nearest, std::max(size.width, size.height) + 2 * nearest + MinimumGap);
}

void NodeLayouter::internalAssignDefaultNodeLocation(MindMapNode* node)
{
    const int level = placementLevel(node);
    if (level == 0 || !node->isVisible()) return;
    if (level == 1) {
        if (findMainBranchLocation(node)) return;
        if (findNodeLocation(node, _rootAngles, 0, SearchStartDistance, SearchMaxDistance)) return;
    } else {
        const MindMapNode* parent = node->parent();
        const double rotation = LineAngle(parent->parent()->location(), parent->location());
        if (findNodeLocation(node, _branchAngles, rotation, SearchStartDistance, SearchMaxDistance)) return;
    }
    assignRandomLocation(node);
}

void NodeLayouter::assignDefaultNodeLocation(MindMapNode* node, const std::vector<MindMapNode*>& nodes)
{
    setNodes(nodes);
    internalAssignDefaultNodeLocation(node);
}

void NodeLayouter::doLayoutSubTree(MindMapNode* node, bool includeNode)
{
    std::vector<MindMapNode*> branch;
    node->collectNodeAndChildrenInArray(branch);
    if (!includeNode) branch.erase(branch.begin());
    setNodesExcept(std::unordered_set<const MindMapNode*>(branch.begin(), branch.end()));
    MindMap::UpdateGuard update(_mindMap);
    for (MindMapNode* topic : branch) {
        internalAssignDefaultNodeLocation(topic);
        addNode(topic);
    }
}

void NodeLayouter::doPositionBranch(MindMapNode* node)
{
    std::vector<MindMapNode*> branch;
    node->collectNodeAndChildrenInArray(branch);
    const Point origin = node->location();
    for (MindMapNode* topic : branch) topic->setDragOffset(topic->location() - origin);
    setNodesExcept(std::unordered_set<const MindMapNode*>(branch.begin(), branch.end()));
    MindMap::UpdateGuard update(_mindMap);
    internalAssignDefaultNodeLocation(node);
    const Point placed = node->location();
    for (size_t i = 1; i < branch.size(); ++i) branch[i]->setLocation(placed + branch[i]->dragOffset());
}

bool NodeLayouter::nodeOverlaps(const MindMapNode* node) const
{
    const Rect grown = insetRect(node->bounds(), -OverlapMarginX, -OverlapMarginY);
    return std::any_of(_nodes.begin(), _nodes.end(),
                       [&](const MindMapNode* other) { return intersectsRect(grown, other->bounds()); });
}

bool NodeLayouter::moveAway(MindMapNode* node)
{
    const MindMapNode* parent = node->parent();
    if (!parent) return false;
    const Point from = parent->location();
    const Point original = node->location();
    double distance = PointDistance(from, original);
    const double angle = LineAngle(from, original);
    const double limit = std::max(MoveAwayMinimumLimit, 3 * distance);
    while (distance < limit) {
        distance += MoveAwayStep;
        node->setLocation(PointAtAngle(from, angle, distance));
        if (!nodeOverlaps(node)) return true;
    }
    node->setLocation(original);
    return false;
}

void NodeLayouter::doAvoidOverlap(MindMapNode* node)
{
    if (!node->parent()) return;
    _mindMap.validateElementStates();
    setNodesExcept({node});
    if (!nodeOverlaps(node)) return;
    MindMap::UpdateGuard update(_mindMap);
    if (!moveAway(node)) internalAssignDefaultNodeLocation(node);
}

double NodeLayouter::getMinimumEllipseDistanceSqr(Point point) const
{
    double minimum = NoTopicDistanceSqr;
    bool any = false;
    for (const MindMapNode* node : _mindMap.nodes()) {
        const Rect bounds = node->bounds();
        if (pointInRect(point, bounds)) return 0;
        const double distance = PointDistanceSquared(point, EllipseRayPoint(point, bounds));
        minimum = any ? std::min(minimum, distance) : distance;
        any = true;
    }
    return minimum;
}

Point NodeLayouter::getNewCentralThemeLocation()
{
    if (_mindMap.isEmpty()) return _mindMap.center();
    const Rect area = insetRect(_mindMap.getVisualArea(true), -NewCentralThemeMargin, -NewCentralThemeMargin);
    const Point corners[] = {
        {area.minX(), area.minY()}, {area.maxX(), area.minY()}, {area.maxX(), area.maxY()}, {area.minX(), area.maxY()}};
    Point best = corners[0];
    double bestDistance = getMinimumEllipseDistanceSqr(best);
    for (size_t i = 1; i < std::size(corners); ++i) {
        const double distance = getMinimumEllipseDistanceSqr(corners[i]);
        if (distance > bestDistance) {
            best = corners[i];
            bestDistance = distance;
        }
    }
    return best;
}
