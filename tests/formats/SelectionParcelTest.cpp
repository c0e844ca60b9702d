#include "formats/SelectionParcel.h"

#include "TwkxTestSupport.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMapDocumentOwner.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/ParentRelation.h"
#include "platform/UndoManager.h"

#include <gtest/gtest.h>

#include <limits>

using namespace twkxtest;

namespace {

class EditedDocument : public MindMapDocumentOwner {
public:
    UndoManager manager;
    UndoManager* undoManager() override { return &manager; }
    bool isDocumentEdited() const override { return true; }
    void updateChangeCount(ChangeKind) override {}
};

// Two central themes: "A" with the children "A1" and "A2", and "B"; a cross link from A1 to B
// holding a text and an image; a text on A2's parent relation; an image and a text on A.
class SelectionParcelTest : public ::testing::Test {
protected:
    SelectionParcelTest()
    {
        map.newMindMap("", false, std::nullopt);
        a = map.internalAddCentralTheme("A");
        a1 = map.addMindMapNodeAsChild(a, Point{150, -40});
        a1->setText("A1");
        a2 = map.addMindMapNodeAsChild(a, Point{150, 40});
        a2->setText("A2");
        b = map.internalAddCentralTheme("B");
        b->setLocation(Point{400, 300});
        link = map.internalAddCrossLinkFromSource(a1, b);
        linkText = link->addText();
        linkImage = link->addCustomImage(".tarnwick-icon", "");
        relationText = a2->parentRelation()->addText();
        nodeImage = a->addCustomImage(".tarnwick-icon", "");
        nodeText = a->addText();
    }

    SelectionParcel capture(MindMapElement* element)
    {
        map.setSelectedElement(element);
        SelectionParcel parcel;
        MindMapSelectionParcelWriter(parcel, &map).capture();
        return parcel;
    }
    MindMapElement* restore(SelectionParcel parcel)
    {
        return MindMapSelectionParcelReader(parcel, &map).restoreSelection();
    }

    MindMap map;
    MindMapNode* a = nullptr;
    MindMapNode* a1 = nullptr;
    MindMapNode* a2 = nullptr;
    MindMapNode* b = nullptr;
    CrossLink* link = nullptr;
    MindMapText* linkText = nullptr;
    MindMapImage* linkImage = nullptr;
    MindMapText* relationText = nullptr;
    MindMapImage* nodeImage = nullptr;
    MindMapText* nodeText = nullptr;
};

} // namespace

// ---- Capture ----

TEST_F(SelectionParcelTest, AModifiedMapGivesTheElementAGuid)
{
    EditedDocument document;
    map.setDocumentOwner(&document);
    ASSERT_TRUE(map.modified());
    const SelectionParcel parcel = capture(linkText);
    EXPECT_TRUE(linkText->hasGuid());
    EXPECT_EQ(parcel.elementGuid, linkText->guid());
    EXPECT_EQ(parcel.elementGuid.size(), 22u);
    map.setDocumentOwner(nullptr);
}

// ---- Restore ----

TEST_F(SelectionParcelTest, EveryCapturedElementIsFoundAgainWithoutItsGuid)
{
    for (MindMapElement* element : std::vector<MindMapElement*>{a, a2, b, link, a1->parentRelation(), linkText,
                                                                linkImage, relationText, nodeImage, nodeText}) {
        SelectionParcel parcel = capture(element);
        parcel.elementGuid.clear();
        EXPECT_EQ(restore(parcel), element) << "element type " << element->elementType();
    }
}

TEST_F(SelectionParcelTest, UnknownNodesRestoreNothing)
{
    SelectionParcel parcel = capture(a2);
    for (int64_t id : {int64_t(-1), static_cast<int64_t>(map.nodes().size()), std::numeric_limits<int64_t>::max()}) {
        parcel.nodeId = id;
        EXPECT_EQ(restore(parcel), nullptr) << id;
    }
    EXPECT_EQ(MindMapSelectionParcelReader(parcel, nullptr).restoreSelection(), nullptr);
    parcel.nodeId = 0;
    EXPECT_EQ(SelectionParcelReader(parcel, &map).restoreSelection(), nullptr) << "the base reader knows no node";
}

TEST_F(SelectionParcelTest, AChildIndexBeyondTheContainerRestoresTheNode)
{
    SelectionParcel parcel = capture(nodeText);
    parcel.elementGuid.clear();
    for (int64_t index : {int64_t(2), std::numeric_limits<int64_t>::max(), int64_t(-5)}) {
        parcel.childIndex = index;
        EXPECT_EQ(restore(parcel), a) << index;
    }
}

// ---- The native pair ----

TEST_F(SelectionParcelTest, AnImageInACrossLinkIsFoundAfterAReloadWithoutGuids)
{
    map.setSelectedElement(linkImage);
    const std::string document = writeDocument(map);
    ASSERT_FALSE(linkImage->hasGuid());
    const size_t firstGuid = document.find("guid=\"");
    ASSERT_NE(firstGuid, std::string::npos) << "the map's own GUID";
    ASSERT_EQ(document.find("guid=\"", firstGuid + 1), std::string::npos) << "no element was given a GUID";

    MindMap reloaded;
    ASSERT_TRUE(loadDocument(reloaded, document));
    auto* image = dynamic_cast<MindMapImage*>(reloaded.selectedElement());
    ASSERT_NE(image, nullptr);
    auto* container = dynamic_cast<CrossLink*>(image->container());
    ASSERT_NE(container, nullptr);
    EXPECT_EQ(container->sourceNode()->text(), "A1");
    EXPECT_EQ(container->targetNode()->text(), "B");
    EXPECT_EQ(image->indexInContainer(), 1u);
}

// ---- The "selection" element ----

namespace {

pugi::xml_node parsed(pugi::xml_document& document, const std::string& text)
{
    EXPECT_TRUE(document.load_string(text.c_str()));
    return document.document_element();
}

std::string written(const SelectionParcel& parcel)
{
    pugi::xml_document document;
    pugi::xml_node meta = document.append_child("meta");
    writeSelectionState(parcel, meta);
    return outerXml(meta);
}

} // namespace

TEST(SelectionParcelElementTest, AContainedElementWritesItsContainerAndIndexTwice)
{
    SelectionParcel parcel;
    parcel.elementType = ElementTypeImage;
    parcel.childSelection = true;
    parcel.containerType = ElementTypeCrossLink;
    parcel.childIndex = 2;
    parcel.sourceId = 0;
    parcel.nodeId = 3;
    EXPECT_EQ(written(parcel),
              "<meta><selection type=\"image\" container-type=\"crosslink\" child-index=\"2\" "
              "image=\"2\" source=\"0\" id=\"3\"/></meta>");
}

TEST(SelectionParcelElementTest, MalformedAttributesTakeTheirDefaults)
{
    pugi::xml_document document;
    const SelectionParcel parcel = readSelectionState(
        parsed(document,
               "<selection guid=\"\" type=\"bogus\" container-type=\"\" child-index=\"x\" source=\"--1\" id=\" \"/>"));
    EXPECT_EQ(parcel.elementGuid, "");
    EXPECT_EQ(parcel.elementType, 0);
    EXPECT_EQ(parcel.containerType, 0);
    EXPECT_EQ(parcel.childIndex, -1);
    EXPECT_EQ(parcel.sourceId, -1);
    EXPECT_EQ(parcel.nodeId, -1);
    const SelectionParcel empty = readSelectionState(pugi::xml_node());
    EXPECT_EQ(empty.elementType, 0);
    EXPECT_EQ(empty.nodeId, -1);
}

TEST(SelectionParcelElementTest, WrittenElementsReadBackTheSame)
{
    SelectionParcel parcel;
    parcel.elementType = ElementTypeText;
    parcel.childSelection = true;
    parcel.containerType = ElementTypeParentRelation;
    parcel.childIndex = 7;
    parcel.nodeId = 12;
    parcel.elementGuid = "a-guid_0123456789abcde";
    pugi::xml_document document;
    SelectionParcel read = readSelectionState(parsed(document, written(parcel)).child("selection"));
    EXPECT_EQ(read.containerType, ElementTypeParentRelation);
    read.childSelection = true; // not stored: the container type stands for it
    EXPECT_EQ(written(read), written(parcel));
    EXPECT_EQ(read.elementGuid, parcel.elementGuid);
}
