#include "BenchMaps.h"
#include "ScreenSurface.h"

#include "MindMaps/LayoutModes.h"
#include "MindMaps/RearrangeMarker.h"
#include "editor-view/MindMapEditor.h"
#include "formats/TwkxMindMapReader.h"
#include "layout/LayoutInstallation.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <deque>
#include <memory>
#include <random>

namespace {

constexpr Size CanvasSize{1920, 1080};

// One central theme over 10,000 topics: ten children a topic, filled breadth first (a strict
// horizontal branch), or all of them children of the theme (the star).
std::shared_ptr<MindMap> strictMap(bool star)
{
    auto map = std::make_shared<MindMap>();
    std::mt19937 random(20240601);
    map->newMindMap("", false, std::nullopt);
    {
        MindMap::UpdateGuard update(*map);
        MindMapNode* theme = map->internalAddCentralTheme("Theme");
        std::deque<MindMapNode*> open{theme};
        size_t count = 1;
        while (count < BenchMaps::TopicCount) {
            MindMapNode* parent = open.front();
            if (!star) open.pop_front();
            for (int c = 0; c < 10 && count < BenchMaps::TopicCount; ++c, ++count) {
                MindMapNode* child = map->addMindMapNodeAsChild(parent, Point{parent->location().x + 150, c * 30.5});
                child->setText(BenchMaps::randomText(random));
                open.push_back(child);
            }
        }
        theme->setLayoutMode(LayoutModeStrictHorizontal);
    }
    map->setEnabled(true);
    map->validateElementStates();
    return map;
}

// A full-screen canvas on the strict 10,000-topic branch, painting into an image as the window
// would; a drag of one of its topics runs through the editor's own gesture, and each step repaints
// the part of the view the editor asks for.
struct DragCanvas : MindMapEditorHost {
    // A leaf of the deepest level, or a topic of the second level with its hundred descendants.
    explicit DragCanvas(bool leaf) : surface(CanvasSize)
    {
        installLayout();
        registerNativeFormat();
        map = strictMap(false);
        view.setFrameSize(CanvasSize);
        view.setHost(this);
        view.setMindMap(map);
        // In the middle of its siblings.
        dragged = map->centralThemes().front()->childAtIndex(4)->childAtIndex(5);
        while (leaf && dragged->childCount() > 0) dragged = dragged->childAtIndex(dragged->childCount() / 2);
        view.scrollMapPointToCenter(dragged->location());
        start = view.mapToViewSpace(dragged->location());
        view.pointerEvent({PointerEventKind::Press, PrimaryButton, start, 1, 0, 0});
        view.pointerEvent({PointerEventKind::Motion, NoButton, start + Point{0, 5}, 0, 0, 0});
    }
    ~DragCanvas() override
    {
        view.cancelGesture();
        view.setMindMap(nullptr);
        view.setHost(nullptr);
    }

    void setNeedsDisplay() override { damaged = surface.bounds(); }
    void setNeedsDisplayInRect(const Rect& rect) override
    {
        damaged = intersectionRect(unionRect(damaged, rect), surface.bounds());
    }

    // One pointer step of the drag and the repaint of what the editor says it changed.
    void step(Point to)
    {
        damaged = Rect();
        auto t0 = std::chrono::steady_clock::now();
        view.pointerEvent({PointerEventKind::Motion, NoButton, to, 0, 0, 0});
        moveTime += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        area += damaged.width() * damaged.height();
        if (damaged.isEmpty()) return;
        surface.paint(view, damaged);
    }

    std::shared_ptr<MindMap> map;
    MindMapEditor view;
    MindMapNode* dragged = nullptr;
    Point start;
    Rect damaged;
    double moveTime = 0;
    double area = 0;
    ScreenSurface surface;
};

// One drag step of a topic of a strict branch in the 10,000-topic map: the move, the search for
// a drop place (new parent, rearrange marker) and the repaint of the damaged area. Argument 0
// drags a leaf; 1 a topic whose lines to its ten children fan over half the view, all of which is
// repainted. Counters: the editor's part of a step and the repainted area.
void BM_DragStepInStrictBranch(benchmark::State& state)
{
    DragCanvas canvas(state.range(0) == 0);
    int frame = 0;
    for (auto _ : state) {
        // Up and down over its siblings and the gaps between them.
        const double offset = 5 + (frame++ % 40) * 3.0;
        canvas.step(canvas.start + Point{0, frame % 80 < 40 ? offset : 125 - offset});
    }
    state.SetLabel("10,000 topics, 1920x1080");
    state.counters["move_ms"] = canvas.moveTime * 1000 / double(frame);
    state.counters["area_kpx"] = canvas.area / 1000 / double(frame);
}
BENCHMARK(BM_DragStepInStrictBranch)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The drop-place search of one drag step alone, over a strict central theme of 10,000 children:
// the dragged topic lies in the gap between two of them.
void BM_RearrangeHitTestStar(benchmark::State& state)
{
    installLayout();
    const auto map = strictMap(true);
    MindMapNode* theme = map->centralThemes().front();
    MindMapNode* dragged = theme->childAtIndex(theme->childCount() / 2);
    const Rect a = theme->childAtIndex(100)->bounds();
    const Rect b = theme->childAtIndex(101)->bounds();
    dragged->setLocation({a.midX(), (a.maxY() + b.minY()) / 2});
    map->setSelectedElement(dragged);
    const std::vector<MindMapNode*> roots{dragged};
    // As in a drag: the first step learns the still siblings, later steps search what is near.
    map->rearrangeMarker()->beginDragSession();
    for (auto _ : state) {
        map->hitTestRearrangeMarker(dragged, roots);
        benchmark::DoNotOptimize(map->rearrangeMarker()->visible());
    }
    state.SetLabel(map->rearrangeMarker()->visible() ? "10,000 children, a gap found" : "10,000 children, no gap");
}
BENCHMARK(BM_RearrangeHitTestStar)->Unit(benchmark::kMicrosecond);

} // namespace
