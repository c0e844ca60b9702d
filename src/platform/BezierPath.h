#pragma once

#include "platform/Geometry.h"

#include <vector>

typedef struct _cairo cairo_t;

enum class LineJoinStyle { Miter = 0, Round = 1, Bevel = 2 };

// A path of lines and cubic curves that the model and the shapes build without a drawing
// context, and that is replayed into cairo when painted.
class BezierPath {
public:
    enum class ElementType { MoveTo, LineTo, CurveTo, ClosePath };
    struct Element {
        ElementType type;
        Point points[3]; // MoveTo/LineTo: points[0]; CurveTo: control 1, control 2, end point
    };

    void moveTo(Point p);
    void lineTo(Point p);
    void curveTo(Point end, Point control1, Point control2);
    void closePath();

    // A circular arc around centre from startAngle to endAngle (degrees), approximated by cubic
    // curves. When the path has a current point, a line joins it to the arc's start first.
    void appendArc(Point center, double radius, double startAngle, double endAngle, bool clockwise = false);
    void appendRect(const Rect& r);
    void appendOval(const Rect& r);

    bool isEmpty() const { return _elements.empty(); }
    bool hasCurrentPoint() const { return _hasCurrentPoint; }
    Point currentPoint() const { return _currentPoint; }
    const std::vector<Element>& elements() const { return _elements; }

    // The smallest rectangle holding every point of the path, control points included.
    Rect controlPointBounds() const;

    LineJoinStyle lineJoinStyle() const { return _lineJoin; }
    void setLineJoinStyle(LineJoinStyle s) { _lineJoin = s; }
    double lineWidth() const { return _lineWidth; }
    void setLineWidth(double w) { _lineWidth = w; }

    // Appends the path to cairo's current path (and sets the line join and width).
    void addToCairo(cairo_t* cr) const;

private:
    std::vector<Element> _elements;
    Point _currentPoint;
    Point _subpathStart;
    bool _hasCurrentPoint = false;
    LineJoinStyle _lineJoin = LineJoinStyle::Miter;
    double _lineWidth = 1.0;
};
