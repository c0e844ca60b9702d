#pragma once

#include "platform/BezierPath.h"
#include "platform/Geometry.h"

#include <cmath>
#include <cstdint>

// Where an arrow head sits on a relation line: its tip, and the direction in which it points
// (not normalised).
struct ArrowPosition {
    Point position;
    Point direction;
};

// The geometry of one relation line: a parent relation between a topic and its parent, or a cross
// link. Each relation owns one for its lifetime. Layout sets the end points and the shape, the
// painter builds the outline and arrow heads from it, the editor hit-tests it and drags its
// custom handle.
//
// Every shape is held as a cubic control polygon p0, p1, p2, p3 plus a kind:
//   0  cubic Bezier curve p0 → p3 with control points p1, p2
//   1  orthogonal: one to four axis-parallel segments with rounded corners; p1 is the first and p2
//      the last corner, a fourth segment's middle corner is the handle
//   2  straight line p0 → p3
//   3  custom curve: the quadratic curve bent through the user's handle, as the equivalent cubic
// A new path has every field zero: kind 0 from (0, 0) to (0, 0).
class RelationPath {
public:
    // The flatness a path has unless its painter coarsens it; curves are only broken into lines
    // above 1.0.
    static constexpr double DefaultFlatness = 0.6;

    // Read and written directly by the layouters, the painter and the relation.
    Point p0;
    Point p1;
    Point p2;
    Point p3;
    // The flags share their bytes with the path's own ones: every topic has a path. A kind-0 path
    // is drawn as a straight line when its end points are nearly aligned.
    bool autoStraighten : 1 = false;
    bool hasLeadIn : 1 = false;
    bool hasLeadOut : 1 = false;
    // The relation's own mark that the user placed the handle; the path itself does not read it.
    bool customRouted : 1 = false;

    RelationPath() = default;
    RelationPath(const RelationPath& other);
    RelationPath& operator=(const RelationPath& other);
    RelationPath(RelationPath&& other) noexcept;
    RelationPath& operator=(RelationPath&& other) noexcept;
    ~RelationPath();

    // Half the width of a tapered line at its wide end: positive wide at p0, negative wide at p3,
    // 0 untapered.
    int64_t taperWidth() const { return _taperApart ? full().taperWidth : _taperWidth; }
    void setTaperWidth(int64_t width);
    // The width the painter strokes the lead-out with.
    double leadOutWidth() const { return _leadOutWidthApart ? full().leadOutWidth : _leadOutWidth; }
    void setLeadOutWidth(double width);

    // Start of a straight lead-in drawn into p0.
    Point leadInPoint() const { return _extra ? _extra->in : Point(); }
    void setLeadInPoint(Point point)
    {
        if (_extra || !isOrigin(point)) leads().in = point;
    }
    // End of a lead-out continuing from p3; the painter draws it, this class does not.
    Point leadOutPoint() const { return _extra ? _extra->out : Point(); }
    void setLeadOutPoint(Point point)
    {
        if (_extra || !isOrigin(point)) leads().out = point;
    }

    // No geometry yet: both end points are exactly (0, 0), whatever the kind.
    bool isNull() const;
    bool isStraightLine() const { return _bezierStyle == 2; }
    bool isOrthogonal() const { return _bezierStyle == 1; }
    // Whether the last applyToPath built a closed tapered outline to be filled.
    bool pathShouldBeFilled() const { return _fillPath; }

    // The kind (0 to 3), the segment count of an orthogonal route (1 to 4) and the middle corner
    // of a four-segment route.
    int32_t bezierStyle() const { return _bezierStyle; }
    int64_t orthoSegments() const { return _orthoSegments; }
    Point p12() const { return _extraIsFull ? full().p12 : Point(); }

    // The rectangle spanned by the end points only; control points and lead-ins are not included.
    Rect bounds() const;
    Point endPoint() const { return p3; }
    // Waits for its caller in the editor.
    Point p0Point() const { return p0; }

    // The user's handle, as an offset from the midpoint of the end points. Setting it recomputes
    // nothing. An offset that is not a finite number is refused and the previous one kept.
    Point customOffset() const { return _extraIsFull ? full().customOffset : Point(); }
    void setCustomOffset(Point offset);

    // The point at parameter t (0 at p0, 1 at p3): linear for a straight path, the cubic for any
    // other kind (orthogonal paths never ask).
    Point value(double t) const;
    // The tangent at t: p3 − p0 for a straight path, the cubic's derivative otherwise.
    Point derivative(double t) const;

    // Where the relation's label and handle sit.
    Point getLocationPoint() const;

    // The rectangle united with the area of the custom handle (40 × 40 for a custom curve,
    // 2 × 2 for an orthogonal path), so that repaints and map bounds reach it. Other kinds give
    // the rectangle unchanged.
    Rect unionCustomRelationPath(const Rect& rect) const;

    void setBezierP0(Point start, Point control1, Point control2, Point end);
    // p1 coincides with p0 and p2 with p3.
    void setStraightLine(Point start, Point end);
    // A custom curve between new end points, bent through the handle the path already has.
    void setCustomBezierEndPointsP0(Point start, Point end);
    // Recomputes the control points of the custom curve from the end points and the handle; the
    // curve passes through the handle at t = 0.5.
    void updateCustomQuadPath();
    // Three orthogonal segments through corners computed by the caller.
    void setOrthogonalPoints(Point start, Point corner1, Point corner2, Point end);
    // An orthogonal route between the centres of two rectangles, without or through the handle.
    void setOrthogonalEndPoints(const Rect& r0, const Rect& r3);
    void setCustomOrthogonalEndPoints(const Rect& r0, const Rect& r3);
    void updateOrthogonalPath(const Rect& r0, const Rect& r3);
    void updateCustomOrthogonalPath(const Rect& r0, const Rect& r3);
    // Puts the handle at a map point; the caller then routes the relation again. A point that
    // would give an offset that is not a finite number leaves the handle where it was.
    void moveCustomPoint(Point c);

    // Appends the line's outline to the path (tapered lines as a closed outline to fill) and
    // records whether it is to be filled. The flatness is the one the painter chose for the path;
    // above 1.0, curves with a chord longer than 100 are broken into straight lines.
    void applyToPath(BezierPath& path, double flatness = DefaultFlatness);
    // A line from the current point towards corner p, coming from anchor, then a quarter round
    // of at most 4.5 turning towards next.
    static void addOrthoSegment(BezierPath& path, Point anchor, Point p, Point next);

    // Whether a point lies within about 4 of the line (the lead-in included, the lead-out not).
    bool hitTest(Point pt) const;
    // The test of a kind-0 curve: the squares round its ends, then a bisection along the curve,
    // then subdivision for the parts that bulge away from the end points.
    bool cubicHitTest(Point pt) const;
    // The test of a custom curve, by subdivision into short chords.
    bool customBezierHitTest(Point pt) const;

    // Where the line leaves the source or enters the target rectangle, and its direction there.
    ArrowPosition calcTargetArrowPosition(const Rect& rect) const;
    ArrowPosition calcSourceArrowPosition(const Rect& rect) const;
    ArrowPosition calcOrthoTargetArrowPosition(const Rect& rect) const;
    ArrowPosition calcOrthoSourceArrowPosition(const Rect& rect) const;

private:
    void appendCurve(BezierPath& path, double flatness);
    void appendStraightLine(BezierPath& path);
    void appendOrthogonal(BezierPath& path) const;
    // Follows the curve by halving its parameter interval towards the point.
    bool bisectionHitTest(Point pt) const;
    // The offset across the line at its wide end, as long as the taper's half-width; false when
    // the tangent there has no length.
    bool taperOffset(Point& offset) const;

    // What only some lines have, in one block made on first need: the lead-in and lead-out points
    // (only some layouts and connection styles draw them), and beyond them the handle's place and
    // the widths too large or too fine for the path itself (the user's dragged handle, a crafted
    // file). A path with lead points only has the short block, so that the layouts that give every
    // line lead points do not pay for the rest.
    struct Leads {
        Point in;
        Point out;
    };
    struct Full : Leads {
        Point customOffset;
        Point p12;
        int64_t taperWidth = 0;
        double leadOutWidth = 0;
    };
    Leads& leads();
    Full& full();
    // Everything but the block.
    void takeValues(const RelationPath& other);
    const Full& full() const { return *static_cast<const Full*>(_extra); }
    void freeExtra();
    // What a path without lead points answers; a negative zero is a value a layout left.
    static bool isOrigin(Point point)
    {
        return point.x == 0 && point.y == 0 && !std::signbit(point.x) && !std::signbit(point.y);
    }

    // Stored small (0 to 3 and 0 to 4) and next to the flags above: with the widths below, a
    // topic's line then fits the allocator's next smaller size.
    bool _fillPath : 1 = false;
    uint8_t _bezierStyle : 2 = 0;
    uint8_t _orthoSegments : 3 = 0;
    bool _extraIsFull : 1 = false;
    // The width is held in the full block, not below.
    bool _taperApart : 1 = false;
    bool _leadOutWidthApart : 1 = false;
    // The widths every layout sets, as long as they are held exactly.
    int16_t _taperWidth = 0;
    float _leadOutWidth = 0;
    Leads* _extra = nullptr;
};
