#include "editor-view/KeyboardHandler.h"

#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <numbers>

namespace {

class StarEditor : public KeyboardHandlerEditor {
public:
    explicit StarEditor(MindMap* map) : _map(map) {}
    MindMap* mindMap() const override { return _map; }
    void scrollElementVisible(MindMapElement*) override {}

private:
    MindMap* _map;
};

// One central theme with its children on a circle around it: every key press on the theme, or on
// one of the children, has all the other children as candidates.
struct Star {
    explicit Star(size_t children, int32_t layoutMode)
    {
        centre = map.internalAddCentralTheme("centre");
        centre->setLocation({0, 0});
        centre->setLayoutMode(layoutMode);
        for (size_t i = 0; i < children; ++i) {
            const double angle = 2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(children);
            map.addMindMapNodeAsChild(centre, {1000 * std::cos(angle), 1000 * std::sin(angle)});
        }
    }

    MindMap map;
    MindMapNode* centre = nullptr;
    StarEditor editor{&map};
    KeyboardHandler handler{&editor};
};

void pressFrom(benchmark::State& state, int32_t layoutMode, bool fromChild, int32_t key)
{
    const size_t count = static_cast<size_t>(state.range(0));
    Star star(count, layoutMode);
    MindMapNode* start = fromChild ? star.centre->childAtIndex(count / 3) : star.centre;
    for (auto _ : state) {
        star.map.setSelectedElement(start);
        star.handler.arrowKeyPressed(key);
        benchmark::DoNotOptimize(star.map.selectedElement());
    }
    state.SetComplexityN(state.range(0));
}

// Free layout: the geometric search runs its widening cones over every child.
void BM_KeyboardStarFreeFromCentre(benchmark::State& state)
{
    pressFrom(state, LayoutModeFreeForm, false, KeyboardHandler::KeyUp);
}

void BM_KeyboardStarFreeAmongSiblings(benchmark::State& state)
{
    pressFrom(state, LayoutModeFreeForm, true, KeyboardHandler::KeyLeft);
}

// List layout: rows are found by their index under the parent.
void BM_KeyboardStarListDown(benchmark::State& state)
{
    pressFrom(state, LayoutModeList, true, KeyboardHandler::KeyDown);
}

void BM_KeyboardStarListUp(benchmark::State& state)
{
    pressFrom(state, LayoutModeList, true, KeyboardHandler::KeyUp);
}

} // namespace

BENCHMARK(BM_KeyboardStarFreeFromCentre)->RangeMultiplier(10)->Range(100, 10000)->Complexity();
BENCHMARK(BM_KeyboardStarFreeAmongSiblings)->RangeMultiplier(10)->Range(100, 10000)->Complexity();
BENCHMARK(BM_KeyboardStarListDown)->RangeMultiplier(10)->Range(100, 10000)->Complexity();
BENCHMARK(BM_KeyboardStarListUp)->RangeMultiplier(10)->Range(100, 10000)->Complexity();
