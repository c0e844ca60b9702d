#pragma once

#include "platform/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

class MindMap;
class MindMapNode;
class ObstacleGrid;

// Angles in radians, stored in single precision in insertion order. Two angles within one degree
// of each other count as the same angle.
class AngleList {
public:
    void add(double angle) { _angles.push_back(static_cast<float>(angle)); }
    double getAngle(size_t index) const { return static_cast<double>(_angles[index]); }
    size_t count() const { return _angles.size(); }
    bool containsAngle(double angle) const;
    // 0, step, 2 step, … up to the maximum, each followed by its negative, skipping angles
    // already in the list.
    void addAnglesStep(double step, double maxAngle);

    void addDefaultRootAngles();
    void addRootAngles();
    void addBranchAngles();

private:
    std::vector<float> _angles;
};

// The point where the ray from the rectangle's centre toward the point meets the ellipse inscribed
// in the rectangle; the point itself when it is the centre or the rectangle has no width or height.
Point EllipseRayPoint(Point point, const Rect& rect);
// The distance from the rectangle's centre to its inscribed ellipse in the direction of the angle.
double EllipseRadiusAtAngle(double angle, const Rect& rect);

// Free placement of topics in free-form layout: finds clear places for new topics, branches and
// central themes, and moves topics out of each other's way. Topics count as the ellipses inscribed
// in their bounds; a place is clear when it keeps 30 from every obstacle.
//
// A layouter serves one operation. By default it looks up obstacles through a uniform grid, which
// accepts and rejects exactly the places the plain scan over every obstacle does.
class NodeLayouter {
public:
    enum class ObstacleSearch { Indexed, Plain };

    static constexpr double SearchStartDistance = 30;
    static constexpr double SearchDistanceStep = 20;
    static constexpr double SearchMaxDistance = 1000;
    static constexpr double MinimumGap = 30;
    static constexpr double NewCentralThemeMargin = 100;

    // A free location for a new central theme, clear of the existing map.
    static Point newCentralThemeLocation(MindMap& mindMap);
    // Gives a newly made topic its default place near its parent; only its location changes.
    static void assignDefaultNodeLocation(MindMapNode* node);
    // Moves a topic that overlaps another out of the way.
    static void avoidOverlap(MindMapNode* node);
    // Finds a new place for a branch root and moves its whole branch rigidly with it.
    static void positionBranch(MindMapNode* node);
    // Places a branch topic by topic; with includeNode false the root keeps its place.
    static void layoutSubTree(MindMapNode* node, bool includeNode);

    explicit NodeLayouter(MindMap& mindMap, ObstacleSearch search = ObstacleSearch::Indexed);
    ~NodeLayouter();
    NodeLayouter(const NodeLayouter&) = delete;
    NodeLayouter& operator=(const NodeLayouter&) = delete;

    bool isAcceptedCenter(Point point, const MindMapNode* node) const;
    bool findNodeLocation(MindMapNode* node, const AngleList& angleList, double rotation, double startDist,
                          double maxDist);
    bool findMainBranchLocation(MindMapNode* node);
    void assignRandomLocation(MindMapNode* node);
    void internalAssignDefaultNodeLocation(MindMapNode* node);
    void assignDefaultNodeLocation(MindMapNode* node, const std::vector<MindMapNode*>& nodes);
    void doLayoutSubTree(MindMapNode* node, bool includeNode);
    void doPositionBranch(MindMapNode* node);
    bool nodeOverlaps(const MindMapNode* node) const;
    bool moveAway(MindMapNode* node);
    void doAvoidOverlap(MindMapNode* node);
    double getMinimumEllipseDistanceSqr(Point point) const;
    Point getNewCentralThemeLocation();

    // The topics that count as obstacles from now on.
    void setNodes(const std::vector<MindMapNode*>& nodes);

private:
    // The obstacles become every topic of the map except the excluded ones.
    void setNodesExcept(const std::unordered_set<const MindMapNode*>& excluded);
    void addNode(MindMapNode* node);
    bool rejectsCenter(const MindMapNode* obstacle, const Rect& candidate, const MindMapNode* node) const;

    MindMap& _mindMap;
    ObstacleSearch _search;
    std::vector<MindMapNode*> _nodes;
    std::unique_ptr<ObstacleGrid> _grid;
    AngleList _defaultRootAngles;
    AngleList _rootAngles;
    AngleList _branchAngles;
};
