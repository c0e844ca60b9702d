// What a structural edit costs the editor without the toolkit, key by key, on the 10,000-topic map:
// each key's command on the map (its undo snapshot, validation and layout included) and the canvas
// painted again as the window paints it after the key. The outline's share is measured by
// BM_OutlinerTreeEditKeys (OutlinerBench.cpp), the whole window's (the toolbars, the toolkit's
// layout) in the running program by bench/edit-keys.py.

#include "BenchMaps.h"
#include "EditKeyCycle.h"
#include "ScreenSurface.h"

#include "MindMaps/MapLayouter.h"
#include "MindMaps/MindMap.h"
#include "editor-view/MindMapEditor.h"
#include "formats/TwkxMindMapReader.h"
#include "layout/LayoutInstallation.h"
#include "layout/StrictNodeLayouter.h"
#include "platform/UndoManager.h"
#include "render/BranchBounds.h"
#include "store/CustomImageStore.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// The program's canvas beside the side bar and the inspector in its first window.
constexpr Size CanvasSize{700, 600};

// The rich map laid out, with an undo manager as a document's map has, and a topic of the first
// branch selected: the cycle adds below it and puts it back selected.
struct EditCanvas {
    EditCanvas() : map(std::make_shared<MindMap>(std::make_shared<CustomImageStore>())), surface(CanvasSize)
    {
        registerNativeFormat();
        installLayout();
        BenchMaps::buildRichMap(*map);
        StrictNodeLayouter::layoutMindMapStrictHorizontal(*map);
        map->validateElementStates();
        map->undoManager()->removeAllActions();
        view.setFrameSize(CanvasSize);
        view.setMindMap(map);
        topic = map->centralThemes().front()->childAtIndex(0);
        map->setSelectedElement(topic);
        view.scrollMapPointToCenter(topic->location());
        paint();
    }
    ~EditCanvas()
    {
        view.setMindMap(nullptr);
        MapLayouter::install(nullptr);
    }

    // The whole canvas, as the window paints it after a key that changed the map.
    void paint() { surface.paint(view); }

    // bench/edit-keys.py's cycle, the canvas painted after each key. Never inlined, so that a
    // profile (valgrind's --toggle-collect) can take the cycle without the map's making.
    [[gnu::noinline]] void cycle()
    {
        editKeyCycle(view, [this] { paint(); });
    }

    std::shared_ptr<MindMap> map;
    MindMapNode* topic = nullptr;
    MindMapEditor view;
    ScreenSurface surface;
};

// The cycle's time per key; each cycle leaves one more child below the topic.
void BM_StructuralEditKeys(benchmark::State& state)
{
    EditCanvas canvas;
    for (auto _ : state) {
        canvas.cycle();
        if (canvas.map->selectedElement() != canvas.topic) state.SkipWithError("the cycle lost its topic");
    }
    state.counters["per key"] = benchmark::Counter(double(state.iterations()) * EditKeyCycleKeys,
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetLabel("10,000 topics, 700x600");
}
BENCHMARK(BM_StructuralEditKeys)->Unit(benchmark::kMillisecond);

// Where the branches of the 10,000-topic map lie, measured again as the canvas does after each
// key that changed the map.
void BM_MeasureBranchBounds(benchmark::State& state)
{
    installLayout();
    MindMap map;
    BenchMaps::buildRichMap(map);
    StrictNodeLayouter::layoutMindMapStrictHorizontal(map);
    map.validateElementStates();
    BranchBounds bounds;
    bounds.update(map);
    for (auto _ : state) {
        bounds.invalidate();
        bounds.update(map);
    }
    MapLayouter::install(nullptr);
}
BENCHMARK(BM_MeasureBranchBounds)->Unit(benchmark::kMillisecond);

} // namespace
