#include "MindMapTestSupport.h"

#include "MindMaps/CompositeElement.h"
#include "MindMaps/ContainedElement.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapDocumentOwner.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "Utils/Base64Url.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

using maptest::CountingNodeEditor;
using maptest::FakeDocumentOwner;

namespace {

// A composite with a location and a visibility of its own, counting default placements.
class TestComposite : public CompositeElement {
public:
    using CompositeElement::CompositeElement;
    Point where;
    bool visible = true;
    int defaultPlacements = 0;

    Point location() const override { return where; }
    bool isVisible() const override { return visible; }
    void assignDefaultLocation(ContainedElement* element) override
    {
        ++defaultPlacements;
        CompositeElement::assignDefaultLocation(element);
    }
};

class RelationLike : public MindMapElement {
public:
    RelationLike(MindMap* map, int32_t type) : MindMapElement(map), _type(type) {}
    int32_t elementType() const override { return _type; }

private:
    int32_t _type;
};

class MapElementsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        editor.focused = false;
        map.setNodeEditor(&editor);
        map.setDocumentOwner(&owner);
    }

    // A topic of the map, which owns it (as it owns every node).
    MindMapNode* topic() { return map.internalAddCentralTheme(""); }

    // Forgets what making the test's elements reported, so that a test sees only its own step.
    void forgetReports()
    {
        editor.changes = 0;
        editor.toolUpdates.clear();
        owner.changes.clear();
        map.setNeedsLayout(false);
    }

    CountingNodeEditor editor;
    FakeDocumentOwner owner;
    MindMap map;
};

TEST_F(MapElementsTest, TypeBitsOfTheElementKinds)
{
    MindMapNode* node = topic();
    EXPECT_EQ(node->elementType(), 1);
    EXPECT_EQ(node->addText()->elementType(), 16);
    EXPECT_EQ(node->addCustomImage("ab", "cd")->elementType(), 8);
    EXPECT_EQ(MindMapElement(&map).elementType(), 0);
    EXPECT_TRUE(RelationLike(&map, 2).isLinkType());
    EXPECT_TRUE(RelationLike(&map, 4).isLinkType());
    EXPECT_FALSE(RelationLike(&map, 6).isLinkType());
}

TEST_F(MapElementsTest, FirstGuidRequestMakesOneGuidAndMarksTheMapModified)
{
    MindMapNode* node = topic();
    forgetReports();
    const std::string guid = node->guid();
    ASSERT_EQ(guid.size(), 22u);
    const auto bytes = dataByBase64UrlSafeDecoding(guid);
    EXPECT_TRUE(bytes && bytes->size() == 16u) << guid;
    ASSERT_EQ(owner.changes.size(), 1u);
    EXPECT_EQ(node->guid(), guid);
    EXPECT_NE(topic()->guid(), guid);
}

TEST_F(MapElementsTest, MovingIntoAnotherMapOrFromANonHolderIsRefused)
{
    MindMap otherMap;
    MindMapNode* source = topic();
    MindMapNode* foreign = otherMap.internalAddCentralTheme("");
    MindMapText* text = source->addText();
    forgetReports();
    source->moveContainedElement(text, foreign);
    MindMapNode* c = topic();
    forgetReports();
    c->moveContainedElement(text, c); // not held by c
    EXPECT_EQ(text->container(), source);
    EXPECT_FALSE(foreign->hasContainedElements());
    EXPECT_EQ(editor.changes, 0);
}

} // namespace
