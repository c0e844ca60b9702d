#include "OutlinerTestSupport.h"

#include "platform/Menu.h"
#include "support/LongUserTexts.h"
#include "support/RecordingPopoverPresenter.h"

#include <chrono>
#include <functional>

namespace outlinertest {
namespace {

using namespace std::chrono_literals;
using Date = std::chrono::system_clock::time_point;

TEST_F(OutlinerTest, AStoredModeOutsideTheFiveOpensTheTree)
{
    const struct {
        int64_t stored;
        uint64_t mode;
    } cases[] = {{7, 0}, {-1, 0}, {5, 0}, {0, 0}, {2, 2}, {4, 4}};
    for (const auto& c : cases) {
        UserDefaults::standard().setInteger(OutlinerViewController::OutlineModeKey, c.stored);
        OutlinerViewController other(editor.get());
        FakeOutlineView otherView(other.adapter());
        EXPECT_EQ(other.loadView(&otherView, UserDefaults::standard()), c.mode) << c.stored;
        EXPECT_EQ(other.adapter().outlineMode(), c.mode) << c.stored;
    }
}

TEST_F(OutlinerTest, TheModeControlKeepsItsChoice)
{
    controller->outlineModeSegmentsChanged(3, UserDefaults::standard());
    EXPECT_EQ(adapter().outlineMode(), 3u);
    EXPECT_EQ(UserDefaults::standard().integerForKey("Editor.Outliner.Mode"), 3);
    EXPECT_EQ(OutlinerViewController::storedOutlineMode(UserDefaults::standard()), 3u);
    EXPECT_STREQ(OutlinerViewController::ModeToolTipKeys[4], "outline_options_date_list");
}

TEST_F(OutlinerTest, RowsPerMode)
{
    a1->setCheckboxMode(1);
    a1b->setCheckboxMode(1);
    a1b->setCheckedState(1);
    b1->setCheckboxMode(2);
    b1->setProgress(100);
    beta->setCheckboxMode(1);
    const Date day = Date(1'700'000'000s);
    a2->setDate(day + 24h);
    a1a->setDate(day);
    b1->setDate(day);
    a1a->setText("item 10");
    b1->setText("item 9");
    map->validateElementStates();

    const struct {
        uint64_t mode;
        std::vector<std::string> rows;
    } cases[] = {
        {0, {"Alpha", "Beta"}},
        {1, {"A1", "A1b", "Beta", "item 9"}},
        {2, {"A1", "Beta"}},
        {3, {"A1b", "item 9"}},
        // By date, and equal dates with numbers compared by value.
        {4, {"item 9", "item 10", "A2"}},
    };
    for (const auto& c : cases) {
        adapter().setOutlineMode(c.mode);
        EXPECT_EQ(texts(view->topRows()), c.rows) << "mode " << c.mode;
        EXPECT_TRUE(adapter().hasCheckboxes()) << "mode " << c.mode;
        EXPECT_EQ(adapter().nodes().empty(), c.mode == 0) << "mode " << c.mode;
        EXPECT_EQ(adapter().outlineState().indentationPerLevel, c.mode == 0 ? 16 : 0) << "mode " << c.mode;
    }
    adapter().setOutlineMode(0);
    EXPECT_EQ(texts({adapter().child(0, a1), adapter().child(1, a1)}), (std::vector<std::string>{"item 10", "A1b"}));
}

TEST_F(OutlinerTest, ListsReserveNoCheckboxRoomOnlyInTheTreeAndDateListOfAMapWithoutCheckboxes)
{
    const bool expected[] = {false, true, true, true, false};
    for (uint64_t mode = 0; mode < 5; ++mode) {
        adapter().setOutlineMode(mode);
        EXPECT_EQ(adapter().hasCheckboxes(), expected[mode]) << "mode " << mode;
    }
}

TEST_F(OutlinerTest, ListModesStartNoDragAndExpandNothing)
{
    for (uint64_t mode = 1; mode < 5; ++mode) {
        adapter().setOutlineMode(mode);
        EXPECT_FALSE(adapter().isItemExpandable(alpha)) << mode;
        EXPECT_EQ(adapter().numberOfChildrenOfItem(alpha), 0u) << mode;
        EXPECT_FALSE(adapter().writeItems({alpha})) << mode;
    }
    adapter().setOutlineMode(0);
    EXPECT_TRUE(adapter().isItemExpandable(alpha));
    EXPECT_FALSE(adapter().isItemExpandable(a2));
    EXPECT_TRUE(adapter().writeItems({a1, a2}));
    EXPECT_EQ(adapter().dragItem(), a1) << "only the first dragged row counts";
}

TEST_F(OutlinerTest, DropsAreValidatedAgainstTheDraggedTopicsPlace)
{
    // Alpha's children: A1 (index 0), A2 (index 1); the central themes: Alpha, Beta.
    const struct {
        const char* name;
        MindMapNode* dragged;
        MindMapNode* parent; // nullptr: the top level
        int64_t index;
        bool fromOwnView;
        bool allowed;
    } cases[] = {
        {"own index under own parent", a1, alpha, 0, true, false},
        {"one further down", a1, alpha, 1, true, true},
        {"after the last child", a1, alpha, 2, true, true},
        {"onto the own parent while not last", a1, alpha, -1, true, true},
        // Allowed, and it stays where it is.
        {"onto the own parent while last", a2, alpha, -1, true, true},
        {"onto itself", a1, a1, -1, true, false},
        {"onto a descendant", a1, a1b, 0, true, false},
        {"under another topic", a1, b1, -1, true, true},
        {"to the top level", a1, nullptr, 1, true, true},
        {"a theme at its own top-level index", beta, nullptr, 1, true, false},
        {"a theme onto the top level's end while last", beta, nullptr, -1, true, true},
        {"a theme before itself", beta, nullptr, 1, true, false},
        {"a theme to the top", beta, nullptr, 0, true, true},
        {"from another view", a1, b1, -1, false, false},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(adapter().writeItems({c.dragged})) << c.name;
        EXPECT_EQ(adapter().validateDrop(c.fromOwnView, c.parent, c.index) == OutlineViewAdapter::DragOperation::Move,
                  c.allowed)
            << c.name;
    }
}

TEST_F(OutlinerTest, ADropBesideARowProposesItsParentAndPlace)
{
    using Place = OutlineViewAdapter::DropPlace;
    const struct {
        const char* name;
        MindMapNode* row;
        Place place;
        MindMapNode* parent;
        int64_t index;
    } cases[] = {
        {"onto a row", a1, Place::Onto, a1, -1},
        {"before a first child", a1, Place::Before, alpha, 0},
        {"after a last child", a2, Place::After, alpha, 2},
        {"after a row with open children: beside it, not under it", a1, Place::After, alpha, 1},
        {"before a deeper row", a1b, Place::Before, a1, 1},
        {"before a central theme", beta, Place::Before, nullptr, 1},
        {"after the first central theme", alpha, Place::After, nullptr, 1},
    };
    for (const auto& c : cases) {
        MindMapNode* parent = nullptr;
        int64_t index = 0;
        adapter().proposedDrop(c.row, c.place, parent, index);
        EXPECT_EQ(parent, c.parent) << c.name;
        EXPECT_EQ(index, c.index) << c.name;
    }
}

TEST_F(OutlinerTest, ADropMovesTheTopicAsOneUndoStep)
{
    ASSERT_TRUE(adapter().writeItems({a1}));
    const uint64_t before = undoChanges();
    EXPECT_TRUE(adapter().acceptDrop(true, b1, -1));
    EXPECT_EQ(undoChanges(), before + 1);
    EXPECT_EQ(a1->parent(), b1);
    EXPECT_EQ(adapter().dragItem(), nullptr);
    EXPECT_EQ(view->parentRow(a1), b1) << "the hierarchy change moved the row";

    // The top level: a central theme at the end.
    ASSERT_TRUE(adapter().writeItems({a2}));
    EXPECT_TRUE(adapter().acceptDrop(true, nullptr, -1));
    EXPECT_EQ(map->centralThemes().back(), a2);

    // One further down under the own parent is allowed and leaves the topic where it was.
    ASSERT_TRUE(adapter().writeItems({a1a}));
    const uint64_t stay = undoChanges();
    EXPECT_TRUE(adapter().acceptDrop(true, a1, 1));
    EXPECT_EQ(a1a->indexInParent(), 0u);
    EXPECT_EQ(undoChanges(), stay + 1);

    // A refused drop forgets the dragged topic all the same.
    ASSERT_TRUE(adapter().writeItems({b1}));
    EXPECT_FALSE(adapter().acceptDrop(true, a1a, -1)) << "A1a is below B1 now";
    EXPECT_EQ(adapter().dragItem(), nullptr);
}

TEST_F(OutlinerTest, ReadOnlyAllowsNoEditingOrDraggingButCopyAndFolding)
{
    a1->setCheckboxMode(1);
    view->focused = true;
    view->click(a1);
    controller->setReadOnly(true);
    EXPECT_FALSE(adapter().outlineState().editable);
    EXPECT_EQ(adapter().outlineState().background, Color(0.9, 0.9, 0.9, 1));
    const OutlineRowContent row = adapter().viewForItem(a1);
    EXPECT_FALSE(row.editable);
    EXPECT_FALSE(row.progressEnabled);
    EXPECT_FALSE(row.progressHidden);
    EXPECT_FALSE(adapter().writeItems({a1}));
    EXPECT_EQ(view->selected, a1) << "the selected row stays selected";

    const struct {
        const char* action;
        bool editable;
        bool readOnly;
    } table[] = {
        {"copy:", true, true},           {"collapse:", true, true},        {"collapseChildren:", true, true},
        {"fullCollapse:", true, true},   {"expand:", true, true},          {"expandChildren:", true, true},
        {"fullExpand:", true, true},     {"delete:", true, false},         {"deleteAlt:", true, false},
        {"deleteForward:", true, false}, {"deleteBackward:", true, false}, {"cut:", true, false},
        {"paste:", true, false},         {"editProperties:", true, false}, {"selectAll:", false, false},
    };
    for (const auto& entry : table) EXPECT_EQ(controller->validateAction(entry.action), entry.readOnly) << entry.action;
    controller->setReadOnly(false);
    for (const auto& entry : table) EXPECT_EQ(controller->validateAction(entry.action), entry.editable) << entry.action;

    // Without the focus, without a selected row, hidden or disabled: nothing.
    view->focused = false;
    EXPECT_FALSE(controller->validateAction("copy:"));
    view->focused = true;
    view->selectItem(nullptr);
    EXPECT_FALSE(controller->validateAction("copy:"));
    view->click(a1);
    controller->setHidden(true);
    EXPECT_FALSE(controller->validateAction("copy:"));
    controller->setHidden(false);
    view->click(a1);
    controller->setEnabled(false);
    EXPECT_FALSE(controller->validateAction("copy:"));
    EXPECT_EQ(adapter().outlineState().background, Color(0.7, 0.7, 0.7, 1));
    EXPECT_FALSE(adapter().outlineState().editable);
}

TEST_F(OutlinerTest, RenamingRecordsOneStepOnlyForADifferentText)
{
    EXPECT_EQ(OutlineViewAdapter::singleLineText("  two\nlines\r\n"), "two lines");
    a2->setText("first\nsecond");
    map->validateElementStates();
    EXPECT_EQ(adapter().viewForItem(a2).title, "first second");

    const struct {
        std::string typed;
        bool recorded;
        std::string text;
    } cases[] = {
        {"first second", false, "first\nsecond"},
        {"A2 renamed", true, "A2 renamed"},
        {"A2 renamed", false, "A2 renamed"},
    };
    for (const auto& c : cases) {
        const uint64_t before = undoChanges();
        view->beginEditing(a2, c.typed);
        view->endEditing();
        map->validateElementStates();
        EXPECT_EQ(undoChanges(), before + (c.recorded ? 1 : 0)) << c.typed;
        EXPECT_EQ(a2->text(), c.text) << c.typed;
    }
    EXPECT_EQ(map->selectedNode(), a2);
    EXPECT_EQ(map->undoManager()->undoActionName(), "Edit Text");
}

TEST_F(OutlinerTest, AnEditAbandonedByASelectionChangeIsNotApplied)
{
    view->beginEditing(a2, "typed");
    map->setSelectedNode(b1);
    EXPECT_EQ(a2->text(), "A2");
    EXPECT_EQ(view->selected, b1);

    // Read-only rows take no edits either.
    controller->setReadOnly(true);
    view->beginEditing(a2, "typed");
    view->endEditing();
    EXPECT_EQ(a2->text(), "A2");
}

TEST_F(OutlinerTest, ARefreshRecordsNoStepMovesNoSelectionAndChangesNoCollapsedFlag)
{
    a1->setOutlineCollapsed(true);
    map->setSelectedNode(a1a);
    adapter().refreshOutline();
    EXPECT_FALSE(view->isItemExpanded(a1));
    EXPECT_TRUE(view->isItemExpanded(alpha));
    EXPECT_EQ(view->selected, nullptr) << "a topic inside a closed row has no shown row";

    const uint64_t before = undoChanges();
    for (MindMapNode* node : map->nodes()) node->setOutlineCollapsed(node == a1);
    adapter().refreshOutline();
    controller->hierarchyChanged();
    EXPECT_EQ(undoChanges(), before);
    EXPECT_EQ(map->selectedNode(), a1a) << "the fake reported a deselection while the rows were rebuilt";
    for (MindMapNode* node : map->nodes()) EXPECT_EQ(node->outlineCollapsed(), node == a1) << node->text();

    // The row the refresh selects again is no click: the branch folded on the canvas stays folded.
    map->setSelectedNode(b1);
    beta->setCollapsed(true);
    adapter().refreshOutline();
    EXPECT_EQ(view->selected, b1);
    EXPECT_TRUE(beta->collapsed());
    EXPECT_EQ(undoChanges(), before);
}

TEST_F(OutlinerTest, ACollapsedRowStaysCollapsedAcrossModeSwitches)
{
    view->userCollapse(a1);
    EXPECT_TRUE(a1->outlineCollapsed());
    adapter().setOutlineMode(1);
    adapter().setOutlineMode(0);
    EXPECT_FALSE(view->isItemExpanded(a1));
    EXPECT_TRUE(a1->outlineCollapsed());

    // Opening the parent again reopens the children the user left open.
    view->userCollapse(alpha);
    view->userExpand(alpha);
    EXPECT_FALSE(alpha->outlineCollapsed());
    EXPECT_FALSE(view->isItemExpanded(a1));
    view->userExpand(a1);
    EXPECT_FALSE(a1->outlineCollapsed());

    // The list modes keep no flags.
    adapter().setOutlineMode(1);
    adapter().itemDidCollapse(a2);
    EXPECT_FALSE(a2->outlineCollapsed());
}

TEST_F(OutlinerTest, SelectionFollowsBothWays)
{
    map->setSelectedNode(b1);
    EXPECT_EQ(view->selected, b1);
    view->click(a1b);
    EXPECT_EQ(map->selectedNode(), a1b);
    map->setSelectedElement(nullptr);
    EXPECT_EQ(view->selected, nullptr);

    // A row click on a topic folded away on the canvas opens its ancestors there.
    a1->setCollapsed(true);
    view->click(a1b);
    EXPECT_FALSE(a1->collapsed());
}

TEST_F(OutlinerTest, CommandsActOnTheSelectedRow)
{
    view->focused = true;
    view->click(a1);
    view->userCollapse(a1);
    controller->performAction("expand:", nullptr);
    EXPECT_TRUE(view->isItemExpanded(a1));
    controller->performAction("collapseChildren:", nullptr);
    EXPECT_TRUE(view->isItemExpanded(a1));
    controller->performAction("fullCollapse:", nullptr);
    EXPECT_FALSE(view->isItemExpanded(a1));
    controller->performAction("fullExpand:", nullptr);
    EXPECT_TRUE(view->isItemExpanded(a1));

    const uint64_t before = undoChanges();
    controller->performAction("deleteBackward:", nullptr);
    EXPECT_EQ(undoChanges(), before + 1);
    EXPECT_EQ(texts(map->nodes()), (std::vector<std::string>{"Alpha", "A2", "Beta", "B1"}));
    EXPECT_EQ(view->rows.size(), 4u) << "the rows follow the map";

    // No selected row: nothing happens.
    view->selectItem(nullptr);
    const size_t count = map->nodes().size();
    controller->performAction("delete:", nullptr);
    EXPECT_EQ(map->nodes().size(), count);
}

TEST_F(OutlinerTest, TheProgressIconTicksACheckboxOrOpensTheMenu)
{
    a2->setCheckboxMode(1);
    b1->setCheckboxMode(2);
    int menus = 0;
    adapter().setCheckboxMenuHandler([&] { ++menus; });
    const uint64_t before = undoChanges();
    adapter().outlineProgressIconClicked(a2);
    EXPECT_EQ(a2->checkedState(), 1);
    EXPECT_EQ(undoChanges(), before + 1);
    EXPECT_EQ(map->selectedNode(), a2);
    EXPECT_EQ(menus, 0);
    adapter().outlineProgressIconClicked(b1);
    EXPECT_EQ(menus, 1);
    EXPECT_EQ(map->selectedNode(), b1);

    // The menu never runs below the work area (downward y).
    const struct {
        double pointer, height, bottom, top;
    } cases[] = {{100, 200, 1000, 100}, {900, 200, 1000, 800}, {1000, 200, 1000, 800}};
    for (const auto& c : cases)
        EXPECT_EQ(OutlineViewAdapter::progressMenuTop(c.pointer, c.height, c.bottom), c.top) << c.pointer;
}

TEST_F(OutlinerTest, RowsShowTheTopicsParts)
{
    a1->setNote("a note");
    a1->setDate(Date(1'700'000'000s));
    a1->setCheckboxMode(2);
    a1->setProgress(40);
    map->validateElementStates();
    adapter().refreshOutline();
    const OutlineRowContent dated = adapter().viewForItem(a1);
    EXPECT_EQ(dated.identifier, "OutlineAdapterDateView");
    EXPECT_EQ(dated.height, 32);
    EXPECT_TRUE(dated.hasNote);
    EXPECT_FALSE(dated.dateText.empty());
    EXPECT_EQ(dated.progress, 40);
    EXPECT_TRUE(dated.hasCheckboxes);
    a2->setText("");
    map->validateElementStates();
    const OutlineRowContent plain = adapter().viewForItem(a2);
    EXPECT_EQ(plain.identifier, "OutlineAdapterView");
    EXPECT_EQ(plain.height, 18);
    EXPECT_TRUE(plain.progressHidden);
    EXPECT_EQ(plain.placeholder, "(empty topic)");
    EXPECT_TRUE(plain.autoNumberPath.empty());
}

TEST_F(OutlinerTest, AMapSwitchedAwayLeavesNoRowsOfIt)
{
    auto other = std::make_shared<MindMap>();
    other->newMindMap("", true, std::string("Other"));
    other->setEnabled(true);
    editor->setMindMap(other);
    EXPECT_EQ(texts(view->topRows()), (std::vector<std::string>{"Other"}));
    for (MindMapNode* node : map->nodes()) EXPECT_FALSE(view->hasRow(node)) << node->text();
    editor->setMindMap(nullptr);
    EXPECT_TRUE(view->rows.empty());
    EXPECT_FALSE(adapter().enabled());
}

TEST_F(OutlinerTest, AHiddenOutlineKeepsNoRows)
{
    adapter().setOutlineMode(1);
    a1->setCheckboxMode(1);
    controller->setHidden(true);
    controller->hierarchyChanged();
    EXPECT_TRUE(view->rows.empty());
    EXPECT_TRUE(adapter().nodes().empty());
    controller->setHidden(false);
    EXPECT_EQ(texts(view->topRows()), (std::vector<std::string>{"A1"}));
}

TEST_F(OutlinerTest, TheDatePopoverPointsAtTheRowsDateIconAndSetsOrClearsTheDateInOneStep)
{
    RecordingPopoverPresenter presenter;
    adapter().setPopoverPresenter(&presenter);
    const Date day = Date(1'700'000'000s);
    b1->setDate(day);
    map->validateElementStates();
    map->undoManager()->removeAllActions();
    view->dateIcons[b1] = Rect(180, 62, 16, 16);

    adapter().dateIconClicked(b1);
    ASSERT_EQ(presenter.requests.size(), 1u);
    const PopoverPresenter::Request& request = presenter.requests.back();
    EXPECT_EQ(request.content, MindMapEditor::DatePickerContent);
    EXPECT_EQ(request.relativeTo, Rect(180, 62, 16, 16)) << "the row's icon, not the canvas topic";
    EXPECT_EQ(request.preferredEdge, PopoverPresenter::Edge::Bottom);
    EXPECT_EQ(request.behavior, PopoverPresenter::Behavior::Semitransient);
    EXPECT_EQ(adapter().datePickerInitialDate(), day);
    EXPECT_TRUE(adapter().datePickerShown());
    EXPECT_FALSE(editor->datePickerShown()) << "no second popover on the canvas";
    EXPECT_EQ(map->selectedNode(), b1);

    const uint64_t before = undoChanges();
    adapter().popoverDatePicked(day + 48h);
    EXPECT_FALSE(adapter().datePickerShown()) << "a pick closes the popover";
    EXPECT_EQ(b1->date(), day + 48h);
    EXPECT_EQ(undoChanges(), before + 1);

    // Clear: the date goes, again as one step. The topics are new ones after the change only
    // when undone, so b1 is still the row's topic here.
    adapter().dateIconClicked(b1);
    ASSERT_EQ(presenter.requests.size(), 2u);
    adapter().popoverDatePicked(std::nullopt);
    EXPECT_FALSE(b1->hasDate());
    EXPECT_EQ(undoChanges(), before + 2);

    // A popover the user closed is forgotten; the next click opens a new one.
    b1->setDate(day);
    map->validateElementStates();
    adapter().dateIconClicked(b1);
    presenter.closeByUser();
    EXPECT_FALSE(adapter().datePickerShown());
    adapter().dateIconClicked(b1);
    EXPECT_EQ(presenter.requests.size(), 4u);
    EXPECT_TRUE(adapter().datePickerShown());
    // A refill of the rows (any change of the map) closes it: its row may be gone.
    controller->hierarchyChanged();
    EXPECT_FALSE(adapter().datePickerShown());
    adapter().setPopoverPresenter(nullptr);
}

TEST_F(OutlinerTest, ARowWithoutAPlaceOnScreenOpensTheDatePopoverOnTheCanvas)
{
    RecordingPopoverPresenter rowPresenter;
    RecordingPopoverPresenter canvasPresenter;
    adapter().setPopoverPresenter(&rowPresenter);
    editor->setPopoverPresenter(&canvasPresenter);
    a1a->setDate(Date(1'700'000'000s));
    map->validateElementStates();
    // A1a has no icon frame: the fake view answers none for it.
    adapter().dateIconClicked(a1a);
    EXPECT_TRUE(rowPresenter.requests.empty());
    EXPECT_EQ(canvasPresenter.requests.size(), 1u);
    editor->setPopoverPresenter(nullptr);
    adapter().setPopoverPresenter(nullptr);
}

// The rows a new outline of the map would show in the mode.
std::vector<OutlineRow> refilledRows(MindMapEditor* editor, uint64_t mode)
{
    OutlinerViewController fresh(editor);
    FakeOutlineView freshView(fresh.adapter());
    fresh.adapter().setOutlineMode(mode);
    fresh.adapter().setOutlineView(&freshView);
    fresh.setHidden(false);
    fresh.setEnabled(true);
    return freshView.rows;
}

TEST_F(OutlinerTest, RowsAfterEachChangeEqualAFullRefillAndOnlyTheTouchedRowsChange)
{
    const Date day = Date(1'700'000'000s);
    MindMapNode* added = nullptr;
    // One map changed step by step; each step is checked in the mode it names.
    const struct {
        const char* name;
        uint64_t mode;
        std::function<void()> change;
        size_t touched; // rows removed, inserted or updated at most
        bool reload = false;
    } steps[] = {
        {"a child under a leaf", 0, [&] { added = child(a1b, "A1b1"); }, 2},
        {"a retitle", 0, [&] { adapter().applyEditedText("A1b1 renamed", added); }, 0},
        {"a date makes a taller row", 0, [&] { a2->setDate(day); }, 1},
        {"a branch deleted", 0,
         [&] {
             map->setSelectedNode(a1);
             map->delete_();
         },
         4},
        // The theme left without children changes in look, and the two rows trade places.
        {"a topic moved under another theme", 0, [&] { map->reconnectNode(a2, beta, 0); }, 5},
        // Undo reads the whole map back: every topic is made anew, and the outline with it.
        {"undone", 0, [&] { map->undoManager()->undo(); }, 0, true},
        {"redone", 0, [&] { map->undoManager()->redo(); }, 0, true},
        {"a row closed", 0, [&] { view->userCollapse(map->centralThemes()[1]); }, 3},
        {"the row opened again", 0, [&] { view->userExpand(map->centralThemes()[1]); }, 3},
        {"a row closed as the deep fold's root", 0, [&] { adapter().collapseItem(map->centralThemes()[0], true); }, 1},
        {"a checkbox shown", 1, [&] { map->centralThemes()[1]->setCheckboxMode(1); }, 1},
        {"a second checkbox", 2, [&] { map->centralThemes()[0]->setCheckboxMode(1); }, 1},
        {"ticked off the to-do list", 2,
         [&] {
             map->setSelectedNode(map->centralThemes()[1]);
             map->toggleCheckedState();
         },
         1},
        {"ticked onto the done list", 3,
         [&] {
             map->setSelectedNode(map->centralThemes()[0]);
             map->toggleCheckedState();
         },
         1},
        {"a second date", 4, [&] { map->centralThemes()[1]->setDate(day); }, 1},
        // Equal dates sort by title.
        {"a retitle reorders equal dates", 4, [&] { adapter().applyEditedText("A0", map->centralThemes()[1]); }, 2},
        {"a date cleared", 4, [&] { map->centralThemes()[1]->setDate(std::nullopt); }, 1},
    };
    for (const auto& step : steps) {
        adapter().setOutlineMode(step.mode);
        const int reloads = view->reloads;
        const size_t before = view->removedRows + view->insertedRows + view->updatedRows;
        step.change();
        map->validateElementStates();
        EXPECT_EQ(view->rows, refilledRows(editor.get(), step.mode)) << step.name;
        EXPECT_EQ(view->rows, adapter().rows()) << step.name;
        if (step.reload) {
            EXPECT_GT(view->reloads, reloads) << step.name;
            continue;
        }
        EXPECT_EQ(view->reloads, reloads) << step.name << ": a change is no reload";
        EXPECT_LE(view->removedRows + view->insertedRows + view->updatedRows - before, step.touched) << step.name;
    }
}

TEST(OutlineRowLayoutTest, PartsTakeTheirSlotsLeftToRight)
{
    const struct {
        const char* what;
        double height;
        bool checkboxes;
        std::string number;
        bool note;
        bool date;
        Rect progress, autoNumber, title, noteMark, dateText, dateIcon;
    } cases[] = {
        {"title alone", 18, false, "", false, false, {}, {}, Rect(10, 40, 200, 18), {}, {}, {}},
        {"checkbox room", 18, true, "", false, false, Rect(10, 40, 20, 18), {}, Rect(30, 40, 180, 18), {}, {}, {}},
        {"auto-number", 18, false, "1.2", false, false, {}, Rect(10, 40, 34, 18), Rect(44, 40, 166, 18), {}, {}, {}},
        {"note and date at the end, the date line under the title",
         32,
         true,
         "",
         true,
         true,
         Rect(10, 40, 20, 32),
         {},
         Rect(30, 40, 148, 18),
         Rect(178, 40, 16, 32),
         Rect(30, 58, 148, 14),
         Rect(194, 40, 16, 32)},
        {"the date line starts where the title does, past the number",
         32,
         false,
         "2.1",
         false,
         true,
         {},
         Rect(10, 40, 34, 32),
         Rect(44, 40, 150, 18),
         {},
         Rect(44, 58, 150, 14),
         Rect(194, 40, 16, 32)},
        {"everything but a date",
         18,
         true,
         "1",
         true,
         false,
         Rect(10, 40, 20, 18),
         Rect(30, 40, 34, 18),
         Rect(64, 40, 130, 18),
         Rect(194, 40, 16, 18),
         {},
         {}},
    };
    for (const auto& c : cases) {
        OutlineRowContent row;
        row.hasCheckboxes = c.checkboxes;
        row.autoNumberPath = c.number;
        row.hasNote = c.note;
        row.hasDate = c.date;
        const OutlineRowLayout layout = OutlineRowLayout::layout(row, Rect(10, 40, 200, c.height), 30);
        EXPECT_EQ(layout.progressIcon, c.progress) << c.what;
        EXPECT_EQ(layout.autoNumber, c.autoNumber) << c.what;
        EXPECT_EQ(layout.title, c.title) << c.what;
        EXPECT_EQ(layout.noteMark, c.noteMark) << c.what;
        EXPECT_EQ(layout.dateText, c.dateText) << c.what;
        EXPECT_EQ(layout.dateIcon, c.dateIcon) << c.what;
        EXPECT_EQ(layout.expander, Rect()) << c.what;
    }
    // The tree mode's rows: indented by level, after the expander.
    const struct {
        const char* what;
        uint32_t level;
        bool checkboxes;
        Rect expander, progress, title;
    } treeRows[] = {
        {"a top-level tree row", 0, false, Rect(10, 40, 16, 18), {}, Rect(26, 40, 184, 18)},
        {"a tree row two levels down, with its checkbox room", 2, true, Rect(42, 40, 16, 18), Rect(58, 40, 20, 18),
         Rect(78, 40, 132, 18)},
        {"a row deeper than the cell is wide keeps no room rather than a negative one",
         200,
         false,
         Rect(3210, 40, 16, 18),
         {},
         Rect(3226, 40, 0, 18)},
    };
    for (const auto& c : treeRows) {
        OutlineRowContent row;
        row.inTree = true;
        row.level = c.level;
        row.hasCheckboxes = c.checkboxes;
        const OutlineRowLayout layout = OutlineRowLayout::layout(row, Rect(10, 40, 200, 18), 30);
        EXPECT_EQ(layout.expander, c.expander) << c.what;
        EXPECT_EQ(layout.progressIcon, c.progress) << c.what;
        EXPECT_EQ(layout.title, c.title) << c.what;
        for (const Rect& none : {layout.autoNumber, layout.noteMark, layout.dateText, layout.dateIcon})
            EXPECT_EQ(none, Rect()) << c.what;
    }
    // A cell narrower than its icons, or lower than the date line, leaves the title no room
    // rather than a negative size.
    OutlineRowContent crowded;
    crowded.hasCheckboxes = crowded.hasNote = crowded.hasDate = true;
    EXPECT_EQ(OutlineRowLayout::layout(crowded, Rect(0, 0, 40, 32), 0).title.width(), 0);
    EXPECT_EQ(OutlineRowLayout::layout(crowded, Rect(0, 0, 200, 10), 0).title.height(), 0);
    EXPECT_EQ(OutlineRowLayout::layout(crowded, Rect(0, 0, 200, 10), 0).dateText, Rect(20, 0, 148, 10));
    // Icons sit centred on the row, on whole points.
    EXPECT_EQ(OutlineRowLayout::iconIn(Rect(0, 40, 16, 32)), Rect(0, 48, 16, 16));
    EXPECT_EQ(OutlineRowLayout::iconIn(Rect(0, 40, 16, 19)), Rect(0, 41, 16, 16));
}

// A row is laid out whole each time it is drawn or read aloud: a long title shows its start.
TEST_F(OutlinerTest, ARowShowsTheStartOfALongTitle)
{
    for (const longtexts::LongText& sample : longtexts::samples()) {
        SCOPED_TRACE(sample.what);
        a2->setText(sample.text);
        map->validateElementStates();
        longtexts::expectExcerpt(adapter().viewForItem(a2).title, OutlineViewAdapter::singleLineText(sample.text));
    }
}

} // namespace
} // namespace outlinertest
