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

// --- The element base ---

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
}

TEST_F(MapElementsTest, OnlyRelationTypesAreLinkTypes)
{
    EXPECT_TRUE(RelationLike(&map, 2).isLinkType());
    EXPECT_TRUE(RelationLike(&map, 4).isLinkType());
    EXPECT_FALSE(RelationLike(&map, 1).isLinkType());
    EXPECT_FALSE(RelationLike(&map, 6).isLinkType());
    EXPECT_FALSE(RelationLike(&map, 0).isLinkType());
}

TEST_F(MapElementsTest, BaseBehaviour)
{
    MindMapElement element(&map);
    EXPECT_EQ(element.mindMap(), &map);
    EXPECT_FALSE(element.hitTest(Point{0, 0}));
    EXPECT_TRUE(element.bounds().isZero());
    element.setLocation(Point{5, 6});
    EXPECT_EQ(element.location(), (Point{0, 0}));
    EXPECT_FALSE(element.isEditing());
    EXPECT_TRUE(element.isVisible());
    EXPECT_EQ(element.stringForToolTip(nullptr, Point{1, 1}, nullptr), "");
    std::set<std::string> images;
    element.collectReferencedImages(images);
    EXPECT_TRUE(images.empty());
    element.setColor(Color(1, 0, 0));
    element.clearStyleCustomization();
    element.applyPreset(nullptr);
    EXPECT_EQ(editor.changes, 0);
    EXPECT_TRUE(editor.toolUpdates.empty());
    EXPECT_TRUE(owner.changes.empty());
}

TEST_F(MapElementsTest, SelectionAndFocusFlags)
{
    MindMapElement element(&map);
    EXPECT_FALSE(element.isSelected());
    EXPECT_FALSE(element.isAutoFocused());
    EXPECT_FALSE(element.searchMatch());
    element.setIsSelected(true);
    element.setIsAutoFocused(true);
    element.setSearchMatch(true);
    element.setDragOffset(Point{3, -4});
    EXPECT_TRUE(element.isSelected());
    EXPECT_TRUE(element.isAutoFocused());
    EXPECT_TRUE(element.searchMatch());
    EXPECT_EQ(element.dragOffset(), (Point{3, -4}));
}

// --- GUIDs ---

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
    EXPECT_EQ(owner.changes.size(), 1u);
}

TEST_F(MapElementsTest, GuidsDiffer)
{
    MindMapNode* a = topic();
    MindMapNode* b = topic();
    EXPECT_NE(a->guid(), b->guid());
}

TEST_F(MapElementsTest, SetGuidStoresWithoutMarkingModified)
{
    MindMapNode* node = topic();
    forgetReports();
    node->setGuid("abcdefghijklmnopqrstuv");
    EXPECT_TRUE(node->hasGuid());
    EXPECT_EQ(node->guid(), "abcdefghijklmnopqrstuv");
    EXPECT_TRUE(owner.changes.empty());
}

TEST_F(MapElementsTest, EmptyGuidLeavesTheElementWithoutGuid)
{
    MindMapNode* node = topic();
    node->setGuid("");
    EXPECT_FALSE(node->hasGuid());
    node->setGuid("x");
    node->setGuid("");
    EXPECT_FALSE(node->hasGuid());
}

TEST_F(MapElementsTest, GuidWithoutMapIsMadeWithoutReport)
{
    MindMapNode node(nullptr); // a node of no map, as a reader may hold before it adds it
    EXPECT_EQ(node.guid().size(), 22u);
    EXPECT_TRUE(owner.changes.empty());
}

TEST_F(MapElementsTest, FindingByGuidCreatesNoGuid)
{
    MindMapNode* node = topic();
    MindMapText* plain = node->addText();
    MindMapText* named = node->addText();
    forgetReports();
    named->setGuid("known");
    EXPECT_EQ(node->findContainedElementWithGuid("known"), named);
    EXPECT_EQ(node->findContainedElementWithGuid("unknown"), nullptr);
    EXPECT_EQ(node->findContainedElementWithGuid(""), nullptr);
    EXPECT_FALSE(plain->hasGuid());
    EXPECT_TRUE(owner.changes.empty());
}

TEST_F(MapElementsTest, FindingByGuidAnswersTheFirstMatch)
{
    MindMapNode* node = topic();
    MindMapText* first = node->addText();
    MindMapText* second = node->addText();
    first->setGuid("same");
    second->setGuid("same");
    EXPECT_EQ(node->findContainedElementWithGuid("same"), first);
}

// --- The map's part ---

TEST_F(MapElementsTest, MarkModifiedReachesTheOwner)
{
    map.markModified();
    map.markModified();
    ASSERT_EQ(owner.changes.size(), 2u);
    EXPECT_EQ(owner.changes[1], MindMapDocumentOwner::ChangeKind::Done);
}

TEST_F(MapElementsTest, ModifiedFollowsTheOwner)
{
    EXPECT_FALSE(map.modified());
    owner.edited = true;
    EXPECT_TRUE(map.modified());
    MindMap lone;
    EXPECT_FALSE(lone.modified());
    lone.markModified(); // nobody to tell
    EXPECT_EQ(lone.imageStore(), nullptr);
}

TEST_F(MapElementsTest, BoundsChangeNeedsLayoutAndRedraws)
{
    MindMapNode* node = topic();
    forgetReports();
    map.elementBoundsChanged(node);
    EXPECT_TRUE(map.needsLayout());
    EXPECT_EQ(editor.changes, 1);
    EXPECT_TRUE(editor.toolUpdates.empty()) << "tools belong to the selected element only";
}

TEST_F(MapElementsTest, BoundsChangeOfTheSelectedElementRebuildsItsTools)
{
    MindMapNode* node = topic();
    MindMapNode* other = topic();
    map.setSelectedElement(node);
    forgetReports();
    map.elementBoundsChanged(node);
    EXPECT_EQ(editor.changes, 1);
    EXPECT_EQ(editor.toolUpdates, std::vector<MindMapElement*>{node});

    map.elementBoundsChanged(other);
    map.elementBoundsChanged(nullptr);
    EXPECT_EQ(editor.changes, 3);
    EXPECT_EQ(editor.toolUpdates.size(), 1u);
}

TEST_F(MapElementsTest, BoundsChangesInsideAnUpdateAreReportedOnceAtItsEnd)
{
    MindMapNode* node = topic();
    map.setSelectedElement(node);
    forgetReports();
    {
        MindMap::UpdateGuard update(map);
        map.elementBoundsChanged(node);
        map.elementBoundsChanged(nullptr);
        EXPECT_TRUE(map.needsLayout());
        EXPECT_EQ(editor.changes, 0);
        EXPECT_TRUE(editor.toolUpdates.empty());
    }
    EXPECT_EQ(editor.changes, 1);
    EXPECT_EQ(editor.toolUpdates, std::vector<MindMapElement*>{nullptr});
}

TEST_F(MapElementsTest, BoundsChangeWithoutEditorStillNeedsLayout)
{
    MindMapNode* node = topic();
    map.setSelectedElement(node);
    forgetReports();
    map.setNodeEditor(nullptr);
    EXPECT_EQ(map.nodeEditor(), nullptr);
    map.elementBoundsChanged(node);
    EXPECT_TRUE(map.needsLayout());
    EXPECT_EQ(editor.changes, 0);
    EXPECT_TRUE(editor.toolUpdates.empty());
}

// --- Composites ---

TEST_F(MapElementsTest, AddTextAppendsAndReports)
{
    MindMapNode* node = topic();
    map.setSelectedElement(node);
    forgetReports();
    EXPECT_FALSE(node->hasContainedElements());
    MindMapText* text = node->addText();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->container(), node);
    EXPECT_EQ(text->mindMap(), &map);
    EXPECT_TRUE(node->hasContainedElements());
    EXPECT_FALSE(node->hasCustomImages());
    EXPECT_EQ(node->indexOfContainedElement(text), 0u);
    EXPECT_EQ(node->containedElements(), std::vector<ContainedElement*>{text});
    EXPECT_TRUE(map.containsElement(text));
    EXPECT_TRUE(map.needsLayout());
    EXPECT_EQ(editor.changes, 1);
    // The report names the new text, not its selected container.
    EXPECT_TRUE(editor.toolUpdates.empty());
}

TEST_F(MapElementsTest, AddCustomImageKeepsHashesInLowerCase)
{
    MindMapNode* node = topic();
    map.setSelectedElement(node);
    forgetReports();
    MindMapImage* image = node->addCustomImage("ABCDEF0123", "");
    EXPECT_EQ(image->imageHash(), "abcdef0123");
    EXPECT_EQ(image->thumbnailHash(), "");
    EXPECT_TRUE(map.needsLayout());
    const int changesAfterFirst = editor.changes;
    EXPECT_GE(changesAfterFirst, 1);

    EXPECT_EQ(node->addCustomImage("aa", "BB")->thumbnailHash(), "bb");
    EXPECT_TRUE(node->hasCustomImages());
    EXPECT_EQ(node->containedElementCount(), 2u);
    EXPECT_GT(editor.changes, changesAfterFirst);
    // The reports name the new images, not their selected container.
    EXPECT_TRUE(editor.toolUpdates.empty());
}

TEST_F(MapElementsTest, AsNodeTellsNodesFromOtherComposites)
{
    MindMapNode* node = topic();
    TestComposite relation(&map);
    EXPECT_EQ(node->asNode(), node);
    EXPECT_EQ(relation.asNode(), nullptr);
}

TEST_F(MapElementsTest, IndexOfElementNotHeldIsNotFound)
{
    MindMapNode* node = topic();
    MindMapNode* other = topic();
    MindMapText* text = other->addText();
    EXPECT_EQ(node->indexOfContainedElement(text), CompositeElement::NotFound);
    EXPECT_EQ(node->indexOfContainedElement(nullptr), CompositeElement::NotFound);
}

TEST_F(MapElementsTest, OrderingAtTheEndsChangesNothingAndReportsNothing)
{
    MindMapNode* node = topic();
    MindMapText* first = node->addText();
    MindMapText* last = node->addText();
    map.setSelectedElement(first);
    forgetReports();

    node->orderContainedElementBackward(first);
    node->orderContainedElementForward(last);
    first->orderBackward();
    last->orderForward();
    EXPECT_EQ(node->containedElements(), (std::vector<ContainedElement*>{first, last}));
    EXPECT_EQ(editor.changes, 0);
    EXPECT_TRUE(editor.toolUpdates.empty());
    EXPECT_FALSE(map.needsLayout());
}

TEST_F(MapElementsTest, OrderingMovesOnePlaceAndReportsTheElement)
{
    MindMapNode* node = topic();
    MindMapText* a = node->addText();
    MindMapText* b = node->addText();
    MindMapText* c = node->addText();

    map.setSelectedElement(a);
    forgetReports();
    node->orderContainedElementForward(a);
    EXPECT_EQ(node->containedElements(), (std::vector<ContainedElement*>{b, a, c}));
    EXPECT_EQ(editor.changes, 1);
    EXPECT_TRUE(map.needsLayout());

    map.setSelectedElement(c);
    c->orderBackward();
    EXPECT_EQ(node->containedElements(), (std::vector<ContainedElement*>{b, c, a}));
    EXPECT_EQ(a->indexInContainer(), 2u);
    EXPECT_EQ(editor.changes, 2);
    EXPECT_EQ(editor.toolUpdates, (std::vector<MindMapElement*>{a, c}));
}

TEST_F(MapElementsTest, OrderingAnElementOfAnotherContainerDoesNothing)
{
    MindMapNode* node = topic();
    MindMapNode* other = topic();
    node->addText();
    node->addText();
    MindMapText* foreign = other->addText();
    map.setSelectedElement(foreign);
    forgetReports();
    node->orderContainedElementForward(foreign);
    node->orderContainedElementBackward(foreign);
    node->orderContainedElementForward(nullptr);
    EXPECT_EQ(editor.changes, 0);
    EXPECT_TRUE(editor.toolUpdates.empty());
    EXPECT_EQ(other->containedElements(), std::vector<ContainedElement*>{foreign});
}

TEST_F(MapElementsTest, MovingToItsOwnContainerChangesNothing)
{
    MindMapNode* node = topic();
    MindMapText* text = node->addText();
    text->setRelLocation(Point{10, 20});
    map.setSelectedElement(text);
    forgetReports();

    node->moveContainedElement(text, node);
    text->linkToContainer(node);
    node->moveContainedElement(text, nullptr);
    EXPECT_EQ(text->container(), node);
    EXPECT_EQ(text->relLocation(), (Point{10, 20}));
    EXPECT_EQ(node->containedElementCount(), 1u);
    EXPECT_EQ(editor.changes, 0);
    EXPECT_TRUE(editor.toolUpdates.empty());
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

TEST_F(MapElementsTest, MovingReportsTheMovedElement)
{
    MindMapNode* source = topic();
    MindMapNode* target = topic();
    MindMapText* text = source->addText();
    text->setRelLocation(Point{10, 20});
    map.setSelectedElement(text);
    forgetReports();

    source->moveContainedElement(text, target);
    EXPECT_EQ(text->container(), target);
    EXPECT_NE(text->relLocation(), (Point{10, 20})) << "placed anew in the target";
    EXPECT_TRUE(map.containsElement(text));
    EXPECT_TRUE(map.needsLayout());
    // The new default location and the target's report (and whatever the text's revalidation
    // reports), every one about the text.
    ASSERT_GE(editor.toolUpdates.size(), 2u);
    EXPECT_EQ(editor.changes, static_cast<int>(editor.toolUpdates.size()));
    for (MindMapElement* element : editor.toolUpdates) EXPECT_EQ(element, text);
}

TEST_F(MapElementsTest, LinkToContainerMovesThroughTheCurrentContainer)
{
    MindMapNode* source = topic();
    MindMapNode* target = topic();
    MindMapText* text = source->addText();
    text->linkToContainer(target);
    EXPECT_EQ(text->container(), target);
    EXPECT_EQ(target->indexOfContainedElement(text), 0u);
    EXPECT_EQ(source->indexOfContainedElement(text), CompositeElement::NotFound);
}

TEST_F(MapElementsTest, MovingIntoAnotherMapIsRefused)
{
    MindMap otherMap;
    MindMapNode* source = topic();
    MindMapNode* foreign = otherMap.internalAddCentralTheme("");
    MindMapText* text = source->addText();
    forgetReports();
    source->moveContainedElement(text, foreign);
    EXPECT_EQ(text->container(), source);
    EXPECT_FALSE(foreign->hasContainedElements());
    EXPECT_EQ(editor.changes, 0);
}

TEST_F(MapElementsTest, MovingAnElementNotHeldDoesNothing)
{
    MindMapNode* a = topic();
    MindMapNode* b = topic();
    MindMapNode* c = topic();
    MindMapText* text = a->addText();
    forgetReports();
    b->moveContainedElement(text, c);
    EXPECT_EQ(text->container(), a);
    EXPECT_FALSE(c->hasContainedElements());
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
    EXPECT_EQ(text->indexInContainer(), CompositeElement::NotFound);
    EXPECT_FALSE(text->isVisible());

    EXPECT_EQ(node->removeContainedElement(text), nullptr);
    EXPECT_EQ(editor.changes, 1);
}

TEST_F(MapElementsTest, RemovedElementCanBeAppendedAgain)
{
    MindMapNode* node = topic();
    MindMapNode* other = topic();
    MindMapText* text = node->addText();
    std::unique_ptr<ContainedElement> removed = text->remove();
    other->appendContainedElement(std::move(removed));
    EXPECT_EQ(text->container(), other);
    EXPECT_EQ(other->indexOfContainedElement(text), 0u);
    EXPECT_TRUE(map.containsElement(text));
}

TEST_F(MapElementsTest, RemoveDestroysAnElementTheCallerDrops)
{
    MindMapNode* node = topic();
    bool destroyed = false;
    TestBox* box = addBox(*node, Size{1, 1}, &destroyed);
    forgetReports();

    box->remove();
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(node->hasContainedElements());
    EXPECT_EQ(editor.changes, 1);
    EXPECT_TRUE(editor.toolUpdates.empty());
}

TEST_F(MapElementsTest, RemoveOfAnElementWithoutContainerDoesNothing)
{
    MindMapNode* node = topic();
    TestBox loose(node, Size{1, 1}); // made for the node but never added to it
    EXPECT_EQ(loose.remove(), nullptr);
    EXPECT_EQ(loose.container(), nullptr);
    EXPECT_EQ(loose.remove(), nullptr);
}

TEST_F(MapElementsTest, RemoveAllDestroysEveryElementFromTheLast)
{
    MindMapNode* node = topic();
    bool firstGone = false, secondGone = false;
    addBox(*node, Size{1, 1}, &firstGone);
    addBox(*node, Size{1, 1}, &secondGone);
    forgetReports();

    node->removeAllContainedElements();
    EXPECT_TRUE(firstGone);
    EXPECT_TRUE(secondGone);
    EXPECT_FALSE(node->hasContainedElements());
    EXPECT_EQ(editor.changes, 2);
    EXPECT_TRUE(editor.toolUpdates.empty());
}

TEST_F(MapElementsTest, ContainerDestroysItsElements)
{
    bool destroyed = false;
    {
        TestComposite container(&map);
        addBox(container, Size{1, 1}, &destroyed);
    }
    EXPECT_TRUE(destroyed);
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

TEST_F(MapElementsTest, UnionOfContainedElementBounds)
{
    TestComposite node(&map);
    EXPECT_EQ(node.unionContainedElementBounds(Rect(1, 2, 3, 4)), Rect(1, 2, 3, 4));
    EXPECT_TRUE(node.unionContainedElementBounds(Rect()).isZero());

    TestBox* a = addBox(node, Size{2, 2});
    TestBox* b = addBox(node, Size{4, 2});
    a->setRelLocation(Point{-10, 0});
    b->setRelLocation(Point{10, 10});
    node.addText(); // zero size: adds nothing
    EXPECT_EQ(node.unionContainedElementBounds(Rect()), Rect(-11, -1, 23, 12));
    EXPECT_EQ(node.unionContainedElementBounds(Rect(0, 0, 1, 30)), Rect(-11, -1, 23, 31));
}

TEST_F(MapElementsTest, ValidateAsksEveryElement)
{
    TestComposite node(&map);
    TestBox* a = addBox(node, Size{1, 1});
    TestBox* b = addBox(node, Size{1, 1});
    node.validateContainedElements();
    node.validateContainedElements();
    EXPECT_EQ(a->validations, 2);
    EXPECT_EQ(b->validations, 2);
}

TEST_F(MapElementsTest, StyleAndImageReportsReachMixedElementsSafely)
{
    MindMapNode* node = topic();
    node->addText();
    node->addCustomImage("aa", "bb");
    addBox(*node, Size{1, 1});
    node->textStyleChanged();
    node->customImagesChanged("aa", 0);
    node->customImagesChanged("bb", 1);
    node->customImagesChanged("", 0);
    EXPECT_EQ(node->containedElementCount(), 3u);
}

// --- Contained elements ---

TEST_F(MapElementsTest, LocationsAreRelativeToTheContainer)
{
    TestComposite node(&map);
    node.where = Point{100, 50};
    TestBox* box = addBox(node, Size{2, 2});
    EXPECT_EQ(box->absLocation(), (Point{100, 50}));

    box->setRelLocation(Point{-10, 5});
    EXPECT_EQ(box->absLocation(), (Point{90, 55}));
    EXPECT_EQ(box->location(), (Point{90, 55}));

    box->setAbsLocation(Point{130, 20});
    EXPECT_EQ(box->relLocation(), (Point{30, -30}));
    box->setLocation(Point{100, 50});
    EXPECT_EQ(box->relLocation(), (Point{0, 0}));

    node.where = Point{0, 0};
    EXPECT_EQ(box->location(), (Point{0, 0}));
}

TEST_F(MapElementsTest, SetRelLocationReportsOnlyChanges)
{
    TestComposite node(&map);
    TestBox* box = addBox(node, Size{2, 2});
    forgetReports();
    box->setRelLocation(Point{0, 0});
    EXPECT_EQ(editor.changes, 0);
    EXPECT_FALSE(map.needsLayout());

    box->setRelLocation(Point{1, 0});
    EXPECT_EQ(editor.changes, 1);
    EXPECT_TRUE(map.needsLayout());
    box->setAbsLocation(Point{1, 0});
    EXPECT_EQ(editor.changes, 1);
}

TEST_F(MapElementsTest, SetRelLocationReportsTheElement)
{
    MindMapNode* node = topic();
    MindMapText* text = node->addText();
    map.setSelectedElement(text);
    forgetReports();

    text->setRelLocation(Point{1, 0});
    EXPECT_EQ(editor.changes, 1);
    EXPECT_EQ(editor.toolUpdates, std::vector<MindMapElement*>{text});
    text->setAbsLocation(node->location() + Point{1, 0});
    EXPECT_EQ(editor.changes, 1);
    EXPECT_EQ(editor.toolUpdates.size(), 1u);
}

TEST_F(MapElementsTest, VisibilityFollowsTheContainer)
{
    TestComposite node(&map);
    TestBox* box = addBox(node, Size{2, 2});
    EXPECT_TRUE(box->isVisible());
    node.visible = false;
    EXPECT_FALSE(box->isVisible());
}

TEST_F(MapElementsTest, AssignDefaultLocationValidatesThenAsksTheContainer)
{
    TestComposite node(&map);
    TestBox* box = addBox(node, Size{2, 2});
    box->setRelLocation(Point{7, 7});
    box->assignDefaultLocation();
    EXPECT_EQ(box->validations, 1);
    EXPECT_EQ(node.defaultPlacements, 1);
    EXPECT_EQ(box->relLocation(), (Point{0, 0}));
}

TEST_F(MapElementsTest, NodePlacesElementsJustAboveItself)
{
    MindMapNode* node = topic();
    node->setLocation(Point{40, 30});
    EXPECT_EQ(node->location(), (Point{40, 30}));
    TestBox* box = addBox(*node, Size{10, 6});
    box->setRelLocation(Point{3, 3});
    box->assignDefaultLocation();
    EXPECT_EQ(box->validations, 1);
    EXPECT_EQ(box->relLocation().x, 0);
    EXPECT_DOUBLE_EQ(box->bounds().midX(), 40);
    EXPECT_DOUBLE_EQ(box->bounds().maxY(), node->bounds().minY() - 2);
}

TEST_F(MapElementsTest, ElementMadeForAContainerIsNotAddedByItself)
{
    MindMapNode* node = topic();
    MindMapText text(node);
    EXPECT_EQ(text.container(), node);
    EXPECT_EQ(text.mindMap(), &map);
    EXPECT_FALSE(node->hasContainedElements());
    EXPECT_FALSE(map.containsElement(&text));
    EXPECT_EQ(text.indexInContainer(), CompositeElement::NotFound);
}

TEST_F(MapElementsTest, ElementWithoutContainerStandsAtItsRelativeLocation)
{
    MindMapText text(nullptr);
    EXPECT_EQ(text.mindMap(), nullptr);
    text.setRelLocation(Point{2, 3});
    EXPECT_EQ(text.absLocation(), (Point{2, 3}));
    EXPECT_FALSE(text.isVisible());
    text.assignDefaultLocation();
    text.linkToContainer(nullptr);
    text.orderForward();
    text.orderBackward();
}

TEST_F(MapElementsTest, TextAndImageBoundsAreCentredOnTheirLocation)
{
    MindMapNode* node = topic();
    node->setLocation(Point{10, 20});
    MindMapText* text = node->addText();
    MindMapImage* image = node->addCustomImage("aa", "");
    text->setRelLocation(Point{1, 1});
    image->setRelLocation(Point{-2, 5});
    EXPECT_EQ(text->location(), (Point{11, 21}));
    EXPECT_EQ(text->bounds().center(), (Point{11, 21}));
    EXPECT_EQ(image->bounds().center(), (Point{8, 25}));
}

} // namespace
