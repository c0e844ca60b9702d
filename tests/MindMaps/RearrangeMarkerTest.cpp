#include "MindMaps/RearrangeMarker.h"
#include "MindMaps/TopicHideTool.h"

#include <gtest/gtest.h>

TEST(RearrangeMarker, ClearDropsTheNodeAndHides)
{
    static int storage; // the marker only keeps the node's address
    RearrangeMarker marker;
    marker.setRefNode(reinterpret_cast<MindMapNode*>(&storage));
    marker.setVisible(true);
    marker.clear();
    EXPECT_EQ(nullptr, marker.refNode());
    EXPECT_FALSE(marker.visible());
}

TEST(TopicHideTool, IsOffUntilSet)
{
    EXPECT_FALSE(topicHasHideTool());
    setTopicHasHideTool(true);
    EXPECT_TRUE(topicHasHideTool());
    setTopicHasHideTool(false);
}
