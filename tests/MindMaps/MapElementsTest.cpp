#include "MindMapTestSupport.h"

#include "MindMaps/CompositeElement.h"
#include "MindMaps/ContainedElement.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapDocumentOwner.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"

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

// A contained element with a box of a given size around its location, counting validations and
// telling when it is destroyed.
class TestBox : public ContainedElement {
public:
    TestBox(CompositeElement* container, Size size, bool* destroyed = nullptr)
        : ContainedElement(container), _size(size), _destroyed(destroyed)
    {
    }
    ~TestBox() override
    {
        if (_destroyed) *_destroyed = true;
    }

    int validations = 0;

    Rect bounds() const override
    {
        Point c = location();
        return Rect(c.x - _size.width / 2, c.y - _size.height / 2, _size.width, _size.height);
    }
    void validateState() override { ++validations; }

private:
    Size _size;
    bool* _destroyed;
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

    // A box whose destruction flag is given must leave its container before the test ends.
    TestBox* addBox(CompositeElement& container, Size size, bool* destroyed = nullptr)
    {
        return static_cast<TestBox*>(
            container.appendContainedElement(std::make_unique<TestBox>(&container, size, destroyed)));
    }

    bool isBase64UrlCharacter(char c)
    {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    }

    CountingNodeEditor editor;
    FakeDocumentOwner owner;
    MindMap map;
};

TEST_F(MapElementsTest, TypeBitsOfTheElementKinds)
{
    EXPECT_EQ(ElementTypeNode, 1);
    EXPECT_EQ(ElementTypeCrossLink, 2);
    EXPECT_EQ(ElementTypeParentRelation, 4);
    EXPECT_EQ(ElementTypeImage, 8);
    EXPECT_EQ(ElementTypeText, 16);

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
    EXPECT_FALSE(node->hasGuid());

    std::string guid = node->guid();
    ASSERT_EQ(guid.size(), 22u);
    for (char c : guid) EXPECT_TRUE(isBase64UrlCharacter(c)) << c;
    EXPECT_TRUE(node->hasGuid());
    ASSERT_EQ(owner.changes.size(), 1u);
    EXPECT_EQ(owner.changes[0], MindMapDocumentOwner::ChangeKind::Done);

    EXPECT_EQ(node->guid(), guid);
    EXPECT_NE(topic()->guid(), guid);

    forgetReports();
    MindMapNode mapless(nullptr); // as a reader may hold before it adds it
    EXPECT_EQ(mapless.guid().size(), 22u);
    EXPECT_TRUE(owner.changes.empty());
}

TEST_F(MapElementsTest, MovingHandsTheElementOver)
{
    bool destroyed = false; // outlives the target, which destroys the box
    MindMapNode* source = topic();
    TestComposite target(&map);
    TestBox* box = addBox(*source, Size{4, 4}, &destroyed);
    box->setRelLocation(Point{10, 20});
    forgetReports();

    source->moveContainedElement(box, &target);
    EXPECT_FALSE(source->hasContainedElements());
    EXPECT_EQ(target.containedElements(), std::vector<ContainedElement*>{box});
    EXPECT_EQ(box->container(), &target);
    EXPECT_EQ(box->relLocation(), (Point{0, 0}));
    EXPECT_EQ(target.defaultPlacements, 1);
    EXPECT_EQ(box->validations, 1);
    EXPECT_FALSE(destroyed);
    // The new default location and the target's report.
    EXPECT_EQ(editor.changes, 2);
    EXPECT_TRUE(map.needsLayout());
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

TEST_F(MapElementsTest, RemoveContainedElementGivesItBack)
{
    MindMapNode* node = topic();
    MindMapText* text = node->addText();
    map.setSelectedElement(node);
    forgetReports();

    std::unique_ptr<ContainedElement> removed = node->removeContainedElement(text);
    ASSERT_EQ(removed.get(), text);
    EXPECT_EQ(text->container(), nullptr);
    EXPECT_FALSE(node->hasContainedElements());
    EXPECT_FALSE(map.containsElement(text));
    EXPECT_TRUE(map.needsLayout());
    EXPECT_EQ(editor.changes, 1);
    // The report names no element, so not the selected container either.
    EXPECT_TRUE(editor.toolUpdates.empty());

    EXPECT_EQ(node->removeContainedElement(text), nullptr);
    EXPECT_EQ(editor.changes, 1);
    EXPECT_EQ(text->remove(), nullptr);

}

TEST_F(MapElementsTest, OverlappingElementsHitTestTopmostFirst)
{
    TestComposite node(&map);
    TestBox* lower = addBox(node, Size{20, 20});
    TestBox* upper = addBox(node, Size{20, 20});
    upper->setRelLocation(Point{5, 5});

    EXPECT_EQ(node.hitTestContainedElements(Point{2, 2}), upper);
    EXPECT_EQ(node.hitTestContainedElements(Point{-8, -8}), lower);
    EXPECT_EQ(node.hitTestContainedElements(Point{40, 40}), nullptr);

    lower->orderForward();
    EXPECT_EQ(node.hitTestContainedElements(Point{2, 2}), lower);
}

TEST_F(MapElementsTest, HitTestOfAContainedElementIsItsBounds)
{
    TestComposite node(&map);
    TestBox* box = addBox(node, Size{10, 10});
    EXPECT_TRUE(box->hitTest(Point{-5, -5})); // minimum edges belong to the box
    EXPECT_TRUE(box->hitTest(Point{4.9, 4.9}));
    EXPECT_FALSE(box->hitTest(Point{5, 0})); // maximum edges do not
    EXPECT_FALSE(box->hitTest(Point{0, 5}));

    TestBox* empty = addBox(node, Size{0, 0});
    EXPECT_FALSE(empty->hitTest(Point{0, 0})) << "no size, nothing to hit";
}

TEST_F(MapElementsTest, NodePlacesElementsJustAboveItself)
{
    MindMapNode* node = topic();
    node->setLocation(Point{40, 30});
    TestBox* box = addBox(*node, Size{10, 6});
    box->setRelLocation(Point{3, 3});
    box->assignDefaultLocation();
    EXPECT_EQ(box->validations, 1);
    EXPECT_EQ(box->relLocation().x, 0);
    EXPECT_DOUBLE_EQ(box->bounds().midX(), 40);
    EXPECT_DOUBLE_EQ(box->bounds().maxY(), node->bounds().minY() - 2);
}

} // namespace
