#include "BenchMaps.h"

#include "MindMaps/MindMapStyle.h"
#include "layout/NodeLayouter.h"
#include "layout/ParentRelationRouter.h"
#include "support/FakeTextMeasurer.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

// Maps measured by the fake measurer, so that the figures do not depend on the fonts installed.
class MeasuredMap {
public:
    MeasuredMap() { TextMeasurer::setShared(&_measurer); }
    ~MeasuredMap() { TextMeasurer::setShared(nullptr); }
    MindMap map;

    void validate() { map.validateElementStates(); }

private:
    FakeTextMeasurer _measurer;
};

// Free topics each the child of the one before, zigzagging downward.
void buildChain(MindMap& map, size_t depth)
{
    map.newMindMap("", false, std::nullopt);
    MindMap::UpdateGuard update(map);
    MindMapNode* last = map.internalAddCentralTheme("chain");
    for (size_t i = 1; i < depth; ++i) {
        last = map.addMindMapNodeAsChild(last, Point{static_cast<double>(i % 5) * 60 - 120, i * 40.0});
        last->setText("link");
    }
}

// A free branch below one theme: breadth first, three children each, every topic at the theme.
MindMapNode* buildFreeBranch(MindMap& map, size_t count)
{
    map.newMindMap("", false, std::nullopt);
    MindMap::UpdateGuard update(map);
    MindMapNode* root = map.internalAddCentralTheme("root");
    std::vector<MindMapNode*> open{root};
    for (size_t i = 0; open.size() < count; ++i) {
        for (int k = 0; k < 3 && open.size() < count; ++k) {
            MindMapNode* node = map.addMindMapNodeAsChild(open[i], root->location());
            node->setText("topic " + std::to_string(open.size()));
            open.push_back(node);
        }
    }
    return root;
}

void routeAndCount(benchmark::State& state, MindMap& map)
{
    map.style()->setConnectionStyle(static_cast<int32_t>(state.range(0)));
    map.style()->setPropCustomized(MindMapStyle::ConnectionStyleMask, true);
    for (auto _ : state) ParentRelationRouter::updateParentRelations(map);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * map.nodes().size()));
}

// Routing on every paint: linear in the topics also on a chain as deep as it is long.
void BM_RouteDeepChain(benchmark::State& state)
{
    MeasuredMap measured;
    buildChain(measured.map, 5000);
    measured.validate();
    routeAndCount(state, measured.map);
}
BENCHMARK(BM_RouteDeepChain)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_RouteBalancedMap(benchmark::State& state)
{
    MeasuredMap measured;
    std::mt19937 random(20240601);
    BenchMaps::buildTopics(measured.map, random);
    measured.validate();
    routeAndCount(state, measured.map);
}
BENCHMARK(BM_RouteBalancedMap)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// For comparison: the branch weights summed again at every level, once per routed line, as the
// side of a branch was first found (quadratic on a deep chain).
double recursiveWeight(const MindMapNode* node, double anchor)
{
    double weight = node->location().x - anchor;
    for (const MindMapNode* child : node->children()) weight += recursiveWeight(child, anchor);
    return weight;
}

void BM_RecursiveWeightsDeepChain(benchmark::State& state)
{
    MeasuredMap measured;
    buildChain(measured.map, 5000);
    for (auto _ : state) {
        double sum = 0;
        for (const MindMapNode* node : measured.map.nodes())
            if (node->parent()) sum += recursiveWeight(node, node->parent()->location().x);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_RecursiveWeightsDeepChain)->Unit(benchmark::kMillisecond);

// Placing a whole free branch topic by topic; range 1 scans every obstacle for every candidate,
// range 0 looks them up in the grid (the positions are the same).
void BM_FreePlacement(benchmark::State& state)
{
    MeasuredMap measured;
    MindMapNode* root = buildFreeBranch(measured.map, static_cast<size_t>(state.range(0)));
    measured.validate();
    std::vector<MindMapNode*> nodes;
    root->collectNodeAndChildrenInArray(nodes);
    const auto search = state.range(1) ? NodeLayouter::ObstacleSearch::Plain : NodeLayouter::ObstacleSearch::Indexed;
    for (auto _ : state) {
        state.PauseTiming();
        for (MindMapNode* node : nodes) node->setLocation(root->location());
        state.ResumeTiming();
        NodeLayouter(measured.map, search).doLayoutSubTree(root, false);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * nodes.size()));
}
BENCHMARK(BM_FreePlacement)
    ->Args({2000, 0})
    ->Args({2000, 1})
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
