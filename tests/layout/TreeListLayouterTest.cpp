#include "StrictLayoutTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class ListLayoutTest : public layouttest::StrictLayoutTest {
protected:
    void SetUp() override
    {
        StrictLayoutTest::SetUp();
        root = smallBranch(0, 0);
        first = root->childAtIndex(0);
        grandchild = first->childAtIndex(0);
        second = root->childAtIndex(1);
        hidden = root->childAtIndex(2);
        hidden->setIsHidden(true);
    }

    MindMapNode *root, *first, *grandchild, *second, *hidden;
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
    EXPECT_TRUE(path.hasLeadIn && !path.hasLeadOut && path.isStraightLine());
    EXPECT_EQ(path.leadInPoint(), (Point{x - 20, 0}));
    EXPECT_EQ(path.p0, (Point{x - 20, first->location().y}));
    EXPECT_EQ(path.p3, first->location());

    EXPECT_DOUBLE_EQ(grandchild->bounds().minX(), x + 30);
    EXPECT_DOUBLE_EQ(grandchild->bounds().minY(), first->bounds().maxY() + 6);
    EXPECT_DOUBLE_EQ(second->bounds().minY(), y + first->measuredSize().height);
    EXPECT_EQ(second->parentRelation()->relationPath().leadInPoint(), (Point{x - 20, first->location().y}));
    EXPECT_DOUBLE_EQ(hidden->location().x, x + 16);
    EXPECT_DOUBLE_EQ(hidden->location().y, y + first->measuredSize().height + second->measuredSize().height + 8);

    EXPECT_EQ(first->measuredSize(),
              (Size{std::max(first->size().width, grandchild->size().width + 30),
                    first->size().height + 6 + grandchild->size().height + 6}));
    EXPECT_EQ(hidden->measuredSize(), (Size{32, 22}));

    // Direction 1 lists leftward: cells 30 and lead-ins 10 inside the root's right edge.
    root->setLayoutMode(3);
    root->setLayoutDirection(1);
    StrictNodeLayouter::layoutBranch(root, 3);
    EXPECT_DOUBLE_EQ(first->bounds().maxX(), root->bounds().maxX() - 30);
    EXPECT_DOUBLE_EQ(first->parentRelation()->relationPath().leadInPoint().x, root->bounds().maxX() - 10);
}

TEST_F(ListLayoutTest, CollapsedListRootLaysOutNothingButCollapsedInnerTopicsDo)
{
    root->setCollapsed(true);
    StrictNodeLayouter::layoutBranch(root, 3);
    EXPECT_EQ(first->location(), (Point{100, -50}));

    root->setCollapsed(false);
    first->setCollapsed(true);
    StrictNodeLayouter::layoutBranch(root, 3);
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
    const RelationPath& path = only->parentRelation()->relationPath();
    EXPECT_TRUE(!path.hasLeadIn && path.hasLeadOut);
    EXPECT_DOUBLE_EQ(path.leadInPoint().y, chart->size().height / 2 + 15);
    EXPECT_DOUBLE_EQ(path.p0.y, chart->size().height / 2 + 15);
    EXPECT_DOUBLE_EQ(path.p3.y, only->bounds().minY());
    EXPECT_EQ(path.leadOutPoint(), only->location());
    EXPECT_DOUBLE_EQ(chart->parentRelation()->relationPath().leadOutPoint().y, chart->size().height / 2);

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
    EXPECT_DOUBLE_EQ(first->parentRelation()->relationPath().p3.y, first->bounds().maxY());
    EXPECT_LT(first->location().x, second->location().x);
    for (int32_t direction : {4, 6}) {
        root->setLayoutDirection(direction);
        StrictNodeLayouter::layoutBranch(root, 4);
        EXPECT_GT(first->location().x, second->location().x) << direction;
        EXPECT_DOUBLE_EQ(grandchild->bounds().maxX(), first->bounds().maxX() - 30) << direction;
    }
}

} // namespace
