// What the user waits for when a step is taken, undone and redone on a large map: the map as an
// undo step goes through the whole road (snapshot, reload, validation and layout), not only the
// writer and reader on their own.

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/UndoManager.h"
#include "store/CustomImageStore.h"

#include <benchmark/benchmark.h>

#include <deque>
#include <memory>
#include <string>

namespace {

constexpr size_t TopicCount = 10000;

// Ten central themes, every topic with six children, filled breadth first; the first topic is
// selected, as it would be in the editor.
void buildUndoMap(MindMap& map)
{
    map.newMindMap("", false, std::nullopt);
    {
        MindMap::UpdateGuard update(map);
        std::deque<MindMapNode*> open;
        for (int i = 0; i < 10; ++i) {
            MindMapNode* theme = map.internalAddCentralTheme("Theme " + std::to_string(i));
            theme->setLocation(Point{0, i * 2000.0});
            open.push_back(theme);
        }
        size_t count = open.size();
        while (count < TopicCount) {
            MindMapNode* parent = open.front();
            open.pop_front();
            for (int c = 0; c < 6 && count < TopicCount; ++c, ++count) {
                MindMapNode* child = map.addMindMapNodeAsChild(parent, parent->location() + Point{150, c * 30.0});
                child->setText("Topic " + std::to_string(count) + " with a few words of text");
                open.push_back(child);
            }
        }
        map.setSelectedElement(map.nodes().front());
    }
    map.validateElementStates();
    map.undoManager()->removeAllActions();
}

void BM_SnapshotUndoPrepareStep(benchmark::State& state)
{
    registerNativeFormat();
    MindMap map(std::make_shared<CustomImageStore>());
    buildUndoMap(map);
    for (auto _ : state) {
        map.prepareUndoableOperation("undoable_op_edit_text");
        benchmark::DoNotOptimize(map.undoManager()->canUndo());
    }
    state.counters["topics"] = static_cast<double>(map.nodes().size());
    // The undo manager keeps thirty of these.
    state.counters["bytes"] = static_cast<double>(map.captureUndoState()->size());
}
BENCHMARK(BM_SnapshotUndoPrepareStep)->Unit(benchmark::kMillisecond);

void BM_SnapshotUndoThenRedo(benchmark::State& state)
{
    registerNativeFormat();
    MindMap map(std::make_shared<CustomImageStore>());
    buildUndoMap(map);
    map.prepareUndoableOperation("undoable_op_edit_text");
    map.nodes().back()->setText("changed");
    for (auto _ : state) {
        map.undoManager()->undo();
        map.undoManager()->redo();
    }
    state.counters["topics"] = static_cast<double>(map.nodes().size());
}
BENCHMARK(BM_SnapshotUndoThenRedo)->Unit(benchmark::kMillisecond);

void BM_SnapshotUndoCancelDrag(benchmark::State& state)
{
    registerNativeFormat();
    MindMap map(std::make_shared<CustomImageStore>());
    buildUndoMap(map);
    for (auto _ : state) {
        const UndoState token = map.prepareDelayedUndoableOperation("undoable_op_move_element");
        map.nodes().front()->setLocation(Point{50, 50});
        map.cancelDelayedUndoableOperation(token);
    }
}
BENCHMARK(BM_SnapshotUndoCancelDrag)->Unit(benchmark::kMillisecond);

} // namespace
