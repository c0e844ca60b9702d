#include "MindMapTestSupport.h"
#include "MindMaps/MindMapImage.h"
#include <gtest/gtest.h>

using namespace maptest;

// The image clean-up deletes every stored picture no map reports, so pictures hung on relations
// must be reported as well as those on topics.
TEST(MindMapImages, RelationImagesAreReferenced)
{
    MindMap map;
    TwoThemeTopics topics;
    topics.addTo(map);
    EXPECT_FALSE(map.containsImages());

    topics.a1->parentRelation()->addCustomImage("aaaa", "tttt");
    EXPECT_TRUE(map.containsImages());

    CrossLink* link = map.addCrossLinkFromSource(topics.a2, topics.b1);
    ASSERT_NE(link, nullptr);
    link->addCustomImage("bbbb", "");
    topics.b->addCustomImage("cccc", "");

    std::set<std::string> images;
    map.collectReferencedImages(images);
    for (const char* hash : {"aaaa", "tttt", "bbbb", "cccc"}) EXPECT_TRUE(images.count(hash)) << hash;
}

TEST(MindMapImages, CrossLinkImageAloneCounts)
{
    MindMap map;
    TwoThemeTopics topics;
    topics.addTo(map);
    map.addCrossLinkFromSource(topics.a, topics.b)->addCustomImage("dddd", "");
    EXPECT_TRUE(map.containsImages());
}
