// Snapshot undo with the native document as its snapshots, and the other whole-document data:
// the empty-map template.

#include "MindMaps/MindMapTestSupport.h"
#include "TwkxTestSupport.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/ParentRelation.h"
#include "formats/EmptyMindMapTemplate.h"
#include "platform/UndoManager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

using namespace twkxtest;

namespace {

class NativeSnapshotUndoTest : public ::testing::Test {
protected:
    NativeSnapshotUndoTest()
    {
        registerNativeFormat();
        buildFullMap(map);
        map.validateElementStates();
        // Building the map took steps of its own.
        manager().removeAllActions();
    }

    UndoManager& manager() { return *map.undoManager(); }
    MindMapNode* nodeWithText(const std::string& text)
    {
        for (MindMapNode* node : map.nodes()) {
            if (node->text() == text) return node;
        }
        return nullptr;
    }

    MindMap map;
};

} // namespace

TEST_F(NativeSnapshotUndoTest, UndoBringsBackTheWholeMap)
{
    map.setSelectedElement(nodeWithText("List"));
    const size_t links = map.crossLinks().size();
    const UndoState before = map.pushStateToUndoManager("undoable_op_layout");
    ASSERT_NE(before, nullptr);
    {
        MindMap::UpdateGuard update(map);
        map.removeCrossLink(map.crossLinks().front());
        nodeWithText("List")->setText("changed");
        map.internalAddCentralTheme("extra");
        map.setAutoNumberStyle(AutoNumberInside);
    }

    manager().undo();
    EXPECT_EQ(*map.captureUndoState(), *before) << "the map reads back into the very same document";
    manager().redo();
    EXPECT_NE(nodeWithText("changed"), nullptr);
    EXPECT_NE(nodeWithText("extra"), nullptr);
    EXPECT_EQ(map.autoNumberStyle(), AutoNumberInside);
    EXPECT_EQ(map.crossLinks().size(), links - 1);
}

TEST_F(NativeSnapshotUndoTest, UndoThenRedoRestoresTheSelectedElementByGuid)
{
    MindMapText* text = nodeWithText("List")->parentRelation()->addText();
    text->setText("on the line");
    // Looked up anew each time: every undo and redo makes the elements anew.
    const std::vector<std::function<MindMapElement*()>> elements = {
        [&] { return nodeWithText("List")->parentRelation()->containedElements().front(); },
        [&] { return map.crossLinks().front(); },
        [&] { return nodeWithText("Chart")->parentRelation(); },
    };
    for (const auto& element : elements) {
        map.setSelectedElement(element());
        const int32_t type = map.selectedElementType();
        map.prepareUndoableOperation("step");
        const std::string guid = map.selectedElementGuid();
        ASSERT_FALSE(guid.empty());
        map.invalidateAutoNumberPaths();

        manager().undo();
        ASSERT_NE(map.selectedElement(), nullptr);
        EXPECT_EQ(map.selectedElementGuid(), guid);
        EXPECT_EQ(map.selectedElementType(), type);
        manager().redo();
        ASSERT_NE(map.selectedElement(), nullptr);
        EXPECT_EQ(map.selectedElementGuid(), guid);
        EXPECT_EQ(map.selectedElementType(), type);
        EXPECT_EQ(map.selectedElement(), element());
    }
}

TEST_F(NativeSnapshotUndoTest, TheSnapshotKeepsAShownNodeHidden)
{
    MindMapNode* list = nodeWithText("List");
    ASSERT_GT(list->childCount(), 0u);
    MindMapNode* child = list->children()[0];
    const std::string childText = child->text();
    list->setCollapsed(true);
    map.setSelectedElement(child);
    // A collapsed parent hides the child; selecting it does not show it.
    ASSERT_EQ(map.prepareUndoableNodeOperation("undoable_op_edit_text"), child);
    EXPECT_FALSE(list->collapsed());
    child->setText("edited");

    manager().undo();
    EXPECT_TRUE(nodeWithText("List")->collapsed());
    EXPECT_NE(nodeWithText(childText), nullptr);
}

TEST_F(NativeSnapshotUndoTest, CancellingADragPutsEveryNodeBack)
{
    // By text: the reloaded map lists its nodes in document order, not in creation order.
    std::map<std::string, Point> locations;
    for (MindMapNode* node : map.nodes()) locations[node->text()] = node->location();
    const std::string before = *map.captureUndoState();

    const UndoState token = map.prepareDelayedUndoableOperation("undoable_op_move_element");
    MindMapNode::translateMindMapNodes(map.nodes(), 33.25, -12.5);
    map.cancelDelayedUndoableOperation(token);

    ASSERT_EQ(map.nodes().size(), locations.size());
    for (MindMapNode* node : map.nodes()) EXPECT_EQ(node->location(), locations[node->text()]) << node->text();
    EXPECT_FALSE(manager().canUndo());
    EXPECT_EQ(*map.captureUndoState(), before);
}

// ---- The empty-map template ----

namespace {

std::string templateText(const std::string& guid, const std::optional<std::string>& theme, Error* error = nullptr)
{
    return textOf(getEmptyMindMapData(guid, theme, error));
}

} // namespace

TEST(UndoSnapshotDataTest, TheTemplateIsAPrettyDocumentWithGuidAndNewMapMarker)
{
    Error error;
    const std::string text = templateText("0123456789ABCDEF01234567", std::string("My <theme> & more"), &error);
    ASSERT_FALSE(text.empty()) << error.failureReason;
    EXPECT_EQ(text.rfind("\xEF\xBB\xBF", 0), 0u);
    EXPECT_NE(text.find("\n  <mindmap>"), std::string::npos) << "pretty-printed";

    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(text.c_str() + 3));
    pugi::xml_node root = document.document_element();
    EXPECT_STREQ(root.name(), "tarnwick-mindmaps");
    EXPECT_STREQ(root.attribute("doc-version").value(), "3");
    pugi::xml_node meta = root.child("mindmap").child("meta");
    EXPECT_STREQ(meta.child("guid").attribute("guid").value(), "0123456789ABCDEF01234567");
    EXPECT_STREQ(meta.child("new-map").attribute("add-theme").value(), "true");
    EXPECT_STREQ(meta.child("new-map").attribute("theme-text").value(), "My <theme> & more");
    EXPECT_FALSE(root.child("mindmap").child("topics").first_child());
}

TEST(UndoSnapshotDataTest, TheTemplateReadsAsANewMapWithItsTheme)
{
    MindMap map;
    ASSERT_TRUE(loadDocument(map, templateText("0123456789ABCDEF01234567", std::string("Ideas"))));
    EXPECT_TRUE(map.isEmpty());
    EXPECT_EQ(map.documentInformation().loadedGuid(), "0123456789ABCDEF01234567");
    EXPECT_TRUE(map.documentInformation().isNewMap());
    EXPECT_EQ(map.documentInformation().defaultTheme(), "Ideas");
}

// Without the installed template nothing new could be made.
TEST(UndoSnapshotDataTest, AMissingOrDamagedTemplateFallsBackToTheBuiltInOne)
{
    const std::string installed = templateText("0123456789ABCDEF01234567", std::string("Ideas"));
    ASSERT_FALSE(installed.empty());
    TempDir resources;
    ScopedEnvironment environment("TARNWICK_RESOURCES", resources.path());
    EXPECT_EQ(templateText("0123456789ABCDEF01234567", std::string("Ideas")), installed);

    std::filesystem::create_directories(resources.file("templates"));
    writeTestFile(resources.file("templates/empty-mindmap.xml"), "<mindmap><meta>");
    EXPECT_EQ(templateText("0123456789ABCDEF01234567", std::string("Ideas")), installed);
}
