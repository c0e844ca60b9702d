#include "panels/EmbeddedNotePanelController.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "Utils/RecordingFeedbackSink.h"
#include "editor-view/MindMapEditor.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/Localizer.h"
#include "platform/TextMeasurer.h"
#include "platform/UndoManager.h"
#include "store/EditorInterface.h"
#include "support/FakeTextMeasurer.h"
#include "support/ManualScheduler.h"
#include "support/UndoSteps.h"

#include <gtest/gtest.h>

namespace {

// A text view in memory that reports its changes as the toolkit's does: loading a text is a
// deletion and an insertion too.
class FakeNoteView : public EmbeddedNoteTextView {
public:
    EmbeddedNotePanelController* controller = nullptr;
    std::string contents;
    std::string placeholder;
    bool editable = true;
    std::optional<Color> background;
    int spellingChecks = 0;
    int loads = 0;

    std::string text() const override { return contents; }
    TextRange selectedRange() const override { return {utf16Length(contents), 0}; }
    void setPlainTextString(const std::string& text) override
    {
        ++loads;
        replaceCharacters({0, utf16Length(contents)}, text);
    }
    void setPlaceholder(const std::string& text) override { placeholder = text; }
    void setEditable(bool value) override { editable = value; }
    void setBackgroundColor(const std::optional<Color>& color) override { background = color; }
    void checkSpelling() override { ++spellingChecks; }
    void replaceCharacters(TextRange range, const std::string& text) override
    {
        const std::string removed = contents.substr(range.location, range.length);
        contents.replace(range.location, range.length, text);
        if (!removed.empty()) controller->textDidChange({range.location, removed, ""});
        if (!text.empty()) controller->textDidChange({range.location, "", text});
    }
    void setSelectedRange(TextRange) override {}

    // As the user types: refused while the view is not editable.
    void type(const std::string& text)
    {
        if (!editable) return;
        const size_t at = contents.size();
        contents += text;
        controller->textDidChange({at, "", text});
    }
};

class CommittingEditorInterface : public NullEditorInterface {
public:
    explicit CommittingEditorInterface(MindMapEditor& editor) : _editor(editor) {}
    void commitModelessEditors() override { _editor.cancelEditorModes(); }

private:
    MindMapEditor& _editor;
};

class EmbeddedNotePanelControllerTest : public ::testing::Test, public EmbeddedNotePanelControllerDelegate {
protected:
    void SetUp() override
    {
        registerNativeFormat();
        TextMeasurer::setShared(&measurer);
        editor = std::make_unique<MindMapEditor>(&scheduler);
        editor->setFrameSize({800, 600});
        map = std::make_shared<MindMap>();
        map->newMindMap("", true, std::string("Theme"));
        theme = map->mainCentralTheme();
        first = map->addMindMapNodeAsChild(theme, {600, 200});
        second = map->addMindMapNodeAsChild(theme, {600, 600});
        second->setNote("kept");
        map->validateElementStates();
        editor->setMindMap(map);
        view.controller = &controller;
        controller.setTextView(&view);
        editor->setModelessEditor(&controller);
        map->setSelectedElement(first);
        controller.setHidden(false);
        map->undoManager()->removeAllActions();
    }

    void TearDown() override
    {
        SetEditorInterfaceInstance(nullptr);
        Pasteboard::setGeneralPasteboard(nullptr);
        editor.reset();
        map.reset();
        TextMeasurer::setShared(nullptr);
    }

    MindMap* getActiveMindMap() override { return map.get(); }

    // Undoing restores the map from a snapshot, which makes new topics: they are looked up again.
    int undoSteps()
    {
        const std::string guids[] = {theme->guid(), first->guid(), second->guid()};
        const int steps = int(::undoSteps(*map->undoManager()));
        theme = static_cast<MindMapNode*>(map->elementWithGuid(guids[0]));
        first = static_cast<MindMapNode*>(map->elementWithGuid(guids[1]));
        second = static_cast<MindMapNode*>(map->elementWithGuid(guids[2]));
        return steps;
    }

    FakeTextMeasurer measurer;
    ManualScheduler scheduler;
    std::unique_ptr<MindMapEditor> editor;
    std::shared_ptr<MindMap> map;
    MindMapNode* theme = nullptr;
    MindMapNode* first = nullptr;
    MindMapNode* second = nullptr;
    EmbeddedNotePanelController controller{*this};
    FakeNoteView view;
};

TEST_F(EmbeddedNotePanelControllerTest, LoadingTheViewSetsTheHintAndTheStringTableNames)
{
    EXPECT_STREQ(EmbeddedNotePanelController::EditNoteUndoKey, "editor_menu_edit_note");
    EXPECT_STREQ(EmbeddedNotePanelController::PlaceholderKey, "note_dialog_note_hint");
    EXPECT_FALSE(localized("editor_menu_edit_note").empty());
    EXPECT_EQ(view.placeholder, localized("note_dialog_note_hint"));
    EXPECT_FALSE(view.placeholder.empty());
    EXPECT_EQ(EmbeddedNotePanelController::MinimumHeight, 150);

    EmbeddedNotePanelController fresh(*this);
    EXPECT_TRUE(fresh.hidden());
    EXPECT_FALSE(fresh.enabled());
    EXPECT_FALSE(fresh.readOnly());
}

TEST_F(EmbeddedNotePanelControllerTest, TypingThenSelectingAnotherTopicStoresTheNoteAsOneStep)
{
    view.type("A");
    view.type("B");
    EXPECT_TRUE(controller.modified());
    map->setSelectedElement(second);
    EXPECT_EQ(first->note(), "AB");
    EXPECT_EQ(view.contents, "kept");
    EXPECT_EQ(view.spellingChecks, 2) << "every topic loaded is checked";
    EXPECT_FALSE(controller.modified());
    EXPECT_EQ(undoSteps(), 1);
    EXPECT_EQ(map->undoManager()->undoActionName(), localized("editor_menu_edit_note"));
}

// Whatever happens after the typing, the note is written only by a shown, enabled, writable
// panel into a topic.
TEST_F(EmbeddedNotePanelControllerTest, TheNoteIsWrittenOnlyWhenAllConditionsHold)
{
    struct Case {
        const char* name;
        std::function<void()> afterTyping;
        std::string expectedNote;
        int expectedSteps;
    };
    const std::vector<Case> cases = {
        {"nothing else", [] {}, "typed", 1},
        {"read-only", [this] { controller.setReadOnly(true); }, "", 0},
        {"read-only and back",
         [this] {
             controller.setReadOnly(true);
             controller.setReadOnly(false);
         },
         "typed", 1},
        {"disabled", [this] { controller.setEnabled(false); }, "", 0},
        {"the map changed the note", [this] { first->setNote("outside"); }, "outside", 0},
        {"typed back to the stored note", [this] { controller.undoNote(); }, "", 0},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        controller.setReadOnly(false);
        first->setNote("");
        map->setSelectedElement(theme);
        map->setSelectedElement(first);
        map->undoManager()->removeAllActions();
        view.type("typed");
        testCase.afterTyping();
        map->setSelectedElement(second);
        EXPECT_EQ(first->note(), testCase.expectedNote);
        EXPECT_EQ(undoSteps(), testCase.expectedSteps);
    }
}

TEST_F(EmbeddedNotePanelControllerTest, NothingIsWrittenIntoAnElementThatIsNoTopic)
{
    CrossLink* link = map->addCrossLinkFromSource(first, second);
    ASSERT_NE(link, nullptr);
    map->setSelectedElement(first);
    view.type("typed");
    controller.beforeChangingSelection(link);
    EXPECT_TRUE(controller.modified()) << "the typing waits for its topic";
    EXPECT_TRUE(first->note().empty());
}

TEST_F(EmbeddedNotePanelControllerTest, BlankLinesAtBothEndsAreNotStored)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\n\n  Buy milk\n\n", "Buy milk"},
        {"\nfirst\n\nsecond \n\n", "first\n\nsecond"},
        {"\n\n\n", ""},
        {"\tindented\t", "indented"},
    };
    for (const auto& [typed, stored] : cases) {
        SCOPED_TRACE(typed);
        first->setNote("before");
        map->setSelectedElement(theme);
        map->setSelectedElement(first);
        view.setPlainTextString("");
        view.type(typed);
        map->setSelectedElement(theme);
        EXPECT_EQ(first->note(), stored);
    }
}

TEST_F(EmbeddedNotePanelControllerTest, TheNotesUndoNeverReachesTheMapAndIsEmptiedOnEveryLoad)
{
    view.type("one");
    view.type(" two");
    ASSERT_TRUE(controller.canUndoNote());
    controller.undoNote();
    EXPECT_EQ(view.contents, "") << "a run of typing is one step";
    EXPECT_FALSE(map->undoManager()->canUndo());
    controller.redoNote();
    EXPECT_EQ(view.contents, "one two");
    // A paste goes in at the caret, a step of its own.
    Pasteboard::generalPasteboard().declareTypes({Pasteboard::StringType});
    Pasteboard::generalPasteboard().setString(" three", Pasteboard::StringType);
    controller.paste();
    EXPECT_EQ(view.contents, "one two three");
    controller.undoNote();
    EXPECT_EQ(view.contents, "one two");

    // A load of any kind leaves nothing to undo.
    const std::vector<std::pair<const char*, std::function<void()>>> loads = {
        {"another topic", [&] { map->setSelectedElement(second); }},
        {"the same note changed by the map", [&] { second->setNote("changed"); }},
        {"nothing selected", [&] { map->setSelectedElement(nullptr); }},
        {"hidden", [&] { controller.setHidden(true); }},
    };
    for (const auto& [name, load] : loads) {
        SCOPED_TRACE(name);
        view.type("x");
        load();
        EXPECT_FALSE(controller.canUndoNote());
        EXPECT_FALSE(controller.canRedoNote());
    }
}

TEST_F(EmbeddedNotePanelControllerTest, TheViewsLookFollowsTheState)
{
    struct Case {
        const char* name;
        bool enabled, readOnly, hidden;
        bool editable;
        std::optional<double> white;
    };
    const std::vector<Case> cases = {
        {"a topic", true, false, false, true, std::nullopt}, {"read-only", true, true, false, false, 0.9},
        {"no topic", false, false, false, false, 0.7},       {"no topic, read-only", false, true, false, false, 0.7},
        {"hidden", true, false, true, false, std::nullopt},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        EmbeddedNotePanelController panel(*this);
        FakeNoteView memo;
        memo.controller = &panel;
        panel.setTextView(&memo);
        panel.setHidden(testCase.hidden);
        panel.setEnabled(testCase.enabled);
        panel.setReadOnly(testCase.readOnly);
        EXPECT_EQ(memo.editable, testCase.editable);
        ASSERT_EQ(memo.background.has_value(), testCase.white.has_value());
        if (testCase.white) {
            EXPECT_EQ(*memo.background, Color(*testCase.white, *testCase.white, *testCase.white));
        }
    }
}

TEST_F(EmbeddedNotePanelControllerTest, ARelationOrAFreeTextEmptiesAndDisablesThePanel)
{
    CrossLink* link = map->addCrossLinkFromSource(first, second);
    MindMapText* label = theme->addText();
    map->validateElementStates();
    const std::vector<std::pair<const char*, MindMapElement*>> cases = {
        {"relation", link}, {"free text", label}, {"nothing", nullptr}};
    for (const auto& [name, element] : cases) {
        SCOPED_TRACE(name);
        map->setSelectedElement(second);
        ASSERT_TRUE(controller.enabled());
        ASSERT_EQ(view.contents, "kept");
        map->setSelectedElement(element);
        EXPECT_EQ(view.contents, "");
        EXPECT_FALSE(controller.enabled());
        EXPECT_FALSE(view.editable);
        EXPECT_FALSE(controller.modified()) << "the panel's own filling is no typing";
    }
}

TEST_F(EmbeddedNotePanelControllerTest, ItsOwnWriteDoesNotReloadTheViewButAnotherChangeDoes)
{
    view.type("mine");
    const int loads = view.loads;
    controller.beforeChangingSelection(first);
    EXPECT_EQ(first->note(), "mine");
    EXPECT_EQ(view.loads, loads);

    second->setNote("unseen");
    EXPECT_EQ(view.loads, loads) << "only the selected topic's note shows";
    first->setNote("from the map");
    EXPECT_EQ(view.contents, "from the map");
    EXPECT_FALSE(controller.modified());
}

TEST_F(EmbeddedNotePanelControllerTest, LeavingTheViewCommitsThroughTheEditor)
{
    SetEditorInterfaceInstance(std::make_shared<CommittingEditorInterface>(*editor));
    view.type("left");
    controller.textDidEndEditing();
    EXPECT_EQ(first->note(), "left");
    EXPECT_EQ(undoSteps(), 1);
    controller.textDidEndEditing();
    EXPECT_EQ(undoSteps(), 1) << "nothing new to write";
}

TEST_F(EmbeddedNotePanelControllerTest, TheEditCommandsFollowTheNotesState)
{
    struct Case {
        const char* action;
        bool hasSelection;
        bool enabled;
        bool readOnly;
    };
    const Case cases[] = {
        {"undo:", false, true, false},  {"redo:", false, false, false},
        {"cut:", false, false, false},  {"cut:", true, true, false},
        {"cut:", true, false, true},    {"delete:", true, true, false},
        {"delete:", true, false, true}, {"copy:", true, true, true},
        {"copy:", false, false, false}, {"paste:", false, true, false},
        {"paste:", false, false, true}, {"selectAll:", false, true, true},
        {"undo:", false, false, true},  {"toggleBoldFontStyle:", true, false, false},
    };
    view.type("typed");
    for (const Case& testCase : cases) {
        SCOPED_TRACE(std::string(testCase.action) + (testCase.readOnly ? " read-only" : ""));
        controller.setReadOnly(testCase.readOnly);
        EXPECT_EQ(EmbeddedNotePanelController::isTextAction(testCase.action),
                  std::string(testCase.action) != "toggleBoldFontStyle:");
        EXPECT_EQ(controller.validateTextAction(testCase.action, testCase.hasSelection).enabled, testCase.enabled);
    }
    map->setSelectedElement(nullptr);
    EXPECT_FALSE(controller.validateTextAction("selectAll:", false).enabled) << "no topic, no text";
    EXPECT_FALSE(controller.validateTextAction("paste:", false).enabled);
}

// Hiding the tab used to let what was typed go unwritten.
TEST_F(EmbeddedNotePanelControllerTest, HidingTheTabStoresWhatWasTypedFirst)
{
    view.type("typed");
    controller.setHidden(true);
    EXPECT_EQ(first->note(), "typed");
    EXPECT_EQ(view.contents, "");
    EXPECT_FALSE(controller.enabled());
    map->setSelectedElement(second);
    EXPECT_EQ(view.contents, "") << "a hidden panel follows nothing";
    controller.setHidden(false);
    EXPECT_EQ(view.contents, "kept") << "shown again, it loads the active map's selection";
}

} // namespace

// A paste or drop takes what the note can lay out in a fraction of a second: at most 100,000
// characters, and paragraphs whose growth stays within one of 10,000 characters, cut between
// characters and said; typing into a long paragraph and what the undo puts back go in whole.
TEST_F(EmbeddedNotePanelControllerTest, APasteTakesWhatTheNoteLaysOutQuicklyAndSaysWhatItLeftOut)
{
    const auto repeated = [](const std::string& part, size_t times) {
        std::string text;
        for (size_t i = 0; i < times; ++i) text += part;
        return text;
    };
    const std::string page = repeated("word ", 119) + "last\n"; // 600 characters
    const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";
    const struct {
        const char* name;
        std::string before;
        std::string text;
        size_t kept;         // bytes
        std::string message; // empty: no notice
    } cases[] = {
        {"pages of prose", "", repeated(page, 166), 166 * 600, ""},
        {"more pages than a paste takes", "", repeated(page, 200), 100000,
         localizedFormat("note_text_cut_reason", {"120000", "100000"})},
        {"one paragraph without a break", "", std::string(50000, 'x'), 10000,
         localizedFormat("note_text_cut_paragraphs_reason", {"10000", "50000"})},
        {"paragraphs of 5,000", "", repeated(std::string(4999, 'x') + "\n", 8), 4 * 5000 + 199,
         localizedFormat("note_text_cut_paragraphs_reason", {"20199", "40000"})},
        {"continuing a long paragraph", "Intro\n" + std::string(8000, 'y'), std::string(5000, 'x'), 4806,
         localizedFormat("note_text_cut_paragraphs_reason", {"4806", "5000"})},
        {"a key into a paragraph of 60,000", std::string(60000, 'y'), "z", 1, ""},
        {"never inside a character", "", std::string(9999, 'x') + family + "tail", 9999,
         localizedFormat("note_text_cut_paragraphs_reason", {"9999", "10004"})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingFeedbackSink feedback;
        EXPECT_EQ(controller.textWillInsert(c.before, c.text), c.kept);
        if (c.message.empty()) {
            EXPECT_TRUE(feedback.notifications.empty());
        } else {
            ASSERT_EQ(feedback.notifications.size(), 1u);
            EXPECT_EQ(feedback.notifications[0].message, c.message);
        }
    }
}
