#include "editor-view/RearrangeMarker.h"
#include "editor-view/TopicHideTool.h"

#include <gtest/gtest.h>

namespace {

// The marker only keeps the node's address; it never looks into the node.
MindMapNode* someNode()
{
    static int storage;
    return reinterpret_cast<MindMapNode*>(&storage);
}

} // namespace

TEST(RearrangeMarker, StartsHiddenWithoutNode)
{
    RearrangeMarker marker;
    EXPECT_EQ(nullptr, marker.refNode());
    EXPECT_FALSE(marker.visible());
}

TEST(RearrangeMarker, ClearDropsTheNodeAndHides)
{
    RearrangeMarker marker;
    marker.setRefNode(someNode());
    marker.setVisible(true);
    EXPECT_EQ(someNode(), marker.refNode());

    marker.clear();
    EXPECT_EQ(nullptr, marker.refNode());
    EXPECT_FALSE(marker.visible());
}

TEST(TopicHideTool, IsOffUntilSetAndFollowsTheSetting)
{
    EXPECT_FALSE(topicHasHideTool());
    setTopicHasHideTool(true);
    EXPECT_TRUE(topicHasHideTool());
    setTopicHasHideTool(false);
    EXPECT_FALSE(topicHasHideTool());
}
