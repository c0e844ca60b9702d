#pragma once

// A small map with the native document as its undo format, and the check every command must
// pass: exactly one undo step, named by its key; undo brings back the very same document and
// redo the changed one.

#include "MindMaps/MindMapTestSupport.h"

#include "MindMaps/CommandPrompts.h"
#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMapFormats.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapText.h"
#include "formats/TwkxMindMapReader.h"
#include "formats/TwkxMindMapWriter.h"
#include "platform/Localizer.h"
#include "platform/UndoManager.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace maptest {

// The modal questions answered from a script; an unscripted question is cancelled.
class ScriptedPrompts : public CommandPrompts {
public:
    std::function<bool(const RelationStyle& working, RelationStyle& edited)> relationDialog;
    std::optional<std::string> imageLinkAnswer;
    std::string shownLink;
    int relationDialogs = 0;
    int imageLinkPrompts = 0;

    int runAlert(const ModalAlert&) override { return Dismissed; }
    bool runRelationStyleDialog(const std::string&, const std::string&, const RelationStyle& working,
                                RelationStyle& edited) override
    {
        ++relationDialogs;
        return relationDialog ? relationDialog(working, edited) : false;
    }
    std::optional<std::string> runImageLinkPrompt(const std::string&, const std::string&, const std::string&,
                                                  const std::string& currentLink) override
    {
        ++imageLinkPrompts;
        shownLink = currentLink;
        return imageLinkAnswer;
    }
};

inline constexpr const char* ImageHash = "0123456789abcdef0123456789abcdef01234567";
inline constexpr const char* OtherImageHash = "89abcdef0123456789abcdef0123456789abcdef";

// Rows of the command tables: how the map is set up, the command, and for a command that takes
// a step the key that names it.
struct StepCase {
    const char* name;
    std::function<void()> prepare;
    std::function<void()> command;
    const char* undoKey;
};

struct RefusalCase {
    const char* name;
    std::function<void()> prepare;
    std::function<void()> command;
};

// Root (0,0) with A (200,0), B (200,100) and C (200,200); A has A1 (400,0). A cross link joins A
// and C, B carries the free text "Label", C an image. Every element has its GUID, so that taking
// a step writes nothing new into the document.
class CommandMapTest : public ::testing::Test {
protected:
    CommandMapTest() : map(std::make_shared<MemoryImageStore>())
    {
        registerNativeFormat();
        map.newMindMap("", false, std::nullopt);
        map.setNodeEditor(&editor);
        MindMapNode* root = addTopic(map, nullptr, Point{0, 0}, "Root");
        MindMapNode* a = addTopic(map, root, Point{200, 0}, "A");
        MindMapNode* b = addTopic(map, root, Point{200, 100}, "B");
        MindMapNode* c = addTopic(map, root, Point{200, 200}, "C");
        addTopic(map, a, Point{400, 0}, "A1");
        map.internalAddCrossLinkFromSource(a, c);
        b->addText()->setText("Label");
        c->addCustomImage(ImageHash, "");
        giveEveryElementAGuid();
        map.validateElementStates();
        map.setSelectedElement(nullptr);
        setCommandPrompts(&prompts);
        manager().removeAllActions();
    }
    ~CommandMapTest() override
    {
        setCommandPrompts(nullptr);
        map.setNodeEditor(nullptr);
        // The format table is the process's: the model's own tests expect it empty.
        MindMap::setUndoStateFormat(nullptr, nullptr);
        MindMapFormats::registerReader(MindMapReadFormat::Native, nullptr);
        MindMapFormats::registerWriter(MindMapExportFormat::Native, nullptr);
        MindMapFormats::registerDetection(nullptr);
    }

    void giveEveryElementAGuid()
    {
        for (MindMapNode* node : map.nodes()) {
            node->guid();
            node->parentRelation()->guid();
            for (ContainedElement* element : node->containedElements()) element->guid();
        }
        for (CrossLink* link : map.crossLinks()) link->guid();
    }

    UndoManager& manager() { return *map.undoManager(); }
    std::string document()
    {
        const MindMapData data = TwkxMindMapWriter::writeMindMap(map);
        return std::string(data.begin(), data.end());
    }

    MindMapNode* node(const std::string& text) const
    {
        for (MindMapNode* candidate : map.nodes()) {
            if (candidate->text() == text) return candidate;
        }
        return nullptr;
    }
    MindMapText* label() const { return static_cast<MindMapText*>(node("B")->containedElements().front()); }
    MindMapImage* image() const { return static_cast<MindMapImage*>(node("C")->containedElements().front()); }
    CrossLink* link() const { return map.crossLinks().front(); }

    void select(std::initializer_list<MindMapElement*> elements)
    {
        map.setSelectedElement(nullptr);
        for (MindMapElement* element : elements) map.toggleSelection(element, false);
    }

    // The command takes exactly one step named by the key; undo restores the document byte for
    // byte, redo brings the changed one back. Element pointers are stale afterwards.
    void expectOneStep(const std::function<void()>& command, const std::string& undoKey)
    {
        manager().removeAllActions();
        const std::string before = document();
        command();
        const std::string after = document();
        EXPECT_NE(after, before) << "the command changed nothing";
        ASSERT_TRUE(manager().canUndo()) << "no undo step";
        EXPECT_EQ(manager().undoActionName(), localized(undoKey));
        manager().undo();
        EXPECT_FALSE(manager().canUndo()) << "more than one undo step";
        EXPECT_EQ(document(), before) << "undo did not restore the map";
        manager().redo();
        EXPECT_EQ(document(), after) << "redo did not re-apply the change";
    }

    // The command changes nothing and takes no step.
    void expectNoChange(const std::function<void()>& command)
    {
        manager().removeAllActions();
        const std::string before = document();
        command();
        EXPECT_FALSE(manager().canUndo()) << "a step was taken";
        EXPECT_EQ(document(), before) << "the map changed";
    }

    void expectOneStepEach(const std::vector<StepCase>& cases)
    {
        for (const StepCase& c : cases) {
            SCOPED_TRACE(c.name);
            c.prepare();
            giveEveryElementAGuid();
            expectOneStep(c.command, c.undoKey);
        }
    }

    // Each row starts writable and with no scripted answers.
    void expectNoChangeEach(const std::vector<RefusalCase>& cases)
    {
        for (const RefusalCase& c : cases) {
            SCOPED_TRACE(c.name);
            map.setReadOnly(false);
            prompts.relationDialog = nullptr;
            prompts.imageLinkAnswer.reset();
            c.prepare();
            expectNoChange(c.command);
        }
    }

    CountingNodeEditor editor;
    ScriptedPrompts prompts;
    MindMap map;
};

} // namespace maptest
