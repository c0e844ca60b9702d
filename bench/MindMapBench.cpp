#include "BenchMaps.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapSearchData.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

namespace {

using BenchMaps::TopicCount;

// The shared topics; every topic with a GUID and a load-time id.
void buildMap(MindMap& map)
{
    std::mt19937 random(20240601);
    BenchMaps::buildTopics(map, random);
    int64_t id = 0;
    for (MindMapNode* node : map.nodes()) {
        node->setGuid("guid-" + std::to_string(id));
        node->setId(id++);
    }
}

void BM_BuildMap(benchmark::State& state)
{
    for (auto _ : state) {
        MindMap map;
        buildMap(map);
        benchmark::DoNotOptimize(map.nodes().size());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * TopicCount));
}
BENCHMARK(BM_BuildMap)->Unit(benchmark::kMillisecond);

void BM_SelectionWalk(benchmark::State& state)
{
    MindMap map;
    buildMap(map);
    for (auto _ : state) {
        map.selectAll(ElementTypeNode);
        std::vector<MindMapNode*> roots = map.getSelectedRootNodes();
        benchmark::DoNotOptimize(roots.data());
        map.excludeHiddenElementsFromSelection();
        map.setSelectedElement(nullptr);
        // Selected one by one in reverse order, then the roots of that selection.
        {
            MindMap::UpdateGuard update(map);
            const auto& nodes = map.nodes();
            for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) map.toggleSelection(*it, false);
        }
        roots = map.getSelectedRootNodes();
        benchmark::DoNotOptimize(roots.data());
        map.forceSingleSelection();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * TopicCount));
}
BENCHMARK(BM_SelectionWalk)->Unit(benchmark::kMillisecond);

void BM_ElementWithGuid(benchmark::State& state)
{
    MindMap map;
    buildMap(map);
    // The last topic: the whole walk.
    const std::string guid = "guid-" + std::to_string(TopicCount - 1);
    for (auto _ : state) benchmark::DoNotOptimize(map.elementWithGuid(guid));
}
BENCHMARK(BM_ElementWithGuid)->Unit(benchmark::kMicrosecond);

void BM_FindEveryNodeOnId(benchmark::State& state)
{
    MindMap map;
    buildMap(map);
    for (auto _ : state) {
        // As a reader resolves every parent after setting the ids anew.
        map.resetIdsForExistingNodes();
        int64_t id = 0;
        for (MindMapNode* node : map.nodes()) node->setId(id++);
        for (int64_t i = 0; i < static_cast<int64_t>(TopicCount); ++i) benchmark::DoNotOptimize(map.findNodeOnId(i));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * TopicCount));
}
BENCHMARK(BM_FindEveryNodeOnId)->Unit(benchmark::kMillisecond);

void BM_Search(benchmark::State& state)
{
    MindMap map;
    buildMap(map);
    MindMapSearchData plan("plan");
    plan.setScope(SearchScopeText);
    MindMapSearchData risk("RISK");
    risk.setScope(SearchScopeText);
    bool flip = false;
    for (auto _ : state) {
        map.setSearchData((flip = !flip) ? &plan : &risk);
        benchmark::DoNotOptimize(map.searchMatches().size());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * TopicCount));
}
BENCHMARK(BM_Search)->Unit(benchmark::kMillisecond);

} // namespace
