// What the user waits for when recolouring many topics of a large map: the colour command on 100
// selected topics of the 10,000-topic map, its undo and its redo. Each is dominated by the
// whole-map snapshot.

#include "BenchMaps.h"

#include "formats/TwkxMindMapReader.h"
#include "platform/Color.h"
#include "platform/UndoManager.h"
#include "store/CustomImageStore.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr size_t SelectedTopics = 100;

// Every hundredth topic, looked up again each time: an undo or redo replaces every element.
void selectHundredTopics(MindMap& map)
{
    const std::vector<MindMapNode*>& nodes = map.nodes();
    const size_t stride = nodes.size() / SelectedTopics;
    map.setSelectedElement(nodes[0]);
    for (size_t i = 1; i < SelectedTopics; ++i) map.toggleSelection(nodes[i * stride], false);
}

class StyleCommandMap {
public:
    StyleCommandMap() : map(std::make_shared<CustomImageStore>())
    {
        registerNativeFormat();
        BenchMaps::buildRichMap(map);
        map.validateElementStates();
        map.undoManager()->removeAllActions();
        selectHundredTopics(map);
    }

    // A colour unlike the last one, so that every round changes every selected topic.
    Color nextColor()
    {
        ++_round;
        return Color::rgb255(static_cast<int>(_round % 200), 90, 160);
    }

    // Selects the topics again and recolours them: one step on the undo stack.
    void recolourSelection()
    {
        selectHundredTopics(map);
        map.changeColor(nextColor());
    }

    MindMap map;

private:
    size_t _round = 0;
};

void BM_StyleCommandChangeColorOnHundredTopics(benchmark::State& state)
{
    StyleCommandMap bench;
    for (auto _ : state) bench.map.changeColor(bench.nextColor());
    state.counters["topics"] = static_cast<double>(bench.map.nodes().size());
    state.counters["selected"] = static_cast<double>(bench.map.selection().size());
}
BENCHMARK(BM_StyleCommandChangeColorOnHundredTopics)->Unit(benchmark::kMillisecond);

void BM_StyleCommandUndoColorChange(benchmark::State& state)
{
    StyleCommandMap bench;
    for (auto _ : state) {
        state.PauseTiming();
        bench.recolourSelection();
        state.ResumeTiming();
        bench.map.undoManager()->undo();
    }
}
BENCHMARK(BM_StyleCommandUndoColorChange)->Unit(benchmark::kMillisecond);

void BM_StyleCommandRedoColorChange(benchmark::State& state)
{
    StyleCommandMap bench;
    for (auto _ : state) {
        state.PauseTiming();
        bench.recolourSelection();
        bench.map.undoManager()->undo();
        state.ResumeTiming();
        bench.map.undoManager()->redo();
    }
}
BENCHMARK(BM_StyleCommandRedoColorChange)->Unit(benchmark::kMillisecond);

} // namespace
