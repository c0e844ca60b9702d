#pragma once

// The map that the command tests act on, with a node editor that finishes in-place editing at
// once, and the undo check every command must pass: exactly one step under its name, undone back
// to the very same native document, redone to the changed one.

#include "MindMaps/MindMapTestSupport.h"
#include "support/QuietNodeEditor.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapText.h"
#include "formats/TwkxMindMapReader.h"
#include "formats/TwkxMindMapWriter.h"
#include "platform/Localizer.h"
#include "platform/Pasteboard.h"
#include "platform/UndoManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace cmdtest {

// The first line in which two documents differ, for failure messages that point at the change.
inline std::string lineDifference(const std::string& expected, const std::string& actual)
{
    std::istringstream left(expected);
    std::istringstream right(actual);
    std::string a;
    std::string b;
    for (int line = 1;; ++line) {
        const bool hasA = static_cast<bool>(std::getline(left, a));
        const bool hasB = static_cast<bool>(std::getline(right, b));
        if (!hasA && !hasB) return std::string();
        if (!hasA) a = "<none>";
        if (!hasB) b = "<none>";
        if (a != b) {
            return "\n  first difference, line " + std::to_string(line) + "\n  expected: " + a + "\n  actual:   " + b;
        }
    }
}

// The editing view as the commands see it. In-place editing of a new topic or text ends at once and registers the
// command's pending step, as when the user presses Return.
class CommandTestEditor : public QuietNodeEditor {
public:
    MindMap* map = nullptr;
    int cancels = 0;
    int imageAsTopicRequests = 0;
    MindMapNode* editedNewNode = nullptr;
    MindMapNode* editedExistingNode = nullptr;
    MindMapText* editedText = nullptr;
    bool editedTextIsNew = false;
    UndoState handedStep;
    std::vector<MindMapNode*> imagePasteTargets;

    void cancelEditorModes() override { ++cancels; }
    void startEditingNewNode(MindMapNode* node, UndoState undoState) override
    {
        editedNewNode = node;
        handedStep = undoState;
        map->pushDelayedUndoableOperation(undoState);
    }
    void startEditingExistingNode(MindMapNode* node) override { editedExistingNode = node; }
    void startEditingText(MindMapText* text, UndoState undoState, bool creatingText) override
    {
        editedText = text;
        editedTextIsNew = creatingText;
        handedStep = undoState;
        if (undoState) map->pushDelayedUndoableOperation(undoState);
    }
    void addImageAsTopic() override { ++imageAsTopicRequests; }
    void addImageFromPasteboard(const Pasteboard*, MindMapNode* node) override { imagePasteTargets.push_back(node); }
};

// The map of every command test, built on maptest::TwoThemeTopics:
//   A (0,0): A1 (200,0) with A1a (400,0) and A1b (400,60); A2 (200,100)
//   B (0,400): B1 (200,400)
// plus a cross link A1b -> B1 with a label, a label on A2's line and an image on A2. Its own
// image store, an in-memory pasteboard, and nothing in the undo stack.
class CommandsTest : public ::testing::Test {
protected:
    CommandsTest() : imageStore(std::make_shared<MemoryImageStore>()), map(imageStore)
    {
        registerNativeFormat();
        Pasteboard::setGeneralPasteboard(nullptr);
        map.newMindMap("", false, std::nullopt);
        editor.map = &map;
        map.setNodeEditor(&editor);
        maptest::TwoThemeTopics topics;
        topics.addTo(map);
        CrossLink* link = map.internalAddCrossLinkFromSource(topics.a1b, topics.b1);
        link->addText()->setText("link label");
        topics.a2->parentRelation()->addText()->setText("line label");
        topics.a2->addCustomImage("0123456789abcdef0123456789abcdef01234567", "");
        map.setSelectedElement(topics.a1);
        map.validateElementStates();
        undoManager().removeAllActions();
    }
    ~CommandsTest() override
    {
        map.setNodeEditor(nullptr);
        Pasteboard::setGeneralPasteboard(nullptr);
    }

    UndoManager& undoManager() { return *map.undoManager(); }

    // The map as a native document, validated first as the editor would have it. The selected
    // element gets its GUID first, as every snapshot gives it one: GUIDs are made on first use.
    std::string document()
    {
        map.validateElementStates();
        if (MindMapElement* primary = map.selectedElement()) primary->guid();
        const MindMapData data = TwkxMindMapWriter::writeMindMap(map);
        return std::string(data.begin(), data.end());
    }

    MindMapNode* topic(const std::string& text)
    {
        for (MindMapNode* node : map.nodes()) {
            if (node->text() == text) return node;
        }
        return nullptr;
    }
    std::vector<std::string> childTexts(const std::string& parentText)
    {
        std::vector<std::string> texts;
        if (MindMapNode* parent = topic(parentText)) {
            for (MindMapNode* child : parent->children()) texts.push_back(child->text());
        }
        return texts;
    }
    std::vector<std::string> themeTexts()
    {
        std::vector<std::string> texts;
        for (MindMapNode* theme : map.centralThemes()) texts.push_back(theme->text());
        return texts;
    }
    void select(std::initializer_list<MindMapElement*> elements)
    {
        map.setSelectedElement(nullptr);
        for (MindMapElement* element : elements) map.toggleSelection(element, false);
    }

    // The command leaves the editor's modes and takes exactly one undo step named by the key;
    // undoing it gives back the native document of before, byte for byte, and redoing gives the
    // changed one again.
    void expectOneUndoStep(const std::string& key, const std::function<void()>& command)
    {
        ASSERT_FALSE(undoManager().canUndo());
        const std::string before = document();
        const int cancels = editor.cancels;
        command();
        EXPECT_GT(editor.cancels, cancels) << key << ": the editor's modes were not left";
        ASSERT_TRUE(undoManager().canUndo()) << key << ": no step";
        EXPECT_EQ(undoManager().undoActionName(), localized(key));
        const std::string after = document();
        undoManager().undo();
        const std::string undone = document();
        EXPECT_TRUE(undone == before) << key << ": undo does not restore the map" << lineDifference(before, undone);
        EXPECT_FALSE(undoManager().canUndo()) << key << ": more than one step";
        undoManager().redo();
        const std::string redone = document();
        EXPECT_TRUE(redone == after) << key << ": redo does not re-apply the change" << lineDifference(after, redone);
    }

    // The command changes nothing and takes no step.
    void expectNoChange(const std::function<void()>& command)
    {
        const std::string before = document();
        command();
        EXPECT_FALSE(undoManager().canUndo());
        const std::string now = document();
        EXPECT_TRUE(now == before) << "the map changed" << lineDifference(before, now);
    }

    std::shared_ptr<MemoryImageStore> imageStore;
    MindMap map;
    CommandTestEditor editor;
};

} // namespace cmdtest
