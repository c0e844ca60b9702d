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
#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"
#include "formats/EmptyMindMapTemplate.h"
#include "formats/NodeDateFormatter.h"
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

// ---- Undo restores the very document ----

namespace {

// A chain of topics forty levels deep, every one with a note, a date and a hull every third.
void buildDeepChain(MindMap& map)
{
    map.newMindMap("", true, std::string("Root"));
    MindMap::UpdateGuard update(map);
    MindMapNode* node = map.nodes().front();
    for (int level = 1; level <= 40; ++level) {
        node = map.addMindMapNodeAsChild(node, Point{100.0 * level, 7.5 * level});
        node->setText("Level " + std::to_string(level));
        node->setNote("Note of level " + std::to_string(level));
        node->setDate(NodeDateFormatter::dateFromString("0" + std::to_string(1 + level % 9) + "-03-2024"));
        if (level % 3 == 0) node->assureHullStyle();
    }
    map.setSelectedElement(node);
}

// Texts, notes, links and the title in scripts other than Latin, with combining marks and
// characters outside the basic plane.
void buildNonAsciiMap(MindMap& map)
{
    map.newMindMap("", true, std::string("Ünïcödé ☂"));
    MindMap::UpdateGuard update(map);
    MindMapNode* theme = map.nodes().front();
    const char* texts[] = {"日本語のトピック", "Ελληνικά", "עברית ומספרים 123", "emoji 😀🧠",
                           "e\xCC\x81 combining"};
    double y = 0;
    for (const char* text : texts) {
        MindMapNode* node = map.addMindMapNodeAsChild(theme, Point{200, y += 40});
        node->setText(text);
        node->setNote(std::string("ノート: ") + text);
        node->linkToURL(std::string("https://例え.jp/") + text);
        node->addText()->setText(std::string("→ ") + text);
    }
    map.internalAddCrossLinkFromSource(theme->children()[0], theme->children()[3]);
    map.setCustomTitle("Карта мыслей");
    map.setSelectedElement(theme->children()[1]);
}

MindMapNode* lastTopic(MindMap& map)
{
    return map.nodes().back();
}

} // namespace

TEST(SnapshotUndoDocumentTest, UndoAfterEachKindOfChangeRestoresTheExactDocument)
{
    registerNativeFormat();
    const std::pair<const char*, std::function<void(MindMap&)>> maps[] = {
        {"full", buildFullMap},
        {"deep chain", buildDeepChain},
        {"non-ASCII", buildNonAsciiMap},
    };
    // Each registers one step, as the commands do, and changes the map after it.
    const std::pair<const char*, std::function<void(MindMap&)>> changes[] = {
        {"add child",
         [](MindMap& map) {
             map.prepareUndoableOperation("undoable_op_add_child");
             map.addMindMapNodeAsChild(lastTopic(map), Point{900, 900})->setText("new child");
         }},
        {"add sibling",
         [](MindMap& map) {
             MindMapNode* node = lastTopic(map);
             map.prepareUndoableOperation("undoable_op_add_sibling");
             map.addMindMapNodeAsChild(node->parent() ? node->parent() : node, Point{-50, 3})->setText("sibling");
         }},
        {"delete branch",
         [](MindMap& map) {
             map.delete_();
             // As the editor does: something stays selected.
             map.setSelectedElement(map.nodes().front());
             map.nodes().front()->guid();
         }},
        {"edit text",
         [](MindMap& map) {
             map.prepareUndoableOperation("undoable_op_edit_text");
             map.nodes().front()->setText("edited & <changed> ✓");
         }},
        {"style, note, hull and date",
         [](MindMap& map) {
             map.prepareUndoableOperation("undoable_op_format");
             for (MindMapNode* node : map.nodes()) {
                 NodeStyle* style = node->style();
                 ElementStyle::UpdateGuard batch(*style);
                 style->setBorderWidth(1.75);
                 style->setPropCustomized(NodeStyle::BorderWidthMask, true);
                 node->setNote("");
                 node->assureHullStyle();
                 node->setDate(std::nullopt);
             }
         }},
        {"move every topic",
         [](MindMap& map) {
             map.prepareUndoableOperation("undoable_op_move_element");
             MindMapNode::translateMindMapNodes(map.nodes(), 12.25, -6.5);
         }},
        {"cross links",
         [](MindMap& map) {
             map.prepareUndoableOperation("undoable_op_link");
             if (!map.crossLinks().empty()) map.removeCrossLink(map.crossLinks().back());
             MindMapNode* source = lastTopic(map);
             for (MindMapNode* target : map.nodes()) {
                 if (!map.canCreateCrossLinkFromSource(source, target)) continue;
                 map.internalAddCrossLinkFromSource(source, target);
                 break;
             }
         }},
    };
    for (const auto& [mapName, build] : maps) {
        for (const auto& [changeName, change] : changes) {
            SCOPED_TRACE(std::string(mapName) + ", " + changeName);
            MindMap map;
            build(map);
            map.validateElementStates();
            // The step names the selected element by GUID: given before the document is taken.
            if (MindMapElement* selected = map.selectedElement()) selected->guid();
            map.undoManager()->removeAllActions();
            const std::string before = writeDocument(map);

            change(map);
            map.validateElementStates();
            const std::string after = writeDocument(map);
            ASSERT_NE(after, before);
            ASSERT_TRUE(map.undoManager()->canUndo());
            map.undoManager()->undo();
            EXPECT_EQ(writeDocument(map), before);
            map.undoManager()->redo();
            EXPECT_EQ(writeDocument(map), after);
        }
    }
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
