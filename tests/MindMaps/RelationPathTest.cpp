#include "MindMaps/RelationPath.h"

#include "Utils/GeometryHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace {

using Type = BezierPath::ElementType;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

// The factors that pull a taper's control points in, as the single-precision 0.66 and 0.33.
constexpr double Near = 0.6600000262260437;
constexpr double Far = 0.33000001311302185;

// Two 40 × 20 topics centred at (0, 0) and (200, 100).
const Rect SourceRect(-20, -10, 40, 20);
const Rect TargetRect(180, 90, 40, 20);

RelationPath straightPath(Point a, Point b)
{
    RelationPath path;
    path.setStraightLine(a, b);
    return path;
}

RelationPath bezierPath(Point a, Point b, Point c, Point d)
{
    RelationPath path;
    path.setBezierP0(a, b, c, d);
    return path;
}

// An arch from (0, 0) to (100, 0) that rises to y = 37.5 in its middle.
RelationPath archPath()
{
    return bezierPath({0, 0}, {0, 50}, {100, 50}, {100, 0});
}

RelationPath customOrthogonalPath(Point offset)
{
    RelationPath path;
    path.setCustomOffset(offset);
    path.setCustomOrthogonalEndPoints(SourceRect, TargetRect);
    return path;
}

std::vector<BezierPath::Element> elementsOf(RelationPath& relationPath, double flatness = RelationPath::DefaultFlatness)
{
    BezierPath path;
    relationPath.applyToPath(path, flatness);
    return path.elements();
}

std::vector<Type> typesOf(const std::vector<BezierPath::Element>& elements)
{
    std::vector<Type> types;
    for (const auto& element : elements) types.push_back(element.type);
    return types;
}

} // namespace

TEST(RelationPathState, PathBetweenOriginsIsNullWhateverItsKind)
{
    RelationPath path;
    path.setBezierP0({0, 0}, {10, 10}, {20, 20}, {0, 0});
    EXPECT_TRUE(path.isNull());
    path.setCustomBezierEndPointsP0({-0.0, 0}, {0, -0.0});
    EXPECT_TRUE(path.isNull());
    EXPECT_FALSE(straightPath({0, 1e-300}, {0, 0}).isNull());
}

TEST(RelationPathCurve, CustomCurvePassesThroughItsHandle)
{
    RelationPath path;
    path.setCustomOffset({0, 20});
    path.setCustomBezierEndPointsP0({0, 0}, {100, 0});
    EXPECT_DOUBLE_EQ(50, path.value(0.5).x);
    EXPECT_DOUBLE_EQ(20, path.value(0.5).y);
    EXPECT_DOUBLE_EQ(20, path.getLocationPoint().y);
}

TEST(RelationPathHandle, NotANumberNeverBecomesTheOffset)
{
    RelationPath path;
    path.setCustomOffset({5, 6});
    path.setCustomOffset({NaN, 0});
    path.moveCustomPoint({NaN, NaN});
    EXPECT_EQ(Point({5, 6}), path.customOffset());
    path.setCustomBezierEndPointsP0({NaN, 0}, {100, 0});
    path.moveCustomPoint({50, 50});
    EXPECT_EQ(Point({5, 6}), path.customOffset()) << "broken end points must not spoil the handle";
    // Once layout gives the path sound end points again, the kept handle shapes it.
    path.setCustomBezierEndPointsP0({0, 0}, {100, 0});
    EXPECT_DOUBLE_EQ(55, path.value(0.5).x);
    EXPECT_DOUBLE_EQ(6, path.value(0.5).y);
}

// The middle segment runs halfway across the wider gap between the rects grown by 8; where both
// gaps are negative the route turns once, and centres at most one apart need no turn.
// A copy of a path carries its handle and route and changes apart from the original, whether the
// handle is at the middle (the most lines) or was moved.
TEST(RelationPathHandle, CopiesKeepTheHandleAndChangeApart)
{
    for (Point offset : {Point{0, 0}, Point{-150, 120}}) {
        SCOPED_TRACE(testing::Message() << offset.x << "," << offset.y);
        RelationPath original = customOrthogonalPath(offset);
        original.customRouted = true;
        RelationPath copy = original;
        EXPECT_EQ(copy.customOffset(), offset);
        EXPECT_EQ(copy.p12(), original.p12());
        EXPECT_EQ(copy.orthoSegments(), original.orthoSegments());
        EXPECT_TRUE(copy.customRouted);
        const auto copied = elementsOf(copy);
        const auto originals = elementsOf(original);
        ASSERT_EQ(copied.size(), originals.size());
        for (size_t i = 0; i < copied.size(); ++i) {
            EXPECT_EQ(copied[i].type, originals[i].type) << i;
            EXPECT_EQ(copied[i].points[0], originals[i].points[0]) << i;
        }
        copy.setCustomOffset({7, 9});
        EXPECT_EQ(original.customOffset(), offset);
        RelationPath assigned;
        assigned = original;
        EXPECT_EQ(assigned.customOffset(), offset);
        EXPECT_EQ(assigned.getLocationPoint(), original.getLocationPoint());
    }
}

// A layout may leave a lead point anywhere, the origin and a negative zero included; copies keep
// the points and change apart.
TEST(RelationPathLeads, PointsAreKeptAsSetAndCopiesChangeApart)
{
    struct Case {
        Point in, out;
    };
    const Case cases[] = {
        {{0, 0}, {0, 0}}, {{-30, -50}, {0, 0}}, {{0, 0}, {130, 0}}, {{-0.0, 0}, {0, -0.0}}, {{-30, -50}, {130, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.in.x << "," << c.in.y << " " << c.out.x << "," << c.out.y);
        RelationPath original = straightPath({0, 0}, {100, 0});
        original.setLeadOutPoint({5, 5});
        original.setLeadInPoint(c.in);
        original.setLeadOutPoint(c.out);
        RelationPath copy = original;
        RelationPath assigned;
        assigned = original;
        for (const RelationPath* path : {&original, &copy, &assigned}) {
            EXPECT_EQ(path->leadInPoint(), c.in);
            EXPECT_EQ(path->leadOutPoint(), c.out);
            EXPECT_EQ(std::signbit(path->leadInPoint().x), std::signbit(c.in.x));
            EXPECT_EQ(std::signbit(path->leadOutPoint().y), std::signbit(c.out.y));
        }
        copy.setLeadInPoint({1, 2});
        EXPECT_EQ(original.leadInPoint(), c.in);
        EXPECT_EQ(assigned.leadInPoint(), c.in);
    }
}

// A layout sets any width a style or a file gives: every one is answered to the bit, whether the
// path holds it itself or apart, alongside lead points and a handle set before and after, in copies
// and in a path moved from it; a later ordinary width is answered again.
TEST(RelationPathWidths, KeptToTheBitBesideLeadsAndHandle)
{
    struct Case {
        int64_t taper;
        double leadOut;
    };
    const Case cases[] = {
        {0, 0},
        {-6, 15},
        {4, 1.5},
        {-0, -0.0},
        {40000, 0.1},
        {-40000, 1e300},
        {std::numeric_limits<int64_t>::max(), NaN},
        {std::numeric_limits<int64_t>::min(), -Inf},
        {32767, 3.4028234663852886e38},
        {-32768, 1e-320},
    };
    auto same = [](double a, double b) {
        return std::isnan(a) ? std::isnan(b) : a == b && std::signbit(a) == std::signbit(b);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.taper << " " << c.leadOut);
        RelationPath original = straightPath({0, 0}, {100, 0});
        original.setLeadInPoint({-3, 4});
        original.setTaperWidth(c.taper);
        original.setLeadOutWidth(c.leadOut);
        original.setCustomOffset({7, -9});
        original.setLeadOutPoint({130, 7});
        RelationPath copy = original;
        RelationPath assigned;
        assigned = original;
        RelationPath source = original;
        RelationPath moved = std::move(source);
        for (const RelationPath* path : {&original, &copy, &assigned, &moved}) {
            EXPECT_EQ(path->taperWidth(), c.taper);
            EXPECT_TRUE(same(path->leadOutWidth(), c.leadOut)) << path->leadOutWidth();
            EXPECT_EQ(path->leadInPoint(), (Point{-3, 4}));
            EXPECT_EQ(path->leadOutPoint(), (Point{130, 7}));
            EXPECT_EQ(path->customOffset(), (Point{7, -9}));
        }
        copy.setTaperWidth(5);
        copy.setLeadOutWidth(2);
        EXPECT_EQ(copy.taperWidth(), 5);
        EXPECT_EQ(copy.leadOutWidth(), 2);
        EXPECT_EQ(original.taperWidth(), c.taper);
        EXPECT_TRUE(same(original.leadOutWidth(), c.leadOut));
    }
}

TEST(RelationPathOrthogonal, RoutesBetweenRects)
{
    struct Case {
        Rect target;
        int segments;
        Point p1, p2, location;
    };
    const Case cases[] = {
        // gx = 200 − 56 = 144, gy = 100 − 36 = 64: vertical middle at x = 20 + 72 + 8.
        {TargetRect, 3, {100, 0}, {100, 100}, {100, 50}},
        // gx = 50 − 56 < 0, gy = 200 − 36 = 164: horizontal middle at y = 10 + 82 + 8.
        {Rect(30, 190, 40, 20), 3, {0, 100}, {50, 100}, {25, 100}},
        // Overlapping grown rects: one turn, vertical first when the target lies below.
        {Rect(10, 15, 40, 20), 2, {0, 25}, {0, 25}, {0, 25}},
        // Centres level within one.
        {Rect(280, -10.5, 40, 20), 1, {}, {}, {150, -0.25}},
    };
    for (const Case& c : cases) {
        RelationPath path;
        path.setOrthogonalEndPoints(SourceRect, c.target);
        SCOPED_TRACE(testing::Message() << c.target.minX() << "," << c.target.minY());
        EXPECT_EQ(Point({0, 0}), path.p0);
        EXPECT_EQ(c.segments, path.orthoSegments());
        if (c.segments > 1) {
            EXPECT_EQ(c.p1, path.p1);
        }
        if (c.segments > 2) {
            EXPECT_EQ(c.p2, path.p2);
        }
        EXPECT_EQ(c.location, path.getLocationPoint());
    }
}

// The grown rects reach from (−28, −18) to (228, 118); the end points' midpoint is (100, 50).
TEST(RelationPathCustomOrthogonal, RoutesThroughTheHandle)
{
    struct Case {
        Point offset;
        int segments;
        Point p1, p2;
    };
    const Case cases[] = {
        {{200, 0}, 3, {300, 0}, {300, 100}}, // beside the rects: vertical middle
        {{-40, 0}, 3, {0, 50}, {200, 50}},   // inside, between the diagonals
        {{-70, -40}, 2, {0, 100}, {0, 100}}, // (30, 10), over the source: down, then across
        // Beyond a corner: four segments, leaving along the larger distance.
        {{200, 200}, 4, {0, 250}, {300, 100}},     // (300, 250): further below (132) than right (72)
        {{-200, -200}, 4, {-100, 0}, {200, -150}}, // opposite corner (quadrant difference 2)
    };
    for (const Case& c : cases) {
        RelationPath path = customOrthogonalPath(c.offset);
        SCOPED_TRACE(testing::Message() << c.offset.x << "," << c.offset.y);
        EXPECT_EQ(c.segments, path.orthoSegments());
        EXPECT_EQ(c.p1, path.p1);
        if (c.segments > 2) {
            EXPECT_EQ(c.p2, path.p2);
        }
    }
    EXPECT_EQ(Point({300, 250}), customOrthogonalPath({200, 200}).p12());
}

TEST(RelationPathCorners, RadiusIsFourAndAHalfOrHalfTheShorterSegment)
{
    struct Case {
        Point a, corner, b;
        Point lineEnd, curveEnd;
    };
    const Case cases[] = {
        {{0, 0}, {6, 0}, {6, 6}, {3, 0}, {6, 3}}, // both segments 6 long: radius 3, not 4.5
        {{0, 0}, {100, 0}, {100, -50}, {95.5, 0}, {100, -4.5}},
        {{0, 0}, {10, 0}, {20, 0}, {10, 0}, {10, 0}}, // straight on: no radius
    };
    for (const Case& c : cases) {
        BezierPath path;
        path.moveTo(c.a);
        RelationPath::addOrthoSegment(path, c.a, c.corner, c.b);
        ASSERT_EQ(3u, path.elements().size());
        EXPECT_EQ(c.lineEnd, path.elements()[1].points[0]);
        EXPECT_EQ(Type::CurveTo, path.elements()[2].type);
        EXPECT_EQ(c.curveEnd, path.elements()[2].points[2]);
    }
}

TEST(RelationPathOutline, LeadInIsDrawnAndHitButLeadOutIsNeither)
{
    RelationPath path = straightPath({0, 0}, {100, 0});
    path.hasLeadIn = true;
    path.setLeadInPoint({-30, -50});
    path.hasLeadOut = true;
    path.setLeadOutPoint({130, 0});
    auto elements = elementsOf(path);
    EXPECT_EQ((std::vector<Type>{Type::MoveTo, Type::LineTo, Type::LineTo}), typesOf(elements));
    EXPECT_EQ(Point({-30, -50}), elements[0].points[0]);
    EXPECT_EQ(Point({100, 0}), elements[2].points[0]) << "the lead-out is the painter's";
    EXPECT_TRUE(path.hitTest({-15, -25}));
    EXPECT_FALSE(path.hitTest({115, 0}));
}

TEST(RelationPathOutline, TaperedStraightLine)
{
    RelationPath path = straightPath({0, 0}, {100, 0});
    path.setTaperWidth(5);
    EXPECT_EQ(Point({0, -5}), elementsOf(path)[3].points[0]);
    path.setTaperWidth(-5); // wide at the end
    auto elements = elementsOf(path);
    ASSERT_EQ(6u, elements.size());
    EXPECT_EQ(Point({100, -5}), elements[1].points[0]);
}

TEST(RelationPathOutline, TaperedCurveUsesTheSinglePrecisionFactors)
{
    // Tangent at the start (0, 150): the offset across it is (−10, 0).
    RelationPath path = archPath();
    path.setTaperWidth(10);
    auto elements = elementsOf(path);
    EXPECT_EQ(
        (std::vector<Type>{Type::MoveTo, Type::MoveTo, Type::CurveTo, Type::CurveTo, Type::ClosePath, Type::MoveTo}),
        typesOf(elements));
    EXPECT_EQ(Point({-10, 0}), elements[1].points[0]);
    EXPECT_EQ(Point({0 + -10 * Near, 50}), elements[2].points[0]);
    EXPECT_EQ(Point({100 + -10 * Far, 50}), elements[2].points[1]);
    EXPECT_EQ(Point({10, 0}), elements[3].points[2]);
}

TEST(RelationPathOutline, TangentOfNoLengthLeavesTheLineUntapered)
{
    RelationPath curve = bezierPath({0, 0}, {0, 0}, {100, 50}, {100, 0});
    curve.setTaperWidth(8);
    EXPECT_EQ((std::vector<Type>{Type::MoveTo, Type::CurveTo}), typesOf(elementsOf(curve)));
    EXPECT_FALSE(curve.pathShouldBeFilled());

    RelationPath dot = straightPath({7, 7}, {7, 7});
    dot.setTaperWidth(-8);
    EXPECT_EQ((std::vector<Type>{Type::MoveTo, Type::LineTo}), typesOf(elementsOf(dot)));
    EXPECT_FALSE(dot.pathShouldBeFilled());
}

TEST(RelationPathOutline, FlatteningAbsurdCurvesStaysBounded)
{
    // Control points 1e20 away would need about 2^33 halvings to come within one unit of the
    // chord; the halving stops at depth 16, so at most 2^16 lines follow the move.
    const struct {
        Point p0, p1, p2, p3;
        size_t elements; // 0: any number up to the cap
    } cases[] = {
        {{0, 0}, {1e20, 0}, {0, 1e20}, {1e20, 1e20}, 65537},
        {{0, 0}, {-1e20, 1e20}, {1e20, 1e20}, {0, 200}, 65537},
        {{0, 0}, {0, 1e30}, {1e3, 1e30}, {1e3, 0}, 0},
        // An ordinary curve moved 1e20 away, where neighbouring numbers lie 16384 apart.
        {{1e20, 1e20}, {1e20, 1e20 + 5e5}, {1e20 + 1e6, 1e20 + 5e5}, {1e20 + 1e6, 1e20}, 0},
    };
    for (const auto& c : cases) {
        RelationPath path = bezierPath(c.p0, c.p1, c.p2, c.p3);
        auto elements = elementsOf(path, 2.0);
        if (c.elements) {
            EXPECT_EQ(c.elements, elements.size());
        }
        EXPECT_LE(elements.size(), 65537u);
        const auto& last = elements.back();
        EXPECT_EQ(c.p3, last.type == Type::CurveTo ? last.points[2] : last.points[0]);
    }
}

TEST(RelationPathOutline, BrokenCoordinatesStillGiveAnOutline)
{
    for (double bad : {NaN, Inf, -Inf}) {
        RelationPath curve = bezierPath({0, 0}, {bad, 5}, {100, 50}, {200, 0});
        curve.setTaperWidth(3);
        EXPECT_FALSE(elementsOf(curve, 2.0).empty());

        RelationPath straight = straightPath({0, bad}, {200, 0});
        straight.setTaperWidth(-3);
        EXPECT_FALSE(elementsOf(straight).empty());

        RelationPath ortho;
        ortho.setOrthogonalEndPoints(Rect(bad, 0, 10, 10), TargetRect);
        EXPECT_LE(ortho.orthoSegments(), 4);
        EXPECT_FALSE(elementsOf(ortho).empty());
    }
}

TEST(RelationPathOutline, ABrokenRouteDoesNotLinger)
{
    RelationPath path = straightPath({NaN, NaN}, {1, 1});
    path.setTaperWidth(4);
    elementsOf(path);
    path.setStraightLine({0, 0}, {100, 0});
    auto elements = elementsOf(path);
    EXPECT_EQ(Point({0, 4}), elements[1].points[0]);
    EXPECT_TRUE(path.hitTest({50, 0}));
}

// Hits lie within the ±4 square round the line; the span's lower edges belong to it, its upper
// ones do not, and a straight line ends at its end points.
TEST(RelationPathHitTest, StraightPathWithinFourPoints)
{
    RelationPath path = straightPath({0, 0}, {100, 0});
    for (Point p : {Point{50, 3.9}, Point{50, -4}, Point{100, 0}}) EXPECT_TRUE(path.hitTest(p)) << p.x << "," << p.y;
    for (Point p : {Point{50, -4.1}, Point{50, 4}, Point{101, 0}}) EXPECT_FALSE(path.hitTest(p)) << p.x << "," << p.y;
}

TEST(RelationPathHitTest, HitsFollowTheDistanceFromTheCurve)
{
    // Close to the line always hits; further than the diagonal of the ±4 squares never does.
    std::vector<RelationPath> paths{archPath(), bezierPath({0, 0}, {300, 0}, {-200, 200}, {100, 200})};
    for (const RelationPath& path : paths) {
        std::vector<Point> samples;
        for (int k = 0; k <= 4000; ++k) samples.push_back(path.value(k / 4000.0));
        for (double x = -100; x <= 400; x += 3.7) {
            for (double y = -60; y <= 260; y += 3.3) {
                double nearest = 1e18;
                for (Point sample : samples) nearest = std::min(nearest, PointDistanceSquared(sample, {x, y}));
                nearest = std::sqrt(nearest);
                if (nearest <= 2.5) {
                    EXPECT_TRUE(path.hitTest({x, y})) << x << ", " << y;
                } else if (nearest > 5.7) {
                    EXPECT_FALSE(path.hitTest({x, y})) << x << ", " << y;
                }
            }
        }
    }
}

TEST(RelationPathHitTest, LinesOfNoLength)
{
    // A straight line of no length has nothing to hit; a curve still has its end squares.
    RelationPath straight = straightPath({5, 5}, {5, 5});
    EXPECT_FALSE(straight.hitTest({5, 5}));
    RelationPath curve = bezierPath({5, 5}, {5, 5}, {5, 5}, {5, 5});
    EXPECT_TRUE(curve.hitTest({9, 1}));
    EXPECT_FALSE(curve.hitTest({9.5, 5}));
}

TEST(RelationPathHitTest, BrokenCoordinatesNeverHit)
{
    for (double bad : {NaN, Inf}) {
        RelationPath curve = bezierPath({0, 0}, {0, 50}, {100, 50}, {bad, 0});
        RelationPath custom;
        custom.setCustomBezierEndPointsP0({0, 0}, {bad, bad});
        RelationPath straight = straightPath({bad, 0}, {100, 0});
        RelationPath ortho;
        ortho.setOrthogonalEndPoints(SourceRect, Rect(bad, bad, 10, 10));
        for (const RelationPath* path : {&curve, &custom, &straight, &ortho}) {
            EXPECT_FALSE(path->hitTest({50, 20}));
            EXPECT_FALSE(path->hitTest({NaN, 0}));
        }
    }
    EXPECT_FALSE(archPath().hitTest({50, NaN}));
}

TEST(RelationPathHitTest, HugeCoordinatesEndTheSearch)
{
    // Neighbouring parameters lie thousands of units apart on this curve: the bisection runs out
    // of parameters before its points come within reach of each other, and must stop there.
    RelationPath path = bezierPath({0, 0}, {3e19, 0}, {7e19, 1e20}, {1e20, 1e20});
    Point onCurve = path.value(1.0 / 3.0);
    for (double offset : {5.0, 5000.0}) path.hitTest({onCurve.x + offset, onCurve.y + offset});
    path.hitTest({5e19, 1});
}

TEST(RelationPathArrows, SearchStopsAfterThirteenHalvings)
{
    // The line enters the rect only at its very end; 13 halvings leave the tip 2^-13 short.
    RelationPath path = straightPath({0, 0}, {100000, 0});
    ArrowPosition arrow = path.calcTargetArrowPosition(Rect(100000, -5, 10, 10));
    EXPECT_EQ(Point({99987.79296875, 0}), arrow.position);

    ArrowPosition source = path.calcSourceArrowPosition(Rect(-10, -5, 10, 10));
    EXPECT_EQ(Point({100000.0 / 8192, 0}), source.position);
}

TEST(RelationPathArrows, OrthogonalArrowsOnTheEndSegments)
{
    RelationPath path;
    path.setOrthogonalEndPoints(SourceRect, TargetRect);
    ArrowPosition target = path.calcTargetArrowPosition(TargetRect);
    EXPECT_EQ(Point({179.6875, 100}), target.position);
    EXPECT_EQ(Point({100, 0}), target.direction);
    EXPECT_EQ(Point({20.3125, 0}), path.calcSourceArrowPosition(SourceRect).position);
}

TEST(RelationPathArrows, BrokenRectsEndTheSearch)
{
    RelationPath path = archPath();
    for (Rect bad : {Rect(NaN, NaN, 10, 10), Rect(0, 0, Inf, Inf), Rect(), Rect(0, 0, -10, -10)}) {
        path.calcTargetArrowPosition(bad);
        path.calcSourceArrowPosition(bad);
    }
    // A rect the line never enters leaves the tip close to the far end.
    ArrowPosition arrow = path.calcTargetArrowPosition(Rect(500, 500, 10, 10));
    EXPECT_LT(PointDistance(arrow.position, {100, 0}), 2.0);
}
