#include "MindMapTestSupport.h"

#include "MindMaps/LayoutModes.h"
#include "MindMaps/RearrangeMarker.h"
#include "MindMaps/RearrangeMarkerHitTester.h"

#include <gtest/gtest.h>

using namespace maptest;

namespace {

// Topics are 100 x 20 around their locations (nothing measures them) and nothing lays them out,
// so each stands where the test puts it. Every test runs twice: as a single hit test, and inside a
// drag session whose kept knowledge is dropped before each test (the tests move topics that a
// real drag would not).
class RearrangeHitTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        map.newMindMap("", false, std::nullopt);
        if (GetParam()) marker().beginDragSession();
    }

    bool hitTest(MindMapNode* layoutRoot, MindMapNode* draggedNode, const std::vector<MindMapNode*>& roots)
    {
        marker().dropHitCache();
        return RearrangeMarkerHitTester::hitTestRearrangeMarker(map, layoutRoot, draggedNode, roots);
    }

    MindMapNode* topic(MindMapNode* parent, Point location)
    {
        MindMapNode* node = addTopic(map, parent, location);
        node->setLocation(location);
        return node;
    }

    // Drags a stand-in topic of its own to the point: the testers read only its location.
    bool dragTo(MindMapNode* layoutRoot, Point point, std::vector<MindMapNode*> roots = {})
    {
        if (!dragged) dragged = topic(nullptr, point);
        dragged->setLocation(point);
        if (roots.empty()) roots = {dragged};
        return hitTest(layoutRoot, dragged, roots);
    }

    RearrangeMarker& marker() { return *map.rearrangeMarker(); }

    MindMap map;
    MindMapNode* dragged = nullptr;
};

// A strict horizontal central topic at the origin with three children on its right at y 0, 40
// and 80: 20-point gaps between them.
class StrictHorizontalTest : public RearrangeHitTest {
protected:
    void SetUp() override
    {
        RearrangeHitTest::SetUp();
        root = topic(nullptr, {0, 0});
        for (int i = 0; i < 3; ++i) kids.push_back(topic(root, {200, 40.0 * i}));
        root->setLayoutMode(LayoutModeStrictHorizontal);
    }

    MindMapNode* root = nullptr;
    std::vector<MindMapNode*> kids;
};

struct BandCase {
    const char* what;
    Point point;
    int64_t index;
    int32_t info;
    Rect bounds;
};

TEST_P(StrictHorizontalTest, GapsAndEdgeBandsOverlapTheChildrenByTwoPoints)
{
    const BandCase cases[] = {
        {"gap between the second and third child", {200, 60}, 2, 0, {150, 50, 100, 20}},
        {"gap between the first and second", {160, 15}, 1, 0, {150, 10, 100, 20}},
        {"16 above the first child, 2 into it", {200, -24}, 0, 1, {150, -24, 100, 16}},
        {"still inside the first child's top", {200, -8.5}, 0, 1, {150, -24, 100, 16}},
        {"16 below the last child, 2 into it", {249, 103.9}, 2, 3, {150, 88, 100, 16}},
    };
    for (const BandCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(dragTo(root, c.point));
        EXPECT_TRUE(marker().visible());
        EXPECT_EQ(root, marker().refNode());
        EXPECT_EQ(c.index, marker().index());
        EXPECT_EQ(c.info, marker().info());
        EXPECT_TRUE(marker().horizontal());
        EXPECT_EQ(c.bounds, marker().bounds());
    }
    for (Point outside : {Point{200, -24.5}, Point{200, 104}, Point{251, 60}, Point{200, 0}}) {
        SCOPED_TRACE(outside.y);
        EXPECT_FALSE(dragTo(root, outside));
    }
}

TEST_P(StrictHorizontalTest, GapsNextToASelectedSiblingAreSkipped)
{
    map.setSelectedElement(kids[1]);
    EXPECT_FALSE(dragTo(root, {200, 60}));
    EXPECT_FALSE(dragTo(root, {200, 20}));
    map.setSelectedElement(kids[0]);
    EXPECT_TRUE(dragTo(root, {200, 60}));
}

TEST_P(StrictHorizontalTest, TheLayoutRootAmongTheDraggedRootsShowsNothing)
{
    marker().setVisible(false);
    EXPECT_FALSE(dragTo(root, {200, 60}, {root}));
    EXPECT_FALSE(marker().visible());
    EXPECT_FALSE(hitTest(root, dragged, {}));
    EXPECT_FALSE(hitTest(root, nullptr, {root}));
}

TEST_P(StrictHorizontalTest, APositionUnderADraggedBranchIsFoundButNotShown)
{
    MindMapNode* first = kids[0];
    topic(first, {400, 0});
    topic(first, {400, 40});
    ASSERT_TRUE(dragTo(root, {400, 20}, {first}));
    EXPECT_EQ(first, marker().refNode());
    EXPECT_FALSE(marker().visible()) << "a topic cannot go under its own child";
    ASSERT_TRUE(dragTo(root, {400, 20}, {kids[2]}));
    EXPECT_TRUE(marker().visible());
}

TEST_P(StrictHorizontalTest, DeeperBranchesAreTestedBeforeTheirParents)
{
    // The grandchild's lower band and the root's band above its first child both hold the point.
    topic(kids[0], {220, -40});
    ASSERT_TRUE(dragTo(root, {200, -20}));
    EXPECT_EQ(kids[0], marker().refNode());
    EXPECT_EQ(3, marker().info());
    EXPECT_EQ(0, marker().index());
}

TEST_P(StrictHorizontalTest, TheBoundaryBetweenTheSidesTakesAFortyPointBand)
{
    MindMapNode* left0 = topic(root, {-200, 0});
    topic(root, {-200, 40});
    ASSERT_EQ(3u, left0->indexInParent());
    // Below the last right-hand child: within 40 points it is the boundary, no longer its band.
    ASSERT_TRUE(dragTo(root, {200, 120}));
    EXPECT_EQ(0, marker().info());
    EXPECT_EQ(3, marker().index());
    EXPECT_EQ(Rect(150, 88, 100, 40), marker().bounds());
    // Above the first left-hand child.
    ASSERT_TRUE(dragTo(root, {-200, -40}));
    EXPECT_EQ(0, marker().info());
    EXPECT_EQ(3, marker().index());
    // The gap between the two left-hand children.
    ASSERT_TRUE(dragTo(root, {-200, 20}));
    EXPECT_EQ(0, marker().info());
    EXPECT_EQ(4, marker().index());
}

// The same tester stands children side by side: a strict vertical central topic at the origin
// with three children below it at x 0, 150 and 300, 50-point gaps between them.
TEST_P(RearrangeHitTest, StrictVerticalGapsAndEdgeBandsRunAcross)
{
    MindMapNode* root = topic(nullptr, {0, 0});
    for (int i = 0; i < 3; ++i) topic(root, {150.0 * i, 200});
    root->setLayoutMode(LayoutModeStrictVertical);
    const BandCase cases[] = {
        {"gap between the first and second child", {75, 200}, 1, 0, {50, 190, 50, 20}},
        {"gap between the second and third", {210, 205}, 2, 0, {200, 190, 50, 20}},
        {"left of the first child", {-60, 200}, 0, 1, {-64, 190, 16, 20}},
        {"right of the last child", {360, 195}, 2, 3, {348, 190, 16, 20}},
    };
    for (const BandCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(dragTo(root, c.point));
        EXPECT_EQ(root, marker().refNode());
        EXPECT_EQ(c.index, marker().index());
        EXPECT_EQ(c.info, marker().info());
        EXPECT_FALSE(marker().horizontal());
        EXPECT_EQ(c.bounds, marker().bounds());
    }
    EXPECT_FALSE(dragTo(root, {150, 200}));
    EXPECT_FALSE(dragTo(root, {75, 260}));
}

TEST_P(RearrangeHitTest, AManualDirectionTakesTheDropOnEitherSideOfTheParent)
{
    MindMapNode* theme = topic(nullptr, {0, 0});
    MindMapNode* parent = topic(theme, {300, 0});
    MindMapNode* a = topic(parent, {500, 0});
    topic(parent, {500, 100});
    parent->setLayoutMode(LayoutModeStrictHorizontal);
    parent->setLayoutDirection(LayoutDirectionManual);
    const std::vector<MindMapNode*> roots{a};
    a->setLocation({900, 500});
    ASSERT_TRUE(hitTest(parent, a, roots));
    EXPECT_EQ(parent, marker().refNode());
    EXPECT_EQ(6, marker().info());
    EXPECT_EQ(0, marker().index());
    EXPECT_EQ(Rect(350, -10, 50, 20), marker().bounds());
    a->setLocation({-900, 500});
    ASSERT_TRUE(hitTest(parent, a, roots));
    EXPECT_EQ(5, marker().info());
    EXPECT_EQ(1, marker().index());
    EXPECT_EQ(Rect(200, -10, 50, 20), marker().bounds());

    // Standing side by side, the bands lie inside the parent.
    parent->setLayoutMode(LayoutModeStrictVertical);
    parent->setLayoutDirection(LayoutDirectionManual);
    a->setLocation({900, -500});
    ASSERT_TRUE(hitTest(parent, a, roots));
    EXPECT_EQ(6, marker().info());
    EXPECT_FALSE(marker().horizontal());
    EXPECT_EQ(Rect(250, -10, 100, 50), marker().bounds());
    a->setLocation({900, 500});
    ASSERT_TRUE(hitTest(parent, a, roots));
    EXPECT_EQ(5, marker().info());
    EXPECT_EQ(Rect(250, -40, 100, 50), marker().bounds());
}

TEST_P(RearrangeHitTest, AListChildAloneHasOnlyItsEdgeBands)
{
    MindMapNode* root = topic(nullptr, {0, 0});
    topic(root, {50, 40});
    root->setLayoutMode(LayoutModeList);
    ASSERT_TRUE(dragTo(root, {50, 25}));
    EXPECT_EQ(1, marker().info());
    ASSERT_TRUE(dragTo(root, {50, 55}));
    EXPECT_EQ(3, marker().info());
    EXPECT_FALSE(dragTo(root, {50, 40}));
}

TEST_P(RearrangeHitTest, TopDownStandingChildrenSideBySideAndTheirOwnStacked)
{
    MindMapNode* root = topic(nullptr, {0, 0});
    MindMapNode* left = topic(root, {-100, 100});
    topic(root, {100, 100});
    topic(left, {-100, 160});
    topic(left, {-100, 220});
    root->setLayoutMode(LayoutModeTopDown);
    root->setLayoutDirection(LayoutDirectionBottom);
    ASSERT_TRUE(dragTo(root, {0, 100}));
    EXPECT_EQ(0, marker().info());
    EXPECT_FALSE(marker().horizontal());
    ASSERT_TRUE(dragTo(root, {-100, 190}));
    EXPECT_EQ(left, marker().refNode());
    EXPECT_EQ(0, marker().info());
    EXPECT_EQ(Rect(-150, 170, 100, 40), marker().bounds());
    ASSERT_TRUE(dragTo(root, {-100, 145}));
    EXPECT_EQ(1, marker().info());

    // Growing upward the stack is read from the other end: the band above the last child is
    // past it (2), the one below the first child before it (4).
    root->setLayoutDirection(LayoutDirectionTop);
    ASSERT_TRUE(dragTo(root, {-100, 205}));
    EXPECT_EQ(2, marker().info());
    EXPECT_EQ(1, marker().index());
    ASSERT_TRUE(dragTo(root, {-100, 175}));
    EXPECT_EQ(4, marker().info());
    EXPECT_EQ(0, marker().index());
    EXPECT_FALSE(dragTo(root, {-100, 190})) << "the gap lies the other way round";

    root->setLayoutDirection(LayoutDirectionTopRightToLeft);
    ASSERT_TRUE(dragTo(root, {-40, 100}));
    EXPECT_EQ(root, marker().refNode());
    EXPECT_EQ(4, marker().info());
}

TEST_P(RearrangeHitTest, FreeBranchesHaveNoTesterAndTheMapHidesTheMarker)
{
    MindMapNode* theme = topic(nullptr, {0, 0});
    MindMapNode* strict = topic(theme, {300, 0});
    topic(strict, {500, 0});
    EXPECT_EQ(nullptr, RearrangeMarkerHitTester::makeForLayoutRoot(map, theme));
    strict->setLayoutMode(LayoutModeList);
    dragged = topic(nullptr, {500, -17});
    map.hitTestRearrangeMarker(dragged, {dragged});
    EXPECT_TRUE(marker().visible());
    EXPECT_EQ(strict, marker().refNode());
    dragged->setLocation({900, 900});
    map.hitTestRearrangeMarker(dragged, {dragged});
    EXPECT_FALSE(marker().visible());
    EXPECT_EQ(nullptr, marker().refNode());
}

// A drag that goes on over many steps keeps what it learnt of the still topics: every step finds
// what a single hit test on a twin map finds, across gaps, bands, a deeper branch and the boundary
// between the sides.
TEST(RearrangeDragSession, EveryStepFindsWhatASingleHitTestFinds)
{
    struct Twin {
        MindMap map;
        MindMapNode* root = nullptr;
        MindMapNode* moved = nullptr;
        Twin()
        {
            map.newMindMap("", false, std::nullopt);
            root = addTopic(map, nullptr, {0, 0});
            for (int i = 0; i < 12; ++i) {
                const Point at{i < 6 ? 200.0 : -200.0, 40.0 * (i % 6)};
                addTopic(map, root, at)->setLocation(at);
            }
            for (double y : {40.0, 80.0}) addTopic(map, root->childAtIndex(1), {400, y})->setLocation({400, y});
            root->setLayoutMode(LayoutModeStrictHorizontal);
            moved = root->childAtIndex(3);
            map.setSelectedElement(moved);
        }
        std::tuple<bool, MindMapNode*, int64_t, int32_t, bool> hit(Point at)
        {
            moved->setLocation(at);
            const bool found = RearrangeMarkerHitTester::hitTestRearrangeMarker(map, root, moved, {moved});
            const RearrangeMarker& m = *map.rearrangeMarker();
            return {found, found ? m.refNode() : nullptr, found ? m.index() : 0, found ? m.info() : 0,
                    found && m.visible()};
        }
    };
    Twin kept;
    Twin single;
    kept.map.rearrangeMarker()->beginDragSession();
    int found = 0;
    for (double y = -40; y <= 260; y += 3.5) {
        for (double x : {-210.0, -160.0, 180.0, 240.0, 390.0}) {
            SCOPED_TRACE(std::to_string(x) + ", " + std::to_string(y));
            auto expected = single.hit({x, y});
            auto actual = kept.hit({x, y});
            if (std::get<1>(expected)) {
                // The twins' nodes differ: compare where they stand.
                EXPECT_EQ(std::get<1>(expected)->location(), std::get<1>(actual)->location());
                std::get<1>(expected) = std::get<1>(actual) = nullptr;
            }
            EXPECT_EQ(expected, actual);
            found += std::get<0>(expected);
        }
    }
    EXPECT_GT(found, 20);
    EXPECT_FALSE(kept.map.rearrangeMarker()->hitCache()->nodes.empty());
}

INSTANTIATE_TEST_SUITE_P(SingleAndKept, RearrangeHitTest, ::testing::Bool());
INSTANTIATE_TEST_SUITE_P(SingleAndKept, StrictHorizontalTest, ::testing::Bool());

} // namespace
