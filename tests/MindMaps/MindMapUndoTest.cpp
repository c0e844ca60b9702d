// The undo mechanics of the map, with a small stand-in for the native format: a snapshot lists
// the central themes (GUID, location, text) and the selected element's GUID. The native format
// itself is exercised in tests/formats/SnapshotUndoTest.cpp.

#include "MindMaps/MindMapTestSupport.h"

#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapText.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace maptest;

namespace {

constexpr const char* UnreadableSnapshot = "unreadable";

std::string captureThemes(MindMap& map)
{
    std::ostringstream out;
    out << "selected\t" << map.selectedElementGuid() << "\n";
    for (MindMapNode* node : map.nodes()) {
        out << (node->hasGuid() ? node->guid() : std::string("-")) << "\t" << node->location().x << "\t"
            << node->location().y << "\t" << node->text() << "\n";
    }
    return out.str();
}

bool loadThemes(MindMap& map, const std::string& snapshot)
{
    if (snapshot == UnreadableSnapshot) return false;
    std::istringstream in(snapshot);
    std::string line;
    std::string selected;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string first;
        std::getline(fields, first, '\t');
        if (first == "selected") {
            std::getline(fields, selected);
            continue;
        }
        std::string x, y, text;
        std::getline(fields, x, '\t');
        std::getline(fields, y, '\t');
        std::getline(fields, text);
        MindMapNode* node = map.addNodeLoadingAtLocation(Point{std::stod(x), std::stod(y)});
        if (first != "-") node->setGuid(first);
        node->setText(text);
    }
    map.nodesLoadedFromIndex(0);
    if (!selected.empty()) {
        if (MindMapElement* element = map.elementWithGuid(selected)) map.setSelectedElement(element);
    }
    return true;
}

class SnapshotUndoTest : public ::testing::Test {
protected:
    SnapshotUndoTest() : editor(log)
    {
        MindMap::setUndoStateFormat(captureThemes, loadThemes);
        map.newMindMap("", false, std::nullopt);
        map.setNodeEditor(&editor);
    }
    ~SnapshotUndoTest() override
    {
        map.setNodeEditor(nullptr);
        MindMap::setUndoStateFormat(nullptr, nullptr);
    }

    MindMapNode* theme(const std::string& text, Point location = Point{0, 0})
    {
        MindMapNode* node = map.internalAddCentralTheme(text);
        node->setLocation(location);
        return node;
    }
    std::vector<std::string> texts() const
    {
        std::vector<std::string> result;
        for (MindMapNode* node : map.nodes()) result.push_back(node->text());
        return result;
    }
    UndoManager& manager() { return *map.undoManager(); }
    // The manager tells no count: undo everything, then redo it. Element pointers are stale
    // afterwards.
    size_t undoSteps()
    {
        size_t steps = 0;
        while (manager().canUndo()) {
            manager().undo();
            ++steps;
        }
        for (size_t i = 0; i < steps; ++i) manager().redo();
        return steps;
    }

    CallLog log;
    RecordingNodeEditor editor;
    MindMap map;
};

} // namespace

// ---- The manager ----

TEST_F(SnapshotUndoTest, ManagersAreLimitedToThirtyLevels)
{
    EXPECT_EQ(manager().levelsOfUndo(), 30u);
    UndoManager other;
    map.setUndoManager(&other);
    EXPECT_EQ(other.levelsOfUndo(), 30u);
    other.setLevelsOfUndo(5);
    map.setUndoManager(&other);
    EXPECT_EQ(other.levelsOfUndo(), 5u) << "installing the same manager again changes nothing";
    map.setUndoManager(nullptr);
}

TEST_F(SnapshotUndoTest, WithoutTheNativeFormatNoStepIsRegistered)
{
    MindMap::setUndoStateFormat(nullptr, nullptr);
    EXPECT_FALSE(MindMap::hasUndoStateFormat());
    theme("a");
    log.clear();
    map.prepareUndoableOperation("step");
    EXPECT_FALSE(manager().canUndo());
    EXPECT_EQ(map.captureUndoState(), nullptr);
    EXPECT_NE(std::find(log.begin(), log.end(), "editor.cancelEditorModes"), log.end())
        << "the editor's modes are left all the same";
}

// ---- Ordinary steps ----

TEST_F(SnapshotUndoTest, UndoRestoresTheMapAndRedoTheChange)
{
    MindMapNode* node = theme("before");
    map.prepareUndoableOperation("undoable_op_edit_text");
    node->setText("after");
    EXPECT_EQ(manager().undoActionName(), "undoable_op_edit_text");

    manager().undo();
    EXPECT_EQ(texts(), std::vector<std::string>{"before"});
    EXPECT_TRUE(manager().canRedo());
    EXPECT_EQ(manager().redoActionName(), "undoable_op_edit_text");

    manager().redo();
    EXPECT_EQ(texts(), std::vector<std::string>{"after"});
    EXPECT_EQ(manager().undoActionName(), "undoable_op_edit_text");
}

TEST_F(SnapshotUndoTest, AfterThirtyOneStepsOnlyTheLastThirtyCanBeUndone)
{
    MindMapNode* node = theme("0");
    for (int i = 1; i <= 31; ++i) {
        map.prepareUndoableOperation("step");
        node->setText(std::to_string(i));
    }
    int undone = 0;
    while (manager().canUndo()) {
        manager().undo();
        ++undone;
    }
    EXPECT_EQ(undone, 30);
    EXPECT_EQ(texts(), std::vector<std::string>{"1"}) << "the state before the first step is gone";
}

TEST_F(SnapshotUndoTest, UndoThenRedoRestoresTheSelectionByGuid)
{
    theme("a");
    MindMapNode* b = theme("b", Point{100, 0});
    map.setSelectedElement(b);
    EXPECT_FALSE(b->hasGuid());
    map.prepareUndoableOperation("step");
    ASSERT_TRUE(b->hasGuid()) << "the snapshot can name the selection only by its GUID";
    const std::string guid = b->guid();
    b->setText("b2");

    manager().undo();
    ASSERT_NE(map.selectedElement(), nullptr);
    EXPECT_EQ(map.selectedElementGuid(), guid);
    manager().redo();
    ASSERT_NE(map.selectedNode(), nullptr);
    EXPECT_EQ(map.selectedElementGuid(), guid);
    EXPECT_EQ(map.selectedNode()->text(), "b2");
}

TEST_F(SnapshotUndoTest, StepsTakenWhileLoadingRegisterNothing)
{
    theme("a");
    map.beginLoading();
    map.pushStateToUndoManager("step");
    map.loadingCompleted();
    EXPECT_FALSE(manager().canUndo());
}

TEST_F(SnapshotUndoTest, PushReturnsTheRegisteredSnapshot)
{
    theme("a");
    const UndoState state = map.pushStateToUndoManager("step");
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(*state, captureThemes(map));
}

TEST_F(SnapshotUndoTest, AnUnreadableSnapshotLeavesTheMapAsItWas)
{
    theme("kept");
    map.applyUndoState(std::make_shared<const std::string>(UnreadableSnapshot));
    EXPECT_EQ(texts(), std::vector<std::string>{"kept"});
}

TEST_F(SnapshotUndoTest, UndoReportsALoadedMap)
{
    MindMapNode* node = theme("a");
    map.prepareUndoableOperation("step");
    node->setText("b");
    editor.loadedCodes.clear();
    manager().undo();
    EXPECT_EQ(editor.loadedCodes, std::vector<int>{MindMapLoadedDocument});
}

// ---- The owning document ----

TEST(SnapshotUndoDocumentTest, StepsMarkTheDocumentAndUndoAndRedoAreCounted)
{
    MindMap::setUndoStateFormat(captureThemes, loadThemes);
    FakeDocumentOwner document;
    {
        MindMap map(&document, nullptr);
        map.newMindMap("", true, std::string("theme"));
        EXPECT_EQ(map.undoManager(), &document.manager);
        EXPECT_EQ(document.manager.levelsOfUndo(), 30u);

        map.setSelectedElement(nullptr);
        map.prepareUndoableOperation("one");
        EXPECT_EQ(document.changes, std::vector<MindMapDocumentOwner::ChangeKind>{MindMapDocumentOwner::ChangeKind::Done});
        document.edited = true;
        document.changes.clear();
        map.prepareUndoableOperation("two");
        EXPECT_TRUE(document.changes.empty()) << "an edited document is not marked again";

        document.manager.undo();
        document.manager.redo();
        EXPECT_EQ(document.changes, (std::vector<MindMapDocumentOwner::ChangeKind>{
                                        MindMapDocumentOwner::ChangeKind::Undone, MindMapDocumentOwner::ChangeKind::Redone}));
        EXPECT_TRUE(document.manager.canUndo());
    }
    // The document's manager outlives the map; its steps must not call a map that is gone.
    EXPECT_FALSE(document.manager.canUndo());
    document.manager.undo();
    MindMap::setUndoStateFormat(nullptr, nullptr);
}

TEST_F(SnapshotUndoTest, AManagerTheMapLeavesKeepsNoStepOfIt)
{
    theme("a");
    UndoManager other;
    map.setUndoManager(&other);
    map.prepareUndoableOperation("step");
    EXPECT_TRUE(other.canUndo());
    map.setUndoManager(nullptr);
    EXPECT_FALSE(other.canUndo());
}

// ---- Delayed steps ----

TEST_F(SnapshotUndoTest, ADelayedStepRegistersTheStartUnderItsLatestName)
{
    MindMapNode* node = theme("a", Point{10, 10});
    const UndoState token = map.prepareDelayedUndoableOperation("undoable_op_move_element");
    ASSERT_NE(token, nullptr);
    EXPECT_EQ(map.delayedUndoOperation(), "undoable_op_move_element");
    node->setLocation(Point{50, 60});
    node->setLocation(Point{70, 80});
    EXPECT_FALSE(manager().canUndo()) << "nothing is registered during the edit";

    map.setDelayedUndoOperation("undoable_op_change_parent");
    map.pushDelayedUndoableOperation(token);
    EXPECT_EQ(map.delayedUndoOperation(), "");
    EXPECT_EQ(manager().undoActionName(), "undoable_op_change_parent");
    EXPECT_EQ(undoSteps(), 1u);

    manager().undo();
    ASSERT_EQ(map.nodes().size(), 1u);
    EXPECT_EQ(map.nodes()[0]->location(), (Point{10, 10}));
}

TEST_F(SnapshotUndoTest, ATokenSupersededByAnOrdinaryStepRegistersNothing)
{
    theme("a");
    const UndoState token = map.prepareDelayedUndoableOperation("drag");
    map.prepareUndoableOperation("other");
    map.pushDelayedUndoableOperation(token);
    EXPECT_EQ(undoSteps(), 1u);
    EXPECT_EQ(manager().undoActionName(), "other");
}

TEST_F(SnapshotUndoTest, ATokenSupersededByALaterDelayedStepRegistersNothing)
{
    theme("a");
    const UndoState first = map.prepareDelayedUndoableOperation("first");
    const UndoState second = map.prepareDelayedUndoableOperation("second");
    map.pushDelayedUndoableOperation(first);
    EXPECT_FALSE(manager().canUndo());
    map.pushDelayedUndoableOperation(second);
    EXPECT_FALSE(manager().canUndo()) << "the stale push dropped the pending step";
}

TEST_F(SnapshotUndoTest, TokensAreComparedByIdentityNotContent)
{
    theme("a");
    const UndoState token = map.prepareDelayedUndoableOperation("drag");
    const UndoState equalCopy = std::make_shared<const std::string>(*token);
    map.pushDelayedUndoableOperation(equalCopy);
    EXPECT_FALSE(manager().canUndo());
    map.pushDelayedUndoableOperation(nullptr);
    EXPECT_FALSE(manager().canUndo());
}

TEST_F(SnapshotUndoTest, CancellingRevertsAndAddsNoStep)
{
    MindMapNode* a = theme("a", Point{10, 10});
    MindMapNode* b = theme("b", Point{200, 10});
    const UndoState token = map.prepareDelayedUndoableOperation("drag");
    a->setLocation(Point{40, 40});
    b->setLocation(Point{240, 40});
    a->setText("changed");

    map.cancelDelayedUndoableOperation(token);
    ASSERT_EQ(map.nodes().size(), 2u);
    EXPECT_EQ(map.nodes()[0]->location(), (Point{10, 10}));
    EXPECT_EQ(map.nodes()[1]->location(), (Point{200, 10}));
    EXPECT_EQ(texts(), (std::vector<std::string>{"a", "b"}));
    EXPECT_FALSE(manager().canUndo());
    EXPECT_EQ(map.delayedUndoOperation(), "");
    map.pushDelayedUndoableOperation(token);
    EXPECT_FALSE(manager().canUndo()) << "a cancelled token is no longer pending";
}

TEST_F(SnapshotUndoTest, CancellingAStaleTokenRevertsNothing)
{
    MindMapNode* node = theme("a");
    const UndoState stale = map.prepareDelayedUndoableOperation("first");
    const UndoState current = map.prepareDelayedUndoableOperation("second");
    node->setText("changed");
    map.cancelDelayedUndoableOperation(stale);
    EXPECT_EQ(texts(), std::vector<std::string>{"changed"});
    EXPECT_EQ(map.delayedUndoOperation(), "") << "the pending step is dropped all the same";
    map.pushDelayedUndoableOperation(current);
    EXPECT_FALSE(manager().canUndo());
}

TEST_F(SnapshotUndoTest, ADelayedStepGivesTheSelectionAGuid)
{
    MindMapNode* node = theme("a");
    map.setSelectedElement(node);
    map.prepareDelayedUndoableOperation("drag");
    EXPECT_TRUE(node->hasGuid());
}

// ---- Steps on the selected element ----

TEST_F(SnapshotUndoTest, NodeOperationsNeedASelectedNodeInAnEnabledMap)
{
    MindMapNode* node = theme("a");
    EXPECT_EQ(map.prepareUndoableNodeOperation("step"), nullptr);
    EXPECT_FALSE(manager().canUndo());

    map.setSelectedElement(node);
    EXPECT_EQ(map.prepareUndoableNodeOperation("step"), node);
    EXPECT_EQ(undoSteps(), 1u);

    map.setEnabled(false);
    EXPECT_EQ(map.prepareUndoableNodeOperation("step"), nullptr);
    EXPECT_EQ(undoSteps(), 1u);
}

TEST_F(SnapshotUndoTest, NodeOperationsGiveUpWhenLeavingTheModesChangesTheSelection)
{
    MindMapNode* a = theme("a");
    MindMapNode* b = theme("b");
    map.setSelectedElement(a);
    editor.onCancelEditorModes = [&] { map.setSelectedElement(b); };
    EXPECT_EQ(map.prepareUndoableNodeOperation("step"), nullptr);
    EXPECT_FALSE(manager().canUndo());
}

TEST_F(SnapshotUndoTest, NodeOperationsShowTheNodeAfterTheSnapshot)
{
    MindMapNode* parent = theme("parent");
    MindMapNode* child = map.addMindMapNodeAsChild(parent, Point{100, 0});
    parent->setCollapsed(true);
    ASSERT_FALSE(child->isVisible());
    map.setSelectedElement(child);
    EXPECT_EQ(map.prepareUndoableNodeOperation("step"), child);
    EXPECT_TRUE(child->isVisible());
    EXPECT_FALSE(parent->collapsed());
}

TEST_F(SnapshotUndoTest, EachOperationTakesOnlyItsKindOfElement)
{
    MindMapNode* a = theme("a");
    MindMapNode* b = theme("b", Point{300, 0});
    CrossLink* link = map.internalAddCrossLinkFromSource(a, b);
    MindMapText* text = a->addText();
    MindMapImage* image = b->addCustomImage(".tarnwick-icon", "");

    map.setSelectedElement(link);
    EXPECT_EQ(map.prepareUndoableCrossLinkOperation("step"), link);
    EXPECT_EQ(map.prepareUndoableRelationOperation("step"), link);
    EXPECT_EQ(map.prepareUndoableCompositeElementOperation("step"), link);
    EXPECT_EQ(map.prepareUndoableImageOperation("step"), nullptr);
    EXPECT_EQ(map.prepareUndoableTextOperation("step"), nullptr);
    EXPECT_EQ(map.prepareUndoableContainedElementOperation("step"), nullptr);

    map.setSelectedElement(a->parentRelation());
    EXPECT_EQ(map.prepareUndoableCrossLinkOperation("step"), nullptr);
    EXPECT_EQ(map.prepareUndoableRelationOperation("step"), a->parentRelation());

    map.setSelectedElement(text);
    EXPECT_EQ(map.prepareUndoableTextOperation("step"), text);
    EXPECT_EQ(map.prepareUndoableContainedElementOperation("step"), text);
    EXPECT_EQ(map.prepareUndoableCompositeElementOperation("step"), a) << "a text gives its container";
    EXPECT_EQ(map.prepareUndoableNodeOperation("step"), nullptr);

    map.setSelectedElement(image);
    EXPECT_EQ(map.prepareUndoableImageOperation("step"), image);
    EXPECT_EQ(map.prepareUndoableCompositeElementOperation("step"), b);

    map.setSelectedElement(nullptr);
    EXPECT_EQ(map.prepareUndoableCompositeElementOperation("step"), nullptr);
}

TEST_F(SnapshotUndoTest, ElementOperationsRegisterNothingWithoutTheirElement)
{
    MindMapNode* a = theme("a");
    MindMapNode* b = theme("b", Point{300, 0});
    CrossLink* link = map.internalAddCrossLinkFromSource(a, b);
    map.setSelectedElement(a);
    EXPECT_EQ(map.prepareUndoableCrossLinkOperation("step"), nullptr);
    EXPECT_EQ(map.prepareUndoableImageOperation("step"), nullptr);
    EXPECT_FALSE(manager().canUndo());

    // The editor takes the link away while its modes are left.
    map.setSelectedElement(link);
    editor.onCancelEditorModes = [&] { map.setSelectedElement(a); };
    EXPECT_EQ(map.prepareUndoableCrossLinkOperation("step"), nullptr);
    EXPECT_FALSE(manager().canUndo());
}

TEST_F(SnapshotUndoTest, EveryOrdinaryStepDropsThePendingDelayedOne)
{
    MindMapNode* node = theme("a");
    map.setSelectedElement(node);
    const std::vector<std::function<void()>> steps = {
        [&] { map.prepareUndoableOperation("s"); },
        [&] { map.prepareUndoableNodeOperation("s"); },
        [&] { map.prepareUndoableCrossLinkOperation("s"); },
        [&] { map.prepareUndoableTextOperation("s"); },
        [&] { map.pushStateToUndoManager("s"); },
    };
    for (const auto& step : steps) {
        map.prepareDelayedUndoableOperation("drag");
        step();
        EXPECT_EQ(map.delayedUndoOperation(), "");
    }
}

// ---- Several nodes ----

TEST_F(SnapshotUndoTest, MultipleSelectionOperationsRunOncePerNodeInOneStep)
{
    MindMapNode* a = theme("a");
    MindMapNode* b = theme("b", Point{300, 0});
    map.setSelectedElement(b);
    map.toggleSelection(a, false);
    std::vector<MindMapNode*> seen;
    map.performMultipleSelectionNodeOperation([&](MindMapNode* node) {
        EXPECT_TRUE(map.isUpdating());
        seen.push_back(node);
        node->setText(node->text() + "!");
    }, "undoable_op_change_style");
    EXPECT_EQ(seen, (std::vector<MindMapNode*>{b, a}));
    EXPECT_EQ(undoSteps(), 1u);
    EXPECT_EQ(manager().undoActionName(), "undoable_op_change_style");
    manager().undo();
    EXPECT_EQ(texts(), (std::vector<std::string>{"a", "b"}));
}

TEST_F(SnapshotUndoTest, MultipleSelectionOperationsNeedNodesOnly)
{
    MindMapNode* a = theme("a");
    MindMapNode* b = theme("b", Point{300, 0});
    CrossLink* link = map.internalAddCrossLinkFromSource(a, b);
    MindMapText* text = a->addText();
    int calls = 0;
    auto operation = [&](MindMapNode*) { ++calls; };

    map.setSelectedElement(nullptr);
    map.performMultipleSelectionNodeOperation(operation, "s");
    map.setSelectedElement(link);
    map.performMultipleSelectionNodeOperation(operation, "s");
    map.setSelectedElement(text);
    map.performMultipleSelectionNodeOperation(operation, "s");
    map.setSelectedElement(a);
    map.toggleSelection(link, false);
    map.performMultipleSelectionNodeOperation(operation, "s");
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(manager().canUndo());
}

TEST_F(SnapshotUndoTest, MultipleSelectionOperationsSkipNodesAnEarlierCallRemoved)
{
    MindMapNode* parent = theme("parent");
    MindMapNode* child = map.addMindMapNodeAsChild(parent, Point{100, 0});
    MindMapNode* other = theme("other", Point{0, 300});
    map.setSelectedElement(parent);
    map.toggleSelection(child, false);
    map.toggleSelection(other, false);
    std::vector<std::string> seen;
    map.performMultipleSelectionNodeOperation([&](MindMapNode* node) {
        seen.push_back(node->text());
        // Stands in for an operation that takes the other selected nodes out of the map.
        if (node == parent) {
            map.beginLoading();
            map.loadingCompleted();
        }
    }, "s");
    EXPECT_EQ(seen, std::vector<std::string>{"parent"});
}
