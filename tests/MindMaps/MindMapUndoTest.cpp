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
    CallLog log;
    RecordingNodeEditor editor;
    MindMap map;
};

} // namespace

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

TEST_F(SnapshotUndoTest, AnUnreadableSnapshotLeavesTheMapAsItWas)
{
    theme("kept");
    map.applyUndoState(std::make_shared<const std::string>(UnreadableSnapshot));
    EXPECT_EQ(texts(), std::vector<std::string>{"kept"});
}

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
        EXPECT_EQ(document.changes,
                  std::vector<MindMapDocumentOwner::ChangeKind>{MindMapDocumentOwner::ChangeKind::Done});
        document.edited = true;
        document.changes.clear();
        map.prepareUndoableOperation("two");
        EXPECT_TRUE(document.changes.empty()) << "an edited document is not marked again";

        document.manager.undo();
        document.manager.redo();
        EXPECT_EQ(document.changes,
                  (std::vector<MindMapDocumentOwner::ChangeKind>{MindMapDocumentOwner::ChangeKind::Undone,
                                                                 MindMapDocumentOwner::ChangeKind::Redone}));
        EXPECT_TRUE(document.manager.canUndo());
    }
    // The document's manager outlives the map; its steps must not call a map that is gone.
    EXPECT_FALSE(document.manager.canUndo());
    document.manager.undo();
    MindMap::setUndoStateFormat(nullptr, nullptr);
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

TEST_F(SnapshotUndoTest, MultipleSelectionOperationsSkipNodesAnEarlierCallRemoved)
{
    MindMapNode* parent = theme("parent");
    MindMapNode* child = map.addMindMapNodeAsChild(parent, Point{100, 0});
    MindMapNode* other = theme("other", Point{0, 300});
    map.setSelectedElement(parent);
    map.toggleSelection(child, false);
    map.toggleSelection(other, false);
    std::vector<std::string> seen;
    map.performMultipleSelectionNodeOperation(
        [&](MindMapNode* node) {
            seen.push_back(node->text());
            // Stands in for an operation that takes the other selected nodes out of the map.
            if (node == parent) {
                map.beginLoading();
                map.loadingCompleted();
            }
        },
        "s");
    EXPECT_EQ(seen, std::vector<std::string>{"parent"});
}
