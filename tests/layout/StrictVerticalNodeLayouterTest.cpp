#include "StrictLayoutTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using layouttest::StrictLayoutTest;

TEST_F(StrictLayoutTest, VerticalMeasuresOwnWidthChildrenAndHulls)
{
    MindMapNode* root = topic(nullptr, {}, "Root");
    MindMapNode* leaf = topic(root, {}, "leaf");
    MindMapNode* pair = topic(root, {}, "pair");
    MindMapNode* a = topic(pair, {}, "a");
    MindMapNode* b = topic(pair, {}, "b");
    MindMapNode* hull = topic(root, {}, "hull");
    hull->assureHullStyle();
    MindMapNode* hidden = topic(root, {}, "hidden");
    hidden->setIsHidden(true);
    root->setLayoutDirection(5);
    StrictNodeLayouter::layoutBranch(root, 2);

    EXPECT_EQ(leaf->measuredSize(), (Size{leaf->size().width + 12, leaf->size().height}));
    const double children = a->measuredSize().width + b->measuredSize().width;
    EXPECT_EQ(pair->measuredSize().width, std::max(pair->size().width + 12, children) + 4);
    EXPECT_EQ(hull->measuredSize().width, hull->size().width + 12 + 6);
    EXPECT_EQ(hidden->measuredSize(), (Size{44, 16}));

    // Every child below the root, 60 under it, in a row centred on it.
    double total = 0;
    for (MindMapNode* node : root->children()) total += node->measuredSize().width;
    double left = -total / 2;
    for (MindMapNode* node : root->children()) {
        if (node != hidden) EXPECT_DOUBLE_EQ(node->bounds().minY(), root->size().height / 2 + 60);
        EXPECT_DOUBLE_EQ(node->location().x, left + node->measuredSize().width / 2);
        left += node->measuredSize().width;
    }
    EXPECT_DOUBLE_EQ(a->bounds().minY(), pair->bounds().maxY() + 60);
}

TEST_F(StrictLayoutTest, VerticalRootSplitsItsChildrenAboveAndBelow)
{
    struct Case {
        int32_t direction;
        std::vector<double> oldY;
        std::vector<bool> above;
    };
    const Case cases[] = {
        {0, {0, 0}, {true, false}},
        {3, {100, 100}, {true, true}},
        {5, {-100, -100}, {false, false}},
        {4, {0, 0}, {true, false}}, // not offered for this mode: balanced
        {7, {-100, 100, -100}, {true, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.direction);
        fresh();
        MindMapNode* root = topic(nullptr, {0, 0}, "Root");
        std::vector<MindMapNode*> children;
        for (double y : c.oldY) children.push_back(topic(root, {0, y}, "same"));
        root->setLayoutDirection(c.direction);
        StrictNodeLayouter::layoutBranch(root, 2);
        for (size_t i = 0; i < children.size(); ++i) EXPECT_EQ(children[i]->location().y < 0, c.above[i]) << i;
    }
}

} // namespace
