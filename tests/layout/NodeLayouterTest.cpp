// Free placement: the angle lists, the ellipse geometry, where new topics and central themes
// land, and that looking obstacles up through the grid places exactly as scanning them all.

#include "MindMaps/MindMapNodeTestSupport.h"

#include "Utils/GeometryHelpers.h"
#include "layout/NodeLayouter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace {

constexpr double pi = std::numbers::pi;
constexpr double Trig = 1e-4;

class NodeLayouterTest : public nodetest::NodeTest {
protected:
    // A topic of about 80 by 24 (the test font, a rectangle border).
    MindMapNode* topic(MindMapNode* parent, Point location = {})
    {
        MindMapNode* node = parent ? child(parent, location) : theme("centre");
        if (!parent) node->setLocation(location);
        node->setText("abcdefghij");
        settle(node);
        return node;
    }

    // A branch of that many topics under a new theme: breadth first, three children each, all
    // starting at the theme.
    MindMapNode* branch(size_t count)
    {
        MindMapNode* root = topic(nullptr);
        std::vector<MindMapNode*> open{root};
        size_t made = 1;
        for (size_t i = 0; made < count; ++i) {
            for (int k = 0; k < 3 && made < count; ++k, ++made) open.push_back(topic(open[i]));
        }
        return root;
    }

    static std::vector<Point> locations(const std::vector<MindMapNode*>& nodes)
    {
        std::vector<Point> result;
        for (const MindMapNode* node : nodes) result.push_back(node->location());
        return result;
    }
};

TEST_F(NodeLayouterTest, AngleListsHoldTheirAnglesOnceEachWithBothHalfTurns)
{
    AngleList defaults, root, branchAngles, fallback;
    defaults.addDefaultRootAngles();
    root.addRootAngles();
    branchAngles.addBranchAngles();
    const double degree = pi / 180;
    fallback.addAnglesStep(90 * degree, pi);
    fallback.addAnglesStep(45 * degree, pi);
    fallback.addAnglesStep(22.5 * degree, pi);
    struct Case {
        const AngleList& list;
        size_t count;
        std::vector<double> firstDegrees;
    } cases[] = {
        {defaults, 10, {-60, -180.0 / 7, 0, 180.0 / 7, 60, 120, 1080.0 / 7, 180, 1440.0 / 7, -120}},
        {root, 37, {0, 30, -30, 60, -60, 90, -90, 120, -120, 150, -150, 180, -180, 10, -10, 20}},
        {branchAngles, 19, {0, 30, -30, 5, -5, 10, -10, 15, -15, 20, -20, 25, -25, 35, -35, 40, -40, 45, -45}},
        {fallback, 17, {0, 90, -90, 180, -180, 45, -45, 135, -135, 22.5, -22.5, 67.5, -67.5}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.list.count(), c.count);
        for (size_t i = 0; i < c.firstDegrees.size(); ++i)
            EXPECT_NEAR(c.list.getAngle(i), c.firstDegrees[i] * degree, 1e-6) << i;
    }
    AngleList halfTurn;
    halfTurn.add(-pi);
    EXPECT_FALSE(halfTurn.containsAngle(pi));
    EXPECT_TRUE(halfTurn.containsAngle(-pi + 0.99 * degree));
}

TEST_F(NodeLayouterTest, EllipseRayPointMeetsTheInscribedEllipse)
{
    const Rect r(0, 0, 200, 100);
    struct Case {
        Point point;
        Point expected;
    } cases[] = {
        {{300, 50}, {200, 50}},
        {{100, -70}, {100, 0}},
        {{100, 50}, {100, 50}}, // the centre itself
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(EllipseRayPoint(c.point, r).x, c.expected.x, Trig);
        EXPECT_NEAR(EllipseRayPoint(c.point, r).y, c.expected.y, Trig);
    }
    EXPECT_EQ(EllipseRayPoint({7, 9}, Rect(0, 0, 0, 100)), Point({7, 9}));
    // On the diagonal: 1 / sqrt(1/100^2 + 1/50^2) from the centre on both axes.
    const Point diagonal = EllipseRayPoint({200, 150}, r);
    const double offset = 1 / static_cast<double>(std::sqrt(static_cast<float>(1 / 10000.0 + 1 / 2500.0)));
    EXPECT_EQ(diagonal, Point({100 + offset, 50 + offset}));
    EXPECT_NEAR(EllipseRadiusAtAngle(pi / 2, r), 50, Trig);
}

TEST_F(NodeLayouterTest, MainBranchesTakeThePatternPlacesInOrder)
{
    MindMapNode* centre = topic(nullptr, {500, 300});
    const Point expected[] = {{120, -259.8076}, {160.0969, -130.1651}, {170, 0}, {160.0969, 130.1651}};
    for (const Point& offset : expected) {
        MindMapNode* node = topic(centre);
        NodeLayouter::assignDefaultNodeLocation(node);
        EXPECT_NEAR(node->location().x - 500, offset.x, Trig);
        EXPECT_NEAR(node->location().y - 300, offset.y, Trig);
    }
}

TEST_F(NodeLayouterTest, GrandchildContinuesOutwardFromItsParent)
{
    MindMapNode* centre = topic(nullptr, {0, 0});
    MindMapNode* main = topic(centre, {300, 0});
    MindMapNode* grandchild = topic(main);
    NodeLayouter::assignDefaultNodeLocation(grandchild);
    // Straight on along the line from the theme: right of the parent, on its centre line.
    EXPECT_GT(grandchild->location().x, 300 + main->size().width / 2);
    EXPECT_NEAR(grandchild->location().y, 0, Trig);
}

TEST_F(NodeLayouterTest, CandidatesKeepTheGapFromEllipsesButNotFromTheParent)
{
    MindMapNode* centre = topic(nullptr, {0, 0});
    MindMapNode* neighbour = topic(centre, {1000, 0});
    MindMapNode* node = topic(centre, {-1000, 0});
    NodeLayouter layouter(map);
    layouter.setNodes(map.nodes());
    const Size size = neighbour->size();
    struct Case {
        const char* name;
        Point center;
        bool accepted;
    } cases[] = {
        // Side by side with 2 between the rectangles, diagonally: the ellipses come closer than 30.
        {"rectangles apart, ellipses near", {1000 + size.width + 2, 20}, false},
        {"overlapping the neighbour", {1010, 5}, false},
        {"overlapping the parent", {5, 5}, true},
        {"clear of both", {1000 + size.width + 40, 0}, true},
    };
    for (const Case& c : cases) EXPECT_EQ(layouter.isAcceptedCenter(c.center, node), c.accepted) << c.name;
}

TEST_F(NodeLayouterTest, NewCentralThemeGoesToTheFarthestCornerFirstOnTies)
{
    EXPECT_EQ(NodeLayouter::newCentralThemeLocation(map), Point({400, 400}));
    MindMapNode* only = topic(nullptr, {0, 0});
    const Rect area = map.getVisualArea(true);
    // Alone, every corner is as far: the top-left one wins.
    EXPECT_EQ(NodeLayouter::newCentralThemeLocation(map), Point({area.minX() - 100, area.minY() - 100}));
    topic(only, {0, 600});
    topic(only, {600, 600});
    const Rect grown = map.getVisualArea(true);
    EXPECT_EQ(NodeLayouter::newCentralThemeLocation(map), Point({grown.maxX() + 100, grown.minY() - 100}));
}

TEST_F(NodeLayouterTest, SubTreeKeepsItsRootWhenAskedAndAvoidOverlapLeavesThemes)
{
    MindMapNode* centre = topic(nullptr, {0, 0});
    MindMapNode* main = topic(centre, {400, 0});
    topic(main);
    topic(main);
    NodeLayouter::layoutSubTree(main, false);
    EXPECT_EQ(main->location(), Point({400, 0}));
    for (MindMapNode* node : main->children()) EXPECT_FALSE(IntersectsRect(node->bounds(), main->bounds()));

    MindMapNode* other = topic(nullptr, {10, 5});
    NodeLayouter::avoidOverlap(other);
    EXPECT_EQ(other->location(), Point({10, 5}));
    MindMapNode* crowded = topic(centre, {405, 3});
    NodeLayouter::avoidOverlap(crowded);
    EXPECT_GT(PointDistance(crowded->location(), {405, 3}), 0);
    EXPECT_NEAR(LineAngle({0, 0}, crowded->location()), LineAngle({0, 0}, {405, 3}), Trig);
}

TEST_F(NodeLayouterTest, IndexedObstaclesPlaceExactlyAsThePlainScan)
{
    MindMapNode* root = branch(2000);
    std::vector<MindMapNode*> nodes;
    root->collectNodeAndChildrenInArray(nodes);
    const std::vector<Point> start = locations(nodes);

    NodeLayouter(map, NodeLayouter::ObstacleSearch::Plain).doLayoutSubTree(root, false);
    const std::vector<Point> plain = locations(nodes);
    for (size_t i = 0; i < nodes.size(); ++i) nodes[i]->setLocation(start[i]);
    NodeLayouter(map, NodeLayouter::ObstacleSearch::Indexed).doLayoutSubTree(root, false);
    const std::vector<Point> indexed = locations(nodes);

    EXPECT_EQ(plain, indexed);
    EXPECT_NE(plain, start);
}

TEST_F(NodeLayouterTest, PlacingTwiceFromTheSameStartGivesTheSameBits)
{
    MindMapNode* root = branch(60);
    std::vector<MindMapNode*> nodes;
    root->collectNodeAndChildrenInArray(nodes);
    const std::vector<Point> start = locations(nodes);
    NodeLayouter::layoutSubTree(root, false);
    const std::vector<Point> first = locations(nodes);
    for (size_t i = 0; i < nodes.size(); ++i) nodes[i]->setLocation(start[i]);
    NodeLayouter::layoutSubTree(root, false);
    EXPECT_EQ(locations(nodes), first);

    // An equal point is no change: nothing to measure again and no layout to redo.
    map.validateElementStates();
    ASSERT_FALSE(map.needsLayout());
    for (MindMapNode* node : nodes) node->setLocation(node->location());
    for (MindMapNode* node : nodes) EXPECT_EQ(node->updateState(), 0u);
    EXPECT_FALSE(map.needsLayout());
}

TEST_F(NodeLayouterTest, DeepBranchesArePlacedWithoutRecursion)
{
    std::vector<MindMapNode*> chain = loadingChain(100000);
    for (MindMapNode* node : chain) {
        node->loaded();
        node->validateNodeState();
    }
    map.rethinkCentralThemes();
    NodeLayouter::layoutSubTree(chain.front(), false);
    EXPECT_NE(chain.back()->location(), Point());
}

} // namespace
