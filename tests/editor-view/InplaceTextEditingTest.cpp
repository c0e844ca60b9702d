#include "EditorViewTestSupport.h"
#include "MindMaps/MinTextSizeCalculator.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/StyleSheet.h"
#include "MindMaps/TopicTextLimit.h"
#include "Utils/RecordingFeedbackSink.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/BezierPath.h"
#include "platform/Localizer.h"
#include "platform/Pasteboard.h"
#include "platform/UndoManager.h"
#include "support/UndoSteps.h"

#include <functional>

using namespace editortest;

namespace {

// Counts the calls of the canvas's half that an edit makes, and gives each edit a view the test
// may reach.
class EditingHost : public CountingHost {
public:
    int focusRequests = 0;
    std::function<void()> onFocus;
    std::function<std::unique_ptr<InplaceTextView>()> makeView;
    void focusEditor() override
    {
        ++focusRequests;
        if (onFocus) onFocus();
    }
    std::unique_ptr<InplaceTextView> newInplaceTextView() override { return makeView ? makeView() : nullptr; }
};

class InplaceTextEditingTest : public EditorViewTest {
protected:
    void SetUp() override
    {
        EditorViewTest::SetUp();
        registerNativeFormat();
        UserDefaults::standard().removeObject(MindMapEditor::ApplyDefaultWordWrapKey);
        editor->setHost(&editingHost);
        showMap();
    }
    void TearDown() override
    {
        editor->setHost(nullptr);
        Pasteboard::setGeneralPasteboard(nullptr);
        EditorViewTest::TearDown();
    }

    InplaceTextEditor& session()
    {
        EXPECT_NE(nullptr, editor->inplaceEditor());
        return *editor->inplaceEditor();
    }
    PlainInplaceTextView& view() { return static_cast<PlainInplaceTextView&>(session().view()); }

    EditingHost editingHost;
};

} // namespace

// ---- Start ----

TEST_F(InplaceTextEditingTest, EditingZoomsInToAtLeastSixtyFivePercent)
{
    const std::pair<double, double> cases[] = {{0.5, 0.65}, {0.7, 0.7}, {1.0, 1.0}};
    for (auto [zoom, expected] : cases) {
        editor->setUserScaleFactor(zoom);
        map->setSelectedElement(theme);
        map->editText();
        EXPECT_EQ(expected, editor->userScaleFactor()) << zoom;
        EXPECT_EQ(editor->scaleFactor(), session().scale());
        editor->stopEditing(InplaceTextEditor::Cancel);
    }
}

TEST_F(InplaceTextEditingTest, EditingDataFollowsTheElementKind)
{
    NodeStyle* style = theme->style();
    style->setFillColor(Color(1, 0, 0));
    style->setStrokeColor(Color(0, 1, 0));
    style->setTextColor(Color(0, 0, 1));
    style->setAlignment(1);
    style->setPropCustomized(TextStyle::FillColorMask | NodeStyle::StrokeColorMask | TextStyle::TextColorMask |
                                 TextStyle::AlignmentMask,
                             true);
    map->validateElementStates();
    InplaceEditingData data = InplaceEditingData::editingDataForElement(theme);
    EXPECT_EQ(*theme->font(), data.font);
    EXPECT_EQ(1, data.alignment);
    EXPECT_EQ(Color(0, 0, 1), data.textColor);
    EXPECT_EQ(Color(1, 0, 0), data.fillColor);
    EXPECT_EQ(Color(0, 1, 0), data.strokeColor);

    // A clear topic shows the map's background behind the text.
    style->setFillColor(Color::normalizedClearColor());
    map->style()->setBackgroundColor(Color(0.2, 0.3, 0.4));
    map->style()->setPropCustomized(MindMapStyle::BackgroundColorMask, true);
    EXPECT_EQ(Color(0.2, 0.3, 0.4), InplaceEditingData::editingDataForElement(theme).fillColor);

    MindMapText* label = theme->addText();
    map->validateElementStates();
    data = InplaceEditingData::editingDataForElement(label);
    EXPECT_TRUE(data.fillColor.isNormalizedClearColor()) << "a label without fill";
    EXPECT_TRUE(data.strokeColor && data.strokeColor->isNormalizedClearColor());
    EXPECT_EQ(label->resolvedTextColor(), data.textColor);
    label->style()->setFillColor(Color(1, 1, 0));
    label->style()->setPropCustomized(TextStyle::FillColorMask, true);
    EXPECT_EQ(Color(1, 1, 0), InplaceEditingData::editingDataForElement(label).fillColor);

    data = InplaceEditingData::editingDataForElement(theme->addCustomImage("0123456789abcdef", ""));
    EXPECT_EQ(StyleSheet::textFont(), data.font);
    EXPECT_EQ(0, data.alignment);
    EXPECT_EQ(Color(0.5, 0.5, 0.5), data.textColor);
    EXPECT_EQ(Color::white(), data.fillColor);
    EXPECT_FALSE(data.strokeColor);
}

TEST_F(InplaceTextEditingTest, ANewTopicShowsASelectedSpaceAndAnOldOneItsTextWithTheCaretAtTheEnd)
{
    map->setSelectedElement(theme);
    map->editText();
    EXPECT_EQ("Theme", view().text());
    EXPECT_EQ(TextRange({5, 0}), view().selectedRange());
    EXPECT_TRUE(view().shown() && view().focused());
    EXPECT_EQ(theme, editor->editingElement());
    EXPECT_EQ(2, theme->editingState());
    EXPECT_FALSE(editor->elementToolsVisible());
    EXPECT_FALSE(editor->canAutoSave());
    editor->stopEditing(InplaceTextEditor::Cancel);
    EXPECT_EQ(0, theme->editingState());
    EXPECT_TRUE(editor->canAutoSave());

    map->setSelectedElement(theme);
    map->addChildNode();
    MindMapNode* added = map->selectedNode();
    EXPECT_EQ(" ", view().text());
    EXPECT_EQ(TextRange({0, 1}), view().selectedRange());
    EXPECT_EQ(3, added->editingState());
    view().type("x");
    EXPECT_EQ("x", view().text());
}

// ---- Frame ----

TEST_F(InplaceTextEditingTest, TheFrameFitsTheTextCentredOnItAndTheBorderGrowsWithTheZoom)
{
    editor->setUserScaleFactor(2);
    map->setSelectedElement(theme);
    map->editText();
    const Font font = *theme->font();
    const Size minimum = MinTextSizeCalculator::instance().minTextSizeForFont(font);
    auto expectFrame = [&](const std::string& text) {
        SCOPED_TRACE(text);
        const Size measured = measurer.sizeForText(text, font.withSize(font.pointSize() * 2));
        const double width = std::clamp(std::max(measured.width, minimum.width * 2) + 12, 5.0, 1600.0);
        const double height = std::clamp(std::max(measured.height, minimum.height * 2) + 2, 5.0, 1600.0);
        const Point centre = editor->mapToViewSpace(theme->textBounds().center());
        const Rect frame(centre.x - width / 2, centre.y - height / 2, width, height);
        EXPECT_EQ(frame, session().textFrame());
        EXPECT_EQ(frame, view().textFrame());
        EXPECT_EQ(insetRect(frame, -24, -24), view().borderFrame()) << "4 strokes of 3 x 2";
    };
    expectFrame("Theme");
    view().type(" and a longer text");
    expectFrame("Theme and a longer text");
    view().type(std::string(3000, 'm'));
    EXPECT_EQ(1600, session().textFrame().width());

    const InplaceEditorBorder& border = view().border();
    EXPECT_EQ(6, border.strokeWidth());
    EXPECT_EQ(4, border.cornerRadius());
    EXPECT_EQ(2, border.scale);
    const Rect bounds(0, 0, 100, 40);
    const BezierPath path = border.path(bounds);
    EXPECT_EQ(insetRect(bounds, 7, 7), path.controlPointBounds());
    EXPECT_EQ(6, path.lineWidth());
    EXPECT_EQ(font.withSize(font.pointSize() * 2), view().appearance().font);
    editor->stopEditing(InplaceTextEditor::Cancel);

    // A tiny font still leaves a text view of five points.
    theme->setFont(Font("Helvetica", 1));
    map->validateElementStates();
    editor->setUserScaleFactor(1);
    map->setSelectedElement(theme);
    map->editText();
    EXPECT_EQ(5, session().textFrame().height());
}

// ---- Stop ----

TEST_F(InplaceTextEditingTest, HowAnEditEndsDecidesWhatStaysAndWhatCanBeUndone)
{
    enum class Made { Child, CentralTheme, InsertedParent, Existing };
    struct Case {
        Made made;
        const char* typed; // nullptr: nothing typed
        int mode;
        bool stays;
        const char* text;
        size_t steps;
    };
    const Case cases[] = {
        {Made::Child, nullptr, InplaceTextEditor::Cancel, false, "", 0},
        {Made::Child, nullptr, InplaceTextEditor::Commit, false, "", 0},
        {Made::Child, nullptr, InplaceTextEditor::CommitByReturn, true, "", 1},
        {Made::Child, "Typed", InplaceTextEditor::Cancel, false, "", 0},
        {Made::Child, "Typed", InplaceTextEditor::Commit, true, "Typed", 1},
        {Made::Child, "Typed", InplaceTextEditor::CommitByReturn, true, "Typed", 1},
        {Made::CentralTheme, "Typed", InplaceTextEditor::Cancel, true, "", 1},
        {Made::CentralTheme, nullptr, InplaceTextEditor::Commit, true, "", 1},
        {Made::InsertedParent, nullptr, InplaceTextEditor::Cancel, true, "", 1},
        {Made::Existing, "Typed", InplaceTextEditor::Cancel, true, "Theme", 0},
        {Made::Existing, nullptr, InplaceTextEditor::Commit, true, "Theme", 0},
        {Made::Existing, "Typed", InplaceTextEditor::Commit, true, "Typed", 1},
        {Made::Existing, "Typed", InplaceTextEditor::CommitByReturn, true, "Typed", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(int(c.made)) + " typed " + (c.typed ? c.typed : "nothing") + " mode " +
                     std::to_string(c.mode));
        map->setSelectedElement(c.made == Made::InsertedParent ? child : theme);
        switch (c.made) {
        case Made::Child:
            map->addChildNode();
            break;
        case Made::CentralTheme:
            map->addCentralTheme();
            break;
        case Made::InsertedParent:
            map->insertNode();
            break;
        case Made::Existing:
            map->editText();
            break;
        }
        MindMapNode* edited = map->selectedNode();
        ASSERT_EQ(edited, editor->editingElement());
        const size_t nodes = map->nodes().size();
        if (c.typed) view().replaceCharacters({0, utf16Length(view().text())}, c.typed);
        editor->stopEditing(c.mode);
        EXPECT_EQ(nullptr, editor->inplaceEditor());
        const auto& all = map->nodes();
        EXPECT_EQ(c.stays, std::find(all.begin(), all.end(), edited) != all.end());
        EXPECT_EQ(c.stays ? nodes : nodes - 1, map->nodes().size());
        if (c.stays) {
            EXPECT_EQ(c.text, edited->text());
            EXPECT_EQ(0, edited->editingState());
        }
        EXPECT_EQ(c.steps, undoSteps(*map->undoManager()));
        if (c.made == Made::Existing && c.steps == 1) {
            EXPECT_EQ(localized("undoable_op_edit_text"), map->undoManager()->undoActionName());
        }
        // A fresh editor and map for the next case.
        TearDown();
        SetUp();
    }
}

TEST_F(InplaceTextEditingTest, EscapeReturnAndTabEndTheEditShiftReturnBreaksTheLine)
{
    struct Case {
        KeyEvent key;
        bool ends;
        const char* text;
    };
    const Case cases[] = {
        {{KeyValues::Escape, 0}, true, "Theme"},
        {{KeyValues::Return, 0}, true, "Theme!"},
        {{KeyValues::KeypadEnter, 0}, true, "Theme!"},
        {{KeyValues::Tab, 0}, true, "Theme!"},
        {{KeyValues::Return, ShiftModifier}, false, "Theme!\n"},
        {{KeyValues::Return, ControlModifier}, false, "Theme!\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        theme->setText("Theme");
        map->setSelectedElement(theme);
        map->editText();
        view().type("!");
        const int focusRequests = editingHost.focusRequests;
        view().pressKey(c.key);
        EXPECT_EQ(c.ends, editor->inplaceEditor() == nullptr);
        if (c.ends) {
            EXPECT_EQ(c.text, theme->text());
            EXPECT_EQ(focusRequests + 1, editingHost.focusRequests) << "the keys go back to the canvas";
            scheduler.advance(0.01);
            EXPECT_EQ(focusRequests + 2, editingHost.focusRequests) << "and once more after the view is gone";
        } else {
            EXPECT_EQ(c.text, view().text());
            editor->stopEditing(InplaceTextEditor::Cancel);
        }
    }
}

TEST_F(InplaceTextEditingTest, LosingTheFocusCommitsLeavesTheFocusAndSwallowsTheNextPressBriefly)
{
    map->setSelectedElement(theme);
    map->editText();
    view().type(" typed");
    view().loseFocusTo(true);
    EXPECT_EQ(nullptr, editor->inplaceEditor());
    EXPECT_EQ("Theme typed", theme->text());
    EXPECT_EQ(0, editingHost.focusRequests) << "the focus stays where it went";
    EXPECT_TRUE(editor->ignoreMouseDown());
    const PointerEvent press{PointerEventKind::Press, PrimaryButton, editor->mapToViewSpace(child->location()), 1};
    editor->pointerEvent(press);
    editor->pointerEvent({PointerEventKind::Release, PrimaryButton, press.viewPoint, 1});
    EXPECT_EQ(theme, map->selectedElement()) << "the press right after the edit did nothing";
    scheduler.advance(MindMapEditor::IgnoreMouseDownAfterEditing);
    EXPECT_FALSE(editor->ignoreMouseDown());
    editor->pointerEvent(press);
    editor->pointerEvent({PointerEventKind::Release, PrimaryButton, press.viewPoint, 1});
    EXPECT_EQ(child, map->selectedElement());
}

TEST_F(InplaceTextEditingTest, TheMainThemeAnnouncesItsNewTitle)
{
    NotificationCounter titles(MindMap::TitleChangedNotification, map.get());
    map->setSelectedElement(child);
    map->editText();
    view().type("Child");
    editor->stopEditing(InplaceTextEditor::CommitByReturn);
    EXPECT_EQ(0, titles.count);
    map->setSelectedElement(theme);
    map->editText();
    view().type(" renamed");
    editor->stopEditing(InplaceTextEditor::CommitByReturn);
    EXPECT_LE(1, titles.count);
    EXPECT_EQ("Theme renamed", map->mainCentralTheme()->text());
}

// Closing the view moves the keyboard focus, and the focus signals come back into the editor while
// it ends the edit: they must find it ended.
TEST_F(InplaceTextEditingTest, FocusSignalsOfTheClosingViewDoNotEndTheEditTwice)
{
    class SignallingView : public PlainInplaceTextView {
    public:
        MindMapEditor* editor = nullptr;
        void remove() override
        {
            PlainInplaceTextView::remove();
            loseFocusTo(false);
            editor->stopEditing(InplaceTextEditor::Commit);
        }
    };
    editingHost.makeView = [&] {
        auto made = std::make_unique<SignallingView>();
        made->editor = editor.get();
        return made;
    };
    editingHost.onFocus = [&] { editor->becomeFirstResponder(); };
    map->setSelectedElement(theme);
    map->addChildNode();
    MindMapNode* added = map->selectedNode();
    view().type("Once");
    editor->stopEditing(InplaceTextEditor::CommitByReturn);
    ASSERT_EQ(added, map->nodes().back());
    EXPECT_EQ("Once", added->text());
    EXPECT_EQ(1u, undoSteps(*map->undoManager()));
    scheduler.advance(1);
}

TEST_F(InplaceTextEditingTest, SwitchingMapsCommitsTheEditToTheMapItBelongsTo)
{
    map->setSelectedElement(theme);
    map->editText();
    view().type("!");
    editor->setMindMap(nullptr);
    EXPECT_EQ("Theme!", theme->text());
    EXPECT_EQ(nullptr, editor->inplaceEditor());
}

// ---- Typing undo, clipboard and markdown ----

TEST_F(InplaceTextEditingTest, TypingUndoesByRunsWhileTheViewIsOpenAndLeavesWithIt)
{
    map->setSelectedElement(theme);
    map->addChildNode();
    for (const char* key : {"a", "b", "c"}) view().type(key);
    view().backspace();
    view().backspace();
    EXPECT_EQ("a", view().text());
    EXPECT_TRUE(session().validateAction("undo:").enabled);
    EXPECT_FALSE(session().validateAction("redo:").enabled);
    session().undo();
    EXPECT_EQ("abc", view().text()) << "the two deletions were one step";
    session().undo();
    EXPECT_EQ(" ", view().text()) << "the typing replaced the space in one step";
    EXPECT_EQ(TextRange({0, 1}), view().selectedRange());
    EXPECT_FALSE(session().canUndo());
    session().redo();
    EXPECT_EQ("abc", view().text());
    ASSERT_TRUE(session().performAction("redo:", nullptr));
    EXPECT_EQ("a", view().text());
    view().type("z");
    EXPECT_FALSE(session().canRedo()) << "a new change forgets what was undone";
    editor->stopEditing(InplaceTextEditor::CommitByReturn);
    EXPECT_EQ("az", map->selectedNode()->text());
    EXPECT_EQ(1u, undoSteps(*map->undoManager())) << "the map has one step for the whole edit";
}

TEST_F(InplaceTextEditingTest, PasteTakesPlainTextOnlyAndMakesItAValidTopicText)
{
    Pasteboard& pasteboard = Pasteboard::generalPasteboard();
    map->setSelectedElement(theme);
    map->editText();
    view().setSelectedRange({0, 5});
    pasteboard.declareTypes({"image/png"});
    pasteboard.setData({0x89, 'P', 'N', 'G'}, "image/png");
    EXPECT_FALSE(session().validateAction("paste:").enabled);
    session().paste();
    EXPECT_EQ("Theme", view().text()) << "a picture pastes nothing";

    pasteboard.declareTypes({Pasteboard::StringType, "text/html"});
    pasteboard.setString("", Pasteboard::StringType);
    session().paste();
    EXPECT_EQ("Theme", view().text());

    pasteboard.setString("one\r\ntwo\x01three", Pasteboard::StringType);
    EXPECT_TRUE(session().validateAction("paste:").enabled);
    ASSERT_TRUE(session().performAction("paste:", nullptr));
    EXPECT_EQ("one\ntwo three", view().text());
    session().undo();
    EXPECT_EQ("Theme", view().text()) << "a paste is one step";

    view().setSelectedRange({1, 3});
    session().cut();
    EXPECT_EQ("Te", view().text());
    EXPECT_EQ("hem", pasteboard.stringForType(Pasteboard::StringType));
}

// Text past the limit is cut with a notice, a paste at once; a longer stored text may stay, not grow.
TEST_F(InplaceTextEditingTest, TextPastTheLimitIsCutOnPasteAndOnCommitWithANotice)
{
    constexpr size_t L = TopicTextLimit::MaximumCharacters;
    RecordingFeedbackSink feedback;
    const struct {
        size_t stored, entered, kept;
        bool paste;
    } cases[] = {{5, L, L, false},
                 {5, L + 3, L, false},
                 {5, L + 3, L, true},
                 {L + 8, L + 8, L + 8, false},
                 {L + 8, L + 9, L + 8, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stored << " " << c.entered << " " << c.paste);
        theme->setText(std::string(c.stored, 'x'));
        feedback.notifications.clear();
        map->setSelectedElement(theme);
        map->editText();
        const std::string entered(c.entered, 'y'), kept(c.kept, 'y');
        Pasteboard::generalPasteboard().declareTypes({Pasteboard::StringType});
        Pasteboard::generalPasteboard().setString(entered, Pasteboard::StringType);
        view().setSelectedRange({0, utf16Length(view().text())});
        c.paste ? session().paste() : view().replaceCharacters(view().selectedRange(), entered);
        EXPECT_TRUE(!c.paste || view().text() == kept) << "cut as it is pasted";
        editor->stopEditing(InplaceTextEditor::Commit);
        EXPECT_EQ(theme->text(), kept);
        EXPECT_EQ(feedback.notifications.empty() ? "" : feedback.notifications.back().message,
                  c.kept == c.entered
                      ? ""
                      : localizedFormat("topic_text_cut_reason", {std::to_string(c.entered), std::to_string(c.kept)}));
    }
}

// Text that comes in at the caret of a topic near or past the limit fills only what is left there:
// the text already there stays whole, also once committed, and a toggle adds both tokens or none.
TEST_F(InplaceTextEditingTest, TextComingInAtTheCaretTakesOnlyWhatIsLeftAndKeepsTheRest)
{
    constexpr size_t L = TopicTextLimit::MaximumCharacters;
    RecordingFeedbackSink feedback;
    const std::string nearly = std::string(L - 13, 'x') + "END", longer = std::string(L + 997, 'x') + "END";
    const auto typeKeys = [this](const std::string& keys) {
        for (char key : keys) view().type(std::string(1, key));
    };
    const struct {
        const char* name;
        std::string stored;
        std::function<void()> input;
        std::string kept;
    } cases[] = {
        {"twenty keys before 4,990 characters", nearly, [&] { typeKeys(std::string(20, 'T')); },
         std::string(10, 'T') + nearly},
        {"three keys before a stored 6,000", longer, [&] { typeKeys("ABC"); }, longer},
        {"bold round a word of a text at the limit", std::string(L, 'x'),
         [this] {
             view().setSelectedRange({0, 3});
             session().toggleBoldFontStyle();
         },
         std::string(L, 'x')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        theme->setText(c.stored);
        feedback.notifications.clear();
        map->setSelectedElement(theme);
        map->editText();
        view().setSelectedRange({0, 0});
        c.input();
        editor->stopEditing(InplaceTextEditor::Commit);
        EXPECT_EQ(theme->text(), c.kept);
        EXPECT_FALSE(feedback.notifications.empty()) << "the user is told";
    }
}

// Positions count UTF-16 units: "é" written as e and a combining accent is two, the emoji two.
TEST_F(InplaceTextEditingTest, MarkdownTogglesWrapTheSelectionClosingTokenFirst)
{
    class RecordingView : public PlainInplaceTextView {
    public:
        std::vector<TextEdit> edits;
        void replaceCharacters(TextRange range, const std::string& text) override
        {
            PlainInplaceTextView::replaceCharacters(range, text);
            edits.push_back({range.location, "", text});
        }
    };
    RecordingView* recording = nullptr;
    editingHost.makeView = [&] {
        auto made = std::make_unique<RecordingView>();
        recording = made.get();
        return made;
    };
    const std::string accented = "e\xCC\x81";     // e + U+0301
    const std::string emoji = "\xF0\x9F\x99\x82"; // U+1F642
    struct Case {
        std::string text;
        TextRange selection;
        std::string action;
        std::string result;
        TextRange caret;
        size_t closingAt; // where the first insertion went
    };
    const Case cases[] = {
        {"", {0, 0}, "toggleBoldFontStyle:", "**", {1, 0}, 0},
        {"abc", {1, 1}, "toggleBoldFontStyle:", "a*b*c", {4, 0}, 2},
        {"abc", {1, 0}, "toggleItalicFontStyle:", "a__bc", {2, 0}, 1},
        {accented + emoji + "x", {2, 2}, "toggleStrikeThroughFontStyle:", accented + "~~" + emoji + "~~x", {8, 0}, 4},
        {accented + emoji, {0, 4}, "toggleUnderlineFontStyle:", "~" + accented + emoji + "~", {6, 0}, 4},
        {emoji, {0, 2}, "toggleSuperscriptFontStyle:", "^^" + emoji + "^^", {6, 0}, 2},
        {emoji, {2, 0}, "toggleSubscriptFontStyle:", emoji + ",,,,", {4, 0}, 2},
        {"*b*", {0, 3}, "toggleBoldFontStyle:", "**b**", {5, 0}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action + " on " + c.text);
        theme->setText(c.text.empty() ? "x" : c.text);
        map->setSelectedElement(theme);
        map->editText();
        view().replaceCharacters({0, utf16Length(view().text())}, c.text);
        view().setSelectedRange(c.selection);
        recording->edits.clear();
        EXPECT_EQ(c.text.empty() || c.selection.length > 0, session().validateAction(c.action).enabled);
        ASSERT_TRUE(session().performAction(c.action, nullptr));
        EXPECT_EQ(c.result, view().text());
        EXPECT_EQ(c.caret, view().selectedRange());
        ASSERT_FALSE(recording->edits.empty());
        EXPECT_EQ(c.closingAt, recording->edits.front().location);
        session().undo();
        EXPECT_EQ(c.text, view().text()) << "one step";
        editor->stopEditing(InplaceTextEditor::Cancel);
        scheduler.advance(1);
    }

    // With text and nothing selected the toggles are off; removing markdown always works.
    theme->setText("*bold* and _italic_");
    map->setSelectedElement(theme);
    map->editText();
    EXPECT_FALSE(session().validateAction("toggleBoldFontStyle:").enabled);
    EXPECT_TRUE(session().validateAction("removeMarkdown:").enabled);
    session().removeMarkdown();
    EXPECT_EQ("bold and italic", view().text());
}

// The Font menu's markup items reach the editor when the keys are elsewhere (a panel, the menu
// bar): it hands them to the open edit, and keeps them off while nothing is edited.
TEST_F(InplaceTextEditingTest, MarkupSentToTheEditorReachesTheOpenEditAndIsOffWithoutOne)
{
    struct Case {
        const char* action;
        std::string text;
        TextRange selection;
        bool enabled;
        std::string result;
    };
    const Case cases[] = {
        {"toggleSuperscriptFontStyle:", "x2", {1, 1}, true, "x^^2^^"},
        {"toggleSubscriptFontStyle:", "H2O", {1, 1}, true, "H,,2,,O"},
        {"toggleSuperscriptFontStyle:", "x2", {2, 0}, false, "x2"},
        {"removeMarkdown:", "*bold*", {0, 0}, true, "bold"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.action) + " on " + c.text);
        theme->setText(c.text);
        map->setSelectedElement(theme);
        ASSERT_TRUE(editor->respondsToAction(c.action));
        EXPECT_FALSE(editor->validateAction(c.action).enabled) << "nothing is edited";
        editor->performAction(c.action, nullptr);
        EXPECT_EQ(c.text, theme->text());

        map->editText();
        view().setSelectedRange(c.selection);
        EXPECT_EQ(c.enabled, editor->validateAction(c.action).enabled);
        if (c.enabled) editor->performAction(c.action, nullptr);
        EXPECT_EQ(c.result, view().text());
        editor->stopEditing(InplaceTextEditor::CommitByReturn);
        scheduler.advance(1);
        EXPECT_EQ(c.result, theme->text());
    }
}

// The spelling switches go to the open view and come back to the editor and its defaults when the
// edit ends; each new view starts with them.
TEST_F(InplaceTextEditingTest, SpellingSwitchesTravelBetweenTheEditorAndTheTextView)
{
    UserDefaults::standard().removeObject("continuousSpellChecking");
    editor->setContinuousSpellChecking(true);
    editor->setAutomaticSpellingCorrection(true);
    map->setSelectedElement(theme);
    map->editText();
    EXPECT_TRUE(view().continuousSpellChecking());
    EXPECT_TRUE(view().automaticSpellingCorrection());
    ASSERT_TRUE(session().performAction("toggleContinuousSpellChecking:", nullptr));
    EXPECT_EQ(false, session().validateAction("toggleContinuousSpellChecking:").checked);
    EXPECT_TRUE(editor->continuousSpellCheckEnabled()) << "the editor learns it when the edit ends";
    editor->stopEditing(InplaceTextEditor::Commit);
    EXPECT_FALSE(editor->continuousSpellCheckEnabled());
    EXPECT_FALSE(UserDefaults::standard().boolForKey("continuousSpellChecking"));

    ASSERT_TRUE(editor->performAction("toggleAutomaticSpellingCorrection:", nullptr));
    EXPECT_FALSE(UserDefaults::standard().boolForKey("automaticSpellingCorrection"));
    map->setSelectedElement(theme);
    map->editText();
    EXPECT_FALSE(view().continuousSpellChecking());
    EXPECT_FALSE(view().automaticSpellingCorrection());
    editor->stopEditing(InplaceTextEditor::Cancel);
    UserDefaults::standard().removeObject("continuousSpellChecking");
    UserDefaults::standard().removeObject("automaticSpellingCorrection");
}
