// Free placement: angle lists, where new topics and central themes land, and that the obstacle
// grid places exactly as scanning every obstacle.

#include "LayoutTestSupport.h"

#include "Utils/GeometryHelpers.h"
#include "layout/NodeLayouter.h"

#include <gtest/gtest.h>

#include <numbers>

namespace {

constexpr double pi = std::numbers::pi;
constexpr double Trig = 1e-4;

class NodeLayouterTest : public LayoutTest {
protected:
    // Breadth first, three children each, every topic at the root.
    std::vector<MindMapNode*> branch(size_t count)
    {
        std::vector<MindMapNode*> nodes{topic(nullptr)};
        for (size_t i = 0; nodes.size() < count; ++i)
            for (int k = 0; k < 3 && nodes.size() < count; ++k) nodes.push_back(topic(nodes[i]));
        return nodes;
    }
    static std::vector<Point> locations(const std::vector<MindMapNode*>& nodes)
    {
        std::vector<Point> result;
        for (const MindMapNode* node : nodes) result.push_back(node->location());
        return result;
    }
};

TEST_F(NodeLayouterTest, AngleListsKeepBothHalfTurns)
{
    AngleList lists[4];
    lists[0].addDefaultRootAngles();
    lists[1].addRootAngles();
    lists[2].addBranchAngles();
    for (double step : {pi / 2, pi / 4, pi / 8}) lists[3].addAnglesStep(step, pi);
    const size_t counts[] = {10, 37, 19, 17};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(lists[i].count(), counts[i]) << i;
    EXPECT_NEAR(lists[1].getAngle(11), pi, 1e-6);
    EXPECT_NEAR(lists[1].getAngle(12), -pi, 1e-6);
    EXPECT_NEAR(lists[2].getAngle(3), pi / 36, 1e-6);
}

TEST_F(NodeLayouterTest, MainBranchesTakeThePatternPlacesInOrder)
{
    MindMapNode* centre = topic(nullptr, {500, 300});
    for (Point offset : {Point{120, -259.8076}, Point{160.0969, -130.1651}, Point{170, 0}, Point{160.0969, 130.1651}}) {
        MindMapNode* node = topic(centre);
        NodeLayouter::assignDefaultNodeLocation(node);
        EXPECT_NEAR(node->location().x - 500, offset.x, Trig);
        EXPECT_NEAR(node->location().y - 300, offset.y, Trig);
    }
    // A grandchild goes straight on along the line from the theme through its parent.
    MindMapNode* grandchild = topic(centre->children()[2]);
    NodeLayouter::assignDefaultNodeLocation(grandchild);
    EXPECT_NEAR(grandchild->location().y, 300, Trig);
    EXPECT_GT(grandchild->location().x, 670 + 80);
}

TEST_F(NodeLayouterTest, CandidatesKeepTheGapFromEllipsesButNotFromTheParent)
{
    MindMapNode* centre = topic(nullptr, {0, 0});
    const double width = topic(centre, {1000, 0})->size().width;
    MindMapNode* node = topic(centre, {-1000, 0});
    NodeLayouter layouter(map);
    layouter.setNodes(map.nodes());
    // 2 between the rectangles, diagonally: the ellipses come closer than 30. The parent never blocks.
    const std::pair<Point, bool> cases[] = {
        {{1000 + width + 2, 20}, false}, {{1000 + width + 40, 0}, true}, {{5, 5}, true}};
    for (const auto& [center, accepted] : cases) EXPECT_EQ(layouter.isAcceptedCenter(center, node), accepted);
}

TEST_F(NodeLayouterTest, NewCentralThemeGoesToTheFarthestCornerFirstOnTies)
{
    EXPECT_EQ(NodeLayouter::newCentralThemeLocation(map), Point({400, 400}));
    MindMapNode* only = topic(nullptr, {0, 0});
    Rect area = map.getVisualArea(true);
    EXPECT_EQ(NodeLayouter::newCentralThemeLocation(map), Point({area.minX() - 100, area.minY() - 100}));
    topic(only, {0, 600});
    topic(only, {600, 600});
    area = map.getVisualArea(true);
    EXPECT_EQ(NodeLayouter::newCentralThemeLocation(map), Point({area.maxX() + 100, area.minY() - 100}));
}

TEST_F(NodeLayouterTest, SubTreeKeepsItsRootWhenAskedAndOnlyBranchTopicsMoveAway)
{
    MindMapNode* centre = topic(nullptr, {0, 0});
    MindMapNode* main = topic(centre, {400, 0});
    topic(main);
    NodeLayouter::layoutSubTree(main, false);
    EXPECT_EQ(main->location(), Point({400, 0}));
    EXPECT_FALSE(intersectsRect(main->children()[0]->bounds(), main->bounds()));

    MindMapNode* other = topic(nullptr, {10, 5});
    NodeLayouter::avoidOverlap(other);
    EXPECT_EQ(other->location(), Point({10, 5}));
    MindMapNode* crowded = topic(centre, {405, 3});
    NodeLayouter::avoidOverlap(crowded);
    EXPECT_NEAR(LineAngle({0, 0}, crowded->location()), LineAngle({0, 0}, {405, 3}), Trig) << "moved outward";
}

TEST_F(NodeLayouterTest, IndexedObstaclesPlaceExactlyAsThePlainScan)
{
    // The plain scan is quadratic: enough topics to crowd the index's cells, few enough that the
    // unoptimised sanitizer build finishes it.
    const std::vector<MindMapNode*> nodes = branch(700);
    const std::vector<Point> start = locations(nodes);
    NodeLayouter(map, NodeLayouter::ObstacleSearch::Plain).doLayoutSubTree(nodes[0], false);
    const std::vector<Point> plain = locations(nodes);
    for (size_t i = 0; i < nodes.size(); ++i) nodes[i]->setLocation(start[i]);
    NodeLayouter(map, NodeLayouter::ObstacleSearch::Indexed).doLayoutSubTree(nodes[0], false);
    EXPECT_EQ(locations(nodes), plain);
    EXPECT_NE(plain, start);
}

TEST_F(NodeLayouterTest, BranchesDeeperThanTheStackMoveWhole)
{
    std::vector<MindMapNode*> chain = loadingChain(100001);
    for (size_t i = 0; i < chain.size(); ++i) chain[i]->setLocation({0, static_cast<double>(i) * 30});
    for (MindMapNode* node : chain) node->loaded();
    map.rethinkCentralThemes();
    NodeLayouter::positionBranch(chain[1]);
    const Point moved = chain[1]->location() - Point{0, 30};
    EXPECT_NE(moved, Point());
    EXPECT_EQ(chain.back()->location(), (Point{moved.x, moved.y + 100000 * 30.0}));
}

TEST_F(NodeLayouterTest, PlacingTwiceGivesTheSameBitsAndEqualPointsChangeNothing)
{
    const std::vector<MindMapNode*> nodes = branch(60);
    const std::vector<Point> start = locations(nodes);
    NodeLayouter::layoutSubTree(nodes[0], false);
    const std::vector<Point> first = locations(nodes);
    for (size_t i = 0; i < nodes.size(); ++i) nodes[i]->setLocation(start[i]);
    NodeLayouter::layoutSubTree(nodes[0], false);
    EXPECT_EQ(locations(nodes), first);

    map.validateElementStates();
    for (MindMapNode* node : nodes) node->setLocation(node->location());
    for (MindMapNode* node : nodes) EXPECT_EQ(node->updateState(), 0u);
    EXPECT_FALSE(map.needsLayout());
}

} // namespace
