#include "StrictLayoutTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using layouttest::StrictLayoutTest;

class ListLayoutTest : public StrictLayoutTest {
protected:
    void SetUp() override
    {
        StrictLayoutTest::SetUp();
        root = topic(nullptr, {0, 0}, "Root topic");
        first = topic(root, {500, 500}, "first");
        grandchild = topic(first, {500, 500}, "a much longer grandchild");
        second = topic(root, {500, 500}, "second\nline");
        hidden = topic(root, {500, 500}, "hidden");
        hidden->setIsHidden(true);
    }

    MindMapNode* root = nullptr;
    MindMapNode* first = nullptr;
    MindMapNode* grandchild = nullptr;
    MindMapNode* second = nullptr;
    MindMapNode* hidden = nullptr;
};

TEST_F(ListLayoutTest, ListIndentsEachLevelWithLeadInsFromThePreviousRow)
{
    StrictNodeLayouter::layoutBranch(root, 3);
    EXPECT_EQ(root->location(), (Point{0, 0}));
    const double x = 30 - root->size().width / 2;
    const double y = root->bounds().maxY() + 6;

    EXPECT_DOUBLE_EQ(first->bounds().minX(), x);
    EXPECT_DOUBLE_EQ(first->bounds().minY(), y);
    const RelationPath& path = first->parentRelation()->relationPath();
    EXPECT_TRUE(path.hasLeadIn);
    EXPECT_FALSE(path.hasLeadOut);
    EXPECT_EQ(path.leadInPoint, (Point{x - 20, 0}));
    EXPECT_TRUE(path.isStraightLine());
    EXPECT_EQ(path.p0, (Point{x - 20, first->location().y}));
    EXPECT_EQ(path.p3, first->location());

    EXPECT_DOUBLE_EQ(grandchild->bounds().minX(), x + 30);
    EXPECT_DOUBLE_EQ(grandchild->bounds().minY(), first->bounds().maxY() + 6);
    EXPECT_EQ(grandchild->parentRelation()->relationPath().leadInPoint, (Point{x + 10, first->location().y}));

    EXPECT_DOUBLE_EQ(second->bounds().minY(), y + first->measuredSize().height);
    EXPECT_EQ(second->parentRelation()->relationPath().leadInPoint, (Point{x - 20, first->location().y}));
    EXPECT_DOUBLE_EQ(hidden->location().x, x + 16);
    EXPECT_DOUBLE_EQ(hidden->location().y, y + first->measuredSize().height + second->measuredSize().height + 8);

    EXPECT_EQ(first->measuredSize(), (Size{std::max(first->size().width, grandchild->size().width + 30),
                                           first->size().height + 6 + grandchild->size().height + 6}));
    EXPECT_EQ(hidden->measuredSize(), (Size{32, 22}));
}

TEST_F(ListLayoutTest, ListWithDirectionLeftGrowsLeftward)
{
    root->setLayoutMode(3);
    root->setLayoutDirection(1);
    StrictNodeLayouter::layoutBranch(root, 3);
    const double right = root->bounds().maxX();
    EXPECT_DOUBLE_EQ(first->bounds().maxX(), right - 30);
    EXPECT_DOUBLE_EQ(first->parentRelation()->relationPath().leadInPoint.x, right - 10);
    EXPECT_DOUBLE_EQ(grandchild->bounds().maxX(), right - 60);
    EXPECT_DOUBLE_EQ(hidden->location().x, right - 30 - 16);
}

TEST_F(ListLayoutTest, CollapsedListRootLaysOutNothingButCollapsedInnerTopicsDo)
{
    root->setCollapsed(true);
    std::vector<Point> before;
    for (MindMapNode* node : map.nodes()) before.push_back(node->location());
    StrictNodeLayouter::layoutBranch(root, 3);
    for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(map.nodes()[i]->location(), before[i]);

    root->setCollapsed(false);
    first->setCollapsed(true);
    StrictNodeLayouter::layoutBranch(root, 3);
    EXPECT_FALSE(grandchild->isVisible());
    EXPECT_DOUBLE_EQ(grandchild->bounds().minX(), first->bounds().minX() + 30);
}

TEST_F(ListLayoutTest, TopDownRowHangsSixtyBelowOnABus)
{
    fresh();
    MindMapNode* chart = topic(nullptr, {0, 0}, "Chart");
    MindMapNode* only = topic(chart, {300, 300}, "only");
    StrictNodeLayouter::layoutBranch(chart, 4);
    // A single child is centred under the root.
    EXPECT_DOUBLE_EQ(only->location().x, 0);
    EXPECT_DOUBLE_EQ(only->bounds().minY(), chart->size().height / 2 + 60);
    const double busY = chart->size().height / 2 + 15;
    const RelationPath& path = only->parentRelation()->relationPath();
    EXPECT_FALSE(path.hasLeadIn);
    EXPECT_TRUE(path.hasLeadOut);
    EXPECT_EQ(path.leadInPoint.x, 0);
    EXPECT_DOUBLE_EQ(path.leadInPoint.y, busY);
    EXPECT_EQ(path.leadOutPoint, only->location());
    EXPECT_EQ(path.p0.x, only->location().x);
    EXPECT_DOUBLE_EQ(path.p0.y, busY);
    EXPECT_DOUBLE_EQ(path.p3.y, only->bounds().minY());
    const Point rootLeadOut = chart->parentRelation()->relationPath().leadOutPoint;
    EXPECT_EQ(rootLeadOut.x, 0);
    EXPECT_DOUBLE_EQ(rootLeadOut.y, chart->size().height / 2);

    // Siblings 20 apart, the row centred.
    MindMapNode* other = topic(chart, {300, 300}, "other one");
    StrictNodeLayouter::layoutBranch(chart, 4);
    EXPECT_DOUBLE_EQ(other->bounds().minX() - only->bounds().maxX(), 20);
    EXPECT_DOUBLE_EQ(only->bounds().minX(), -(only->size().width + 20 + other->size().width) / 2);
}

TEST_F(ListLayoutTest, TopDownDirectionsTurnTheChart)
{
    root->setLayoutMode(4);
    root->setLayoutDirection(3);
    StrictNodeLayouter::layoutBranch(root, 4);
    // Above the root, deeper levels growing upward.
    EXPECT_DOUBLE_EQ(first->bounds().maxY(), root->bounds().minY() - 60);
    EXPECT_DOUBLE_EQ(grandchild->bounds().maxY(), first->bounds().minY() - 6);
    EXPECT_DOUBLE_EQ(grandchild->bounds().minX(), first->bounds().minX() + 30);
    EXPECT_DOUBLE_EQ(first->parentRelation()->relationPath().p3.y, first->bounds().maxY());
    EXPECT_LT(first->location().x, second->location().x);

    for (int32_t direction : {4, 6}) {
        root->setLayoutDirection(direction);
        StrictNodeLayouter::layoutBranch(root, 4);
        EXPECT_GT(first->location().x, second->location().x) << direction;
        EXPECT_DOUBLE_EQ(grandchild->bounds().maxX(), first->bounds().maxX() - 30) << direction;
        EXPECT_EQ(first->location().y < 0, direction == 4);
    }
}

} // namespace
