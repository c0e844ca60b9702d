#pragma once

#include "layout/StrictNodeLayouter.h"

#include <cstddef>
#include <vector>

// What the horizontal and the vertical layouts share: they are one layout with the axes
// exchanged. A branch grows along one axis, a gap beyond its topic; its children stand in one
// line across it, centred on the topic; a root can have a group of children on each side,
// balanced by their extents across.
class StrictAxisLayouter : public StrictNodeLayouter {
public:
    void doLayoutBranch(MindMapNode* node) override;
    void layoutCentralTheme(MindMapNode* node, double atX, double atY, bool positionTheme) override;

    // How many of the extents, taken in order, go to the first side so that both sides are as even
    // as can be: a tie gives the first side the extra one.
    static size_t balancedSplit(const std::vector<double>& extents);

protected:
    struct Axis {
        // The growth axis: x for the horizontal layout.
        bool alongX;
        // Between a topic's measured extent and its children.
        double gap;
        Size hiddenExtent;
        // Added across to a topic's own extent, to one with more than one child, to one with a hull.
        double ownSpacing;
        double siblingsSpacing;
        double hullSpacing;
        // The directions that grow a branch against and along the axis.
        int32_t negativeDirection;
        int32_t positiveDirection;
        // A root's first group of children stands on this side; all or none of them for these.
        double firstSide;
        int32_t allFirstDirection;
        int32_t noneFirstDirection;
    };

    StrictAxisLayouter(MindMap& mindMap, const Axis& axis);

    void measureTopic(MindMapNode* node) override;
    // Added across to a topic's own extent.
    virtual double extraOwnExtent(const MindMapNode* node) const;
    // Where the lines to the children of a branch's root start.
    virtual Point branchConnection(const MindMapNode* node, Point centred) const;
    // The line to a placed topic; its near edge ends at `end`.
    virtual void rewritePlacedRelation(MindMapNode* node, Point end, double sign);

    // The summed extents across of the first count children; 0 for a count below 1.
    static double sumAcross(const MindMapNode* node, int64_t count, bool alongX);
    // One topic with its near edge at margin, centred across on `across`, and its branch.
    void placeBranch(MindMapNode* node, double margin, double across, double sign);
    // The children of a topic in one line centred on `across`.
    void placeChildren(MindMapNode* node, double margin, double across, double sign);

    const Axis& axis() const { return _axis; }

private:
    struct Placement {
        MindMapNode* node;
        double margin;
        double across;
        double sign;
    };
    // Queues the children of the range, stacked across from `start`.
    void queueLine(const std::vector<MindMapNode*>& children, size_t first, size_t end, double margin, double start,
                   double sign, std::vector<Placement>& pending) const;
    void placeAll(std::vector<Placement>& pending);
    void placeTopic(const Placement& placement, std::vector<Placement>& pending);
    size_t firstGroupCount(const MindMapNode* node) const;

    double along(Point point) const { return _axis.alongX ? point.x : point.y; }
    double across(Point point) const { return _axis.alongX ? point.y : point.x; }
    double along(Size size) const { return _axis.alongX ? size.width : size.height; }
    double across(Size size) const { return _axis.alongX ? size.height : size.width; }
    Point point(double along, double across) const
    {
        return _axis.alongX ? Point{along, across} : Point{across, along};
    }
    Size size(double along, double across) const { return _axis.alongX ? Size{along, across} : Size{across, along}; }

    Axis _axis;
};
