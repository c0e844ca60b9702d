#pragma once

#include "MindMaps/ContainedElement.h"
#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/ParentRelation.h"
#include "platform/Color.h"
#include "render/GrahamScan.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class BranchBounds;
class MindMap;
class MindMapNode;

// One hull: the convex outline round a hulled branch, and its colours.
class MapHull {
public:
    static constexpr double DefaultStrokeWidth = 0.5;

    void copyPoints(const std::vector<GrahamPoint>& points) { _points = points; }
    const std::vector<GrahamPoint>& points() const { return _points; }
    const std::optional<Color>& fillColor() const { return _fillColor; }
    void setFillColor(const std::optional<Color>& color) { _fillColor = color; }
    const std::optional<Color>& strokeColor() const { return _strokeColor; }
    void setStrokeColor(const std::optional<Color>& color) { _strokeColor = color; }
    double strokeWidth() const { return _strokeWidth; }
    // The smallest rectangle holding the outline's points.
    Rect bounds() const;

private:
    std::vector<GrahamPoint> _points;
    std::optional<Color> _fillColor;
    std::optional<Color> _strokeColor;
    double _strokeWidth = DefaultStrokeWidth;
};

// What a topic's branch gives the reach of the hull round it (MapHullBuilder::branchHullReach):
// the box of every point the hull scans of the branch are given, and how many hulls nest in it.
// Built from the leaves up, each branch from its children's, so that the reaches of nested hulls
// cost one walk of the map together.
struct HullReachPart {
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    // Hulls below the branch's topic on the deepest way down, the topic's own not counted.
    int nestedHulls = 0;

    void add(Point p);
    void add(const Rect& r);
};

// Builds the hulls of a whole map from its current layout and gives every topic the colour of the
// hull it lies in. Hulls nest: an inner hull's outline goes into the hull round it, which thus
// keeps a margin from it.
class MapHullBuilder {
public:
    // In post-order: inner hulls before the hulls round them. Painting runs from the end, so the
    // outer hull lies below the inner ones.
    //
    // With a clip (map coordinates), an outermost hull that cannot meet it is left out with all
    // hulls inside it, and the topics of its branch keep the colour they had: none of them meets
    // the clip either, so no painting of that clip reads it. Hulls are rebuilt at every repaint,
    // and the canvas shows a small part of a large map. With the map's branch bounds, branches
    // outside any hull that cannot meet the clip are passed over as well.
    const std::vector<MapHull>& buildHullsForMindMap(MindMap& mindMap, const std::optional<Rect>& clip = std::nullopt,
                                                     const BranchBounds* branchBounds = nullptr);
    void buildHullsForBranch(MindMapNode& node, std::optional<Color> currentColor);
    // The hull style's own colour, else one derived from the topic's fill and nesting level.
    Color hullColor(const MindMapNode& node) const;
    // The colour's hue and saturation at a lightness set by the background: on a light background
    // each nesting level a little darker than it, on a dark one a little lighter.
    Color calcHullColor(const Color& color, int64_t level) const;

    const std::vector<MapHull>& hulls() const { return _hullStack; }

    // A rectangle that holds the hull of the branch of a hulled topic and every hull inside it.
    static Rect branchHullReach(const MindMapNode& branch);
    // The part of the topic's branch, from the parts of its children: childPart answers the part
    // of a child that has one to give (a visible child of a topic that is not collapsed).
    template <typename ChildPart> static HullReachPart branchHullPart(const MindMapNode& node, ChildPart&& childPart);
    // The reach of a hulled topic's hull, from the part of its branch.
    static Rect hullReach(const HullReachPart& part);
    // Topics in list and top-down layouts hang below their parent relation's start point, which
    // the hull must enclose as well.
    static bool hangsFromRelationStart(const MindMapNode& node);

private:
    // Closes the topic's scan into a hull and hands its outline to the enclosing scan.
    void finishHull(MindMapNode& node);
    GrahamScan* currentGrahamScan() { return _scannerStack.empty() ? nullptr : _scannerStack.back().get(); }
    // Whether the hull of the branch, and every hull inside it, may meet the clip.
    bool branchHullMayMeetClip(const MindMapNode& branch) const;

    std::vector<MapHull> _hullStack;
    std::vector<std::unique_ptr<GrahamScan>> _scannerStack;
    Color _backgroundColor = Color::white();
    double _backgroundLuminance = 1.0;
    std::optional<Rect> _clip;
    const BranchBounds* _branchBounds = nullptr;
};

template <typename ChildPart>
HullReachPart MapHullBuilder::branchHullPart(const MindMapNode& node, ChildPart&& childPart)
{
    HullReachPart part;
    part.add(node.bounds());
    if (node.hasContainedElements())
        for (ContainedElement* element : node.containedElements()) part.add(element->bounds());
    if (node.collapsed()) return part;
    for (MindMapNode* child : node.children()) {
        const RelationPath& path = child->parentRelation()->relationPath();
        if (child->isVisible() && child->parentRelation()->hasContainedElements())
            for (ContainedElement* element : child->parentRelation()->containedElements()) part.add(element->bounds());
        if (child->isHidden()) part.add(path.endPoint());
        if (hangsFromRelationStart(*child)) part.add(path.p0);
        if (!child->isVisible()) continue;
        const HullReachPart& below = childPart(*child);
        part.minX = std::min(part.minX, below.minX), part.maxX = std::max(part.maxX, below.maxX);
        part.minY = std::min(part.minY, below.minY), part.maxY = std::max(part.maxY, below.maxY);
        part.nestedHulls = std::max(part.nestedHulls, below.nestedHulls + (child->showHull() ? 1 : 0));
    }
    return part;
}
