#include "BenchMaps.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "layout/StrictNodeLayouter.h"
#include "support/FakeTextMeasurer.h"

#include <benchmark/benchmark.h>

#include <deque>
#include <random>

namespace {

using BenchMaps::TopicCount;

// One central theme over TopicCount topics: ten children a topic, filled breadth first (the
// balanced map), or all of them children of the theme (the star).
void buildBranch(MindMap& map, bool star)
{
    std::mt19937 random(20240601);
    map.newMindMap("", false, std::nullopt);
    MindMap::UpdateGuard update(map);
    MindMapNode* theme = map.internalAddCentralTheme("Theme");
    std::deque<MindMapNode*> open{theme};
    size_t count = 1;
    while (count < TopicCount) {
        MindMapNode* parent = open.front();
        if (!star) open.pop_front();
        for (int c = 0; c < 10 && count < TopicCount; ++c, ++count) {
            MindMapNode* child = map.addMindMapNodeAsChild(parent, Point{parent->location().x + 150, c * 30.5});
            child->setText(BenchMaps::randomText(random));
            open.push_back(child);
        }
    }
}

// Arguments: layout mode 1 to 4; 0 for the balanced map, 1 for the star.
void BM_StrictLayout(benchmark::State& state)
{
    FakeTextMeasurer measurer;
    TextMeasurer::setShared(&measurer);
    {
        MindMap map;
        buildBranch(map, state.range(1) == 1);
        for (MindMapNode* node : map.nodes()) node->validateNodeState();
        MindMapNode* theme = map.centralThemes().front();
        const int32_t mode = static_cast<int32_t>(state.range(0));
        double x = 0;
        for (auto _ : state) {
            // A root that moved: every topic of the branch moves with it, as after an edit.
            x = 1 - x;
            theme->setLocation({x, 0});
            StrictNodeLayouter::layoutBranch(theme, mode);
            benchmark::DoNotOptimize(map.nodes().back()->location());
        }
        state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * TopicCount));
    }
    TextMeasurer::setShared(nullptr);
}
BENCHMARK(BM_StrictLayout)
    ->ArgNames({"mode", "star"})
    ->ArgsProduct({{1, 2, 3, 4}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// The layout of an imported map: the whole map with the horizontal layouter, the theme moved too.
void BM_StrictLayoutWholeMap(benchmark::State& state)
{
    FakeTextMeasurer measurer;
    TextMeasurer::setShared(&measurer);
    {
        MindMap map;
        buildBranch(map, false);
        for (MindMapNode* node : map.nodes()) node->validateNodeState();
        for (auto _ : state) {
            StrictNodeLayouter::layoutMindMapStrictHorizontal(map);
            benchmark::DoNotOptimize(map.nodes().back()->location());
        }
        state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * TopicCount));
    }
    TextMeasurer::setShared(nullptr);
}
BENCHMARK(BM_StrictLayoutWholeMap)->Unit(benchmark::kMillisecond);

} // namespace
