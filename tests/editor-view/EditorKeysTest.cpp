#include "EditorViewTestSupport.h"
#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/ParentRelation.h"
#include "Utils/GregorianCalendar.h"
#include "editor-view/EditorKeyBindings.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/PopoverPresenter.h"
#include "platform/UndoManager.h"

using namespace editortest;

namespace {

// Shows nothing; keeps the requests and closes when told.
class FakePopoverPresenter : public PopoverPresenter {
public:
    class Shown : public Popover {
    public:
        explicit Shown(std::function<void()> didClose) : _didClose(std::move(didClose)) {}
        bool isShown() const override { return _shown; }
        void close() override
        {
            _shown = false;
            if (auto didClose = std::move(_didClose)) didClose();
        }

    private:
        bool _shown = true;
        std::function<void()> _didClose;
    };

    std::vector<Request> requests;
    std::shared_ptr<Shown> last;
    std::shared_ptr<Popover> showPopover(const Request& request, std::function<void()> didClose) override
    {
        requests.push_back(request);
        last = std::make_shared<Shown>(std::move(didClose));
        return last;
    }
};

class FakeActionBars : public ElementActionBarPresenter {
public:
    std::vector<std::pair<Kind, Rect>> shown;
    bool open = false;
    Size contentSize(Kind) override { return {200, 30}; }
    Rect elementPopupBounds(Kind, MindMapElement* element) override { return element->bounds(); }
    void showActionBar(Kind kind, const Rect& viewRect) override
    {
        shown.emplace_back(kind, viewRect);
        open = true;
    }
    bool isActionBarShown() const override { return open; }
    void closeActionBars() override { open = false; }
};

class EditorKeysTest : public EditorViewTest {
protected:
    void SetUp() override
    {
        EditorViewTest::SetUp();
        registerNativeFormat();
        showMap();
        editor->setPopoverPresenter(&popovers);
    }
    void TearDown() override
    {
        editor->setPopoverPresenter(nullptr);
        editor->setActionBarPresenter(nullptr);
        EditorViewTest::TearDown();
    }
    bool key(uint32_t keyValue, unsigned modifiers = 0) { return editor->keyDown({keyValue, modifiers}); }

    FakePopoverPresenter popovers;
};

} // namespace

// ---- The table ----

TEST(EditorKeyBindingsTest, EachKeyHasOneCommandAndTheKeypadActsAsTheMainKeys)
{
    EXPECT_TRUE(EditorKeyBindings::duplicates(EditorKeyBindings::standardBindings()).empty());
    const std::vector<EditorKeyBinding> twice = {
        {KeyValues::Return, 0, "insertNewline:"}, {KeyValues::Tab, 0, "insertTab:"}, {0xff8d, 0, "other:"}};
    EXPECT_EQ(std::vector<size_t>{2}, EditorKeyBindings::duplicates(twice)) << "KP_Enter is Return";
    EXPECT_EQ("insertNewline:", EditorKeyBindings(twice).commandForKey({0xff8d, 0})) << "the first binding holds";

    const EditorKeyBindings& keys = EditorKeyBindings::standard();
    const std::pair<KeyEvent, const char*> cases[] = {
        {{KeyValues::Tab, 0}, "insertTab:"},
        {{KeyValues::Return, 0}, "insertNewline:"},
        {{KeyValues::KeypadEnter, 0}, "insertNewline:"},
        {{KeyValues::Return, ShiftModifier}, "insertLineBreak:"},
        {{KeyValues::Up, 0}, "moveUp:"},
        {{0xff99, 0}, "moveDown:"}, // KP_Down
        {{KeyValues::Left, 0}, "moveLeft:"},
        {{KeyValues::Right, 0}, "moveRight:"},
        {{KeyValues::BackSpace, 0}, "deleteBackward:"},
        {{KeyValues::Delete, 0}, "deleteForward:"},
        {{KeyValues::KeypadDelete, 0}, "deleteForward:"},
        {{KeyValues::BackSpace, AltModifier}, "deleteWordBackward:"},
        {{KeyValues::BackSpace, ControlModifier}, "deleteWordBackward:"},
        {{KeyValues::Escape, 0}, "cancelOperation:"},
        {{KeyValues::PageDown, 0}, "scrollPageDown:"},
        {{KeyValues::Home, 0}, "scrollToBeginningOfDocument:"},
        {{KeyValues::Plus, ControlModifier | ShiftModifier}, "zoomIn:"},
        {{KeyValues::Minus, ControlModifier}, "zoomOut:"},
        {{KeyValues::Digit0, ControlModifier}, "zoomActualSize:"},
        {{KeyValues::Tab, ControlModifier}, nullptr},
        {{KeyValues::Up, ShiftModifier}, nullptr},
        {{KeyValues::Plus, 0}, nullptr},
        {{'a', 0}, nullptr},
    };
    for (const auto& [event, command] : cases) {
        const std::optional<std::string> found = keys.commandForKey(event);
        if (command) EXPECT_EQ(command, found) << event.keyValue << " " << event.modifiers;
        else EXPECT_FALSE(found) << event.keyValue << " " << event.modifiers;
    }
}

// ---- What the keys do ----

TEST_F(EditorKeysTest, TabAndReturnAddTopicsThatOpenForTypingAndAreScrolledIntoView)
{
    map->setSelectedElement(child);
    ASSERT_TRUE(key(KeyValues::Tab));
    MindMapNode* added = map->selectedNode();
    EXPECT_EQ(child, added->parent());
    EXPECT_EQ(added, editor->editingElement());
    EXPECT_TRUE(intersectsRect(editor->getMapClipRect(), added->bounds())) << "scrolled into view";
    editor->stopEditing(InplaceTextEditor::CommitByReturn);
    scheduler.advance(1);

    ASSERT_TRUE(key(KeyValues::KeypadEnter));
    MindMapNode* sibling = map->selectedNode();
    EXPECT_EQ(child, sibling->parent());
    EXPECT_NE(added, sibling);
    EXPECT_EQ(sibling, editor->editingElement());
    editor->stopEditing(InplaceTextEditor::CommitByReturn);

    map->setSelectedElement(child);
    ASSERT_TRUE(key(KeyValues::Return, ShiftModifier));
    EXPECT_EQ(map->selectedNode(), child->parent()) << "a topic inserted above";
    EXPECT_EQ(theme, child->parent()->parent());
    editor->stopEditing(InplaceTextEditor::Cancel);
}

TEST_F(EditorKeysTest, DeleteKeysDeleteUnlessReadOnlyAndArrowsMoveTheSelection)
{
    MindMapNode* grandchild = map->addMindMapNodeAsChild(child, {1500, 1100});
    map->validateElementStates();
    map->setSelectedElement(child);
    editor->setReadOnly(true);
    map->setSelectedElement(child);
    EXPECT_TRUE(key(KeyValues::Delete));
    EXPECT_TRUE(key(KeyValues::BackSpace, AltModifier));
    EXPECT_EQ(3u, map->nodes().size()) << "read-only";
    editor->setReadOnly(false);

    map->setSelectedElement(child);
    ASSERT_TRUE(key(KeyValues::BackSpace, AltModifier));
    EXPECT_EQ(2u, map->nodes().size());
    EXPECT_EQ(theme, grandchild->parent()) << "the single topic went, its child moved up";

    map->setSelectedElement(theme);
    ASSERT_TRUE(key(KeyValues::Right));
    EXPECT_EQ(grandchild, map->selectedElement());
    ASSERT_TRUE(key(KeyValues::BackSpace));
    EXPECT_EQ(1u, map->nodes().size());
    EXPECT_FALSE(key('a'));
}

TEST_F(EditorKeysTest, EscapeLeavesAModeThenClearsTheSelectionThenTellsTheWindow)
{
    NotificationCounter escapes(MindMapEditor::EscapePressedNotification, editor.get());
    MindMapNode* other = map->addMindMapNodeAsChild(theme, {500, 300});
    map->validateElementStates();

    map->setSelectedElement(theme);
    editor->addCrossLink();
    ASSERT_EQ(theme, editor->crossLinkSource());
    key(KeyValues::Escape);
    EXPECT_EQ(nullptr, editor->crossLinkSource());
    EXPECT_EQ(theme, map->selectedElement()) << "only the mode was left";

    map->showDatePickerPanel();
    ASSERT_TRUE(editor->datePickerShown());
    key(KeyValues::Escape);
    EXPECT_FALSE(editor->datePickerShown());
    EXPECT_EQ(theme, map->selectedElement());

    map->setSelectedElement(theme);
    map->toggleSelection(other, false);
    key(KeyValues::Escape);
    EXPECT_EQ(1u, map->selection().size()) << "a multiple selection shrinks to one";
    key(KeyValues::Escape);
    EXPECT_EQ(nullptr, map->selectedElement());
    EXPECT_EQ(0, escapes.count);
    key(KeyValues::Escape);
    EXPECT_EQ(1, escapes.count);
}

// ---- Popovers ----

TEST_F(EditorKeysTest, TheDatePickerOpensUnderTheTopicOfItsOwnMapAndSetsThePickedDay)
{
    auto other = std::make_shared<MindMap>();
    other->newMindMap("", true, std::string("Other"));
    other->setSelectedElement(other->mainCentralTheme());
    other->showDatePickerPanel();
    EXPECT_TRUE(popovers.requests.empty()) << "another map's request";

    map->setSelectedElement(nullptr);
    map->showDatePickerPanel();
    EXPECT_TRUE(popovers.requests.empty()) << "no topic";

    const GregorianCalendar calendar;
    const MindMapEditor::Date date = *calendar.dateFromComponents({2024, 2, 10, 14, 30, 0});
    theme->setDate(date);
    map->setSelectedElement(theme);
    map->showDatePickerPanel();
    ASSERT_EQ(1u, popovers.requests.size());
    const PopoverPresenter::Request& request = popovers.requests.back();
    EXPECT_EQ(MindMapEditor::DatePickerContent, request.content);
    EXPECT_EQ(std::string("DatePickerViewController"), request.content);
    EXPECT_EQ(PopoverPresenter::Edge::Bottom, request.preferredEdge);
    EXPECT_EQ(PopoverPresenter::Behavior::Semitransient, request.behavior);
    EXPECT_EQ(editor->mapRectToViewRect(theme->bounds()), request.relativeTo);
    EXPECT_EQ(date, editor->datePickerInitialDate());
    EXPECT_TRUE(editor->isActionBarVisible());
    EXPECT_FALSE(editor->canAutoSave());

    editor->popoverDatePicked(MindMapEditor::dateForPickedDay(date, 2024, 3, 5));
    EXPECT_FALSE(editor->datePickerShown());
    ASSERT_TRUE(theme->date());
    EXPECT_EQ((DateComponents{2024, 3, 5, 14, 30, 0}), calendar.components(*theme->date()))
        << "the day picked at the time of day the topic had";
    EXPECT_TRUE(editor->canAutoSave());
    EXPECT_EQ(date, MindMapEditor::dateForPickedDay(date, 2024, 2, 30)) << "no such day";
}

TEST_F(EditorKeysTest, TheActionBarOfTheSelectionsKindMakesRoomAboveIt)
{
    map->setSelectedElement(theme);
    editor->invokeElementActionBar();
    EXPECT_FALSE(editor->isActionBarVisible()) << "none installed: nothing shows";

    FakeActionBars bars;
    editor->setActionBarPresenter(&bars);
    MindMapText* label = theme->addText();
    map->validateElementStates();
    const std::pair<MindMapElement*, ElementActionBarPresenter::Kind> cases[] = {
        {theme, ElementActionBarPresenter::Kind::Node},
        {child->parentRelation(), ElementActionBarPresenter::Kind::Relation},
        {label, ElementActionBarPresenter::Kind::Text},
    };
    for (auto [element, kind] : cases) {
        map->setSelectedElement(element);
        editor->invokeElementActionBar();
        ASSERT_FALSE(bars.shown.empty());
        EXPECT_EQ(kind, bars.shown.back().first);
        EXPECT_TRUE(editor->isActionBarVisible());
        EXPECT_FALSE(editor->canAutoSave());
    }

    // A topic at the view's top: the map moves down until the bar and 20 points fit above it.
    map->setSelectedElement(theme);
    editor->setPosition({0, editor->mapToViewSpace(theme->bounds().origin).y + editor->position().y - 10});
    const double top = editor->mapRectToViewRect(theme->bounds()).minY();
    ASSERT_LT(top, 50);
    editor->invokeElementActionBar();
    EXPECT_NEAR(50, editor->mapRectToViewRect(theme->bounds()).minY(), 0.5);
    EXPECT_NEAR(50, bars.shown.back().second.minY(), 0.5);
    key(KeyValues::Escape);
    EXPECT_FALSE(bars.open) << "Escape closes the bar";
}
