#pragma once

#include "platform/BezierPath.h"

class MapHull;
class MindMapPainter;

// Draws hulls for one painter: filled in the hull's colour and outlined, dimmed while the painter
// searches or focuses. A hull needs at least 3 points; one outside the clip costs nothing.
class HullPainter {
public:
    explicit HullPainter(MindMapPainter& painter);

    // The outline with corners rounded by 5 points.
    void paintHull(const MapHull& hull);
    // The plain polygon, for simplified painting.
    void paintHullSimplified(const MapHull& hull);

private:
    // Appends the corner at the segment's start and the straight stretch of a long segment.
    void paintSegmentFrom(Point a, Point b);
    bool meetsClip(const MapHull& hull) const;

    MindMapPainter& _painter;
    bool _searching = false;
    BezierPath _path;
};
