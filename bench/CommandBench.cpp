// What the user waits for when adding a topic to a large map, and when undoing and redoing that:
// each is dominated by the whole-map snapshot the undo step holds.

#include "BenchMaps.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapNodeEditor.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/UndoManager.h"
#include "store/CustomImageStore.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// Ends in-place editing of a new topic at once, registering the command's step as the editing
// view does when the user presses Return.
class FinishingEditor : public MindMapNodeEditor {
public:
    explicit FinishingEditor(MindMap& map) : _map(map) {}
    void mindMapLoaded(int) override {}
    void mindMapChanged() override {}
    void selectedElementChanged() override {}
    void updateElementTools(MindMapElement*) override {}
    void scrollElementVisible(MindMapElement*) override {}
    void cancelEditorModes() override {}
    void getEditorScrollState(MindMapEditorScrollState&) override {}
    void setEditorScrollState(const MindMapEditorScrollState&) override {}
    bool isReadOnly() override { return false; }
    bool isFocused() override { return true; }
    void startEditingNewNode(MindMapNode*, UndoState undoState) override
    {
        _map.pushDelayedUndoableOperation(undoState);
    }
    void startEditingExistingNode(MindMapNode*) override {}
    void startEditingText(MindMapText*, UndoState, bool) override {}

private:
    MindMap& _map;
};

struct CommandMap {
    CommandMap() : map(std::make_shared<CustomImageStore>()), editor(map)
    {
        registerNativeFormat();
        BenchMaps::buildRichMap(map);
        map.setNodeEditor(&editor);
        map.validateElementStates();
        map.undoManager()->removeAllActions();
    }
    ~CommandMap() { map.setNodeEditor(nullptr); }

    // A topic in the middle of the map, looked up anew: undo and redo make every element anew.
    void selectTopic() { map.setSelectedElement(map.nodes()[map.nodes().size() / 2]); }

    MindMap map;
    FinishingEditor editor;
};

void BM_CommandAddChild(benchmark::State& state)
{
    CommandMap fixture;
    for (auto _ : state) {
        fixture.selectTopic();
        fixture.map.addChildNode();
        state.PauseTiming();
        fixture.map.undoManager()->undo();
        state.ResumeTiming();
    }
    state.counters["topics"] = static_cast<double>(fixture.map.nodes().size());
}
BENCHMARK(BM_CommandAddChild)->Unit(benchmark::kMillisecond);

void BM_CommandAddChildUndo(benchmark::State& state)
{
    CommandMap fixture;
    for (auto _ : state) {
        state.PauseTiming();
        fixture.selectTopic();
        fixture.map.addChildNode();
        state.ResumeTiming();
        fixture.map.undoManager()->undo();
    }
}
BENCHMARK(BM_CommandAddChildUndo)->Unit(benchmark::kMillisecond);

void BM_CommandAddChildRedo(benchmark::State& state)
{
    CommandMap fixture;
    fixture.selectTopic();
    fixture.map.addChildNode();
    fixture.map.undoManager()->undo();
    for (auto _ : state) {
        fixture.map.undoManager()->redo();
        state.PauseTiming();
        fixture.map.undoManager()->undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CommandAddChildRedo)->Unit(benchmark::kMillisecond);

} // namespace
