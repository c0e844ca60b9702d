#include "BenchGtk.h"
#include "BenchMaps.h"
#include "EditKeyCycle.h"

#include "MindMaps/MapLayouter.h"
#include "editor-view/InplaceTextView.h"
#include "editor-view/MindMapEditor.h"
#include "layout/LayoutInstallation.h"
#include "layout/StrictNodeLayouter.h"
#include "panels/OutlinerViewController.h"
#include "panels/gtk/OutlinerView.h"
#include "platform/UserDefaults.h"

#include <benchmark/benchmark.h>
#include <gtkmm.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

// Takes the rows as the outline widget does: all of them on a reload, the touched ones on a change.
class RowCollectingView : public OutlineView {
public:
    explicit RowCollectingView(OutlineViewAdapter& adapter) : _adapter(adapter) {}

    void reloadData() override
    {
        ++reloads;
        rows = _adapter.rows();
    }
    void replaceRows(size_t first, size_t removed, size_t inserted) override
    {
        rows.erase(rows.begin() + long(first), rows.begin() + long(first + removed));
        rows.insert(rows.begin() + long(first), _adapter.rows().begin() + long(first),
                    _adapter.rows().begin() + long(first + inserted));
        touched += removed + inserted;
    }
    void updateRows(size_t first, size_t count) override
    {
        std::copy_n(_adapter.rows().begin() + long(first), count, rows.begin() + long(first));
        touched += count;
    }
    void selectItem(MindMapNode* item) override { selected = item; }
    MindMapNode* selectedItem() const override { return selected; }
    void setNeedsDisplay() override {}
    void applyOutlineState(const OutlineViewState&) override {}
    void takeFocusFromEditor() override {}
    bool isFirstResponder() const override { return false; }

    std::vector<OutlineRow> rows;
    MindMapNode* selected = nullptr;
    int64_t reloads = 0;
    size_t touched = 0;

private:
    OutlineViewAdapter& _adapter;
};

// The rich 10,000-topic map; every third topic shows a checkbox, every fourth is done, every
// seventh has a date (many share one) unless the map is to have none, and every fiftieth row is
// closed in the outline. Without dates every row is of one height.
std::shared_ptr<MindMap> makeOutlinedMap(bool dated)
{
    auto made = std::make_shared<MindMap>();
    BenchMaps::buildRichMap(*made);
    const auto day = std::chrono::system_clock::time_point(std::chrono::hours(24 * 20000));
    size_t index = 0;
    for (MindMapNode* node : made->nodes()) {
        if (index % 3 == 0) node->setCheckboxMode(1);
        if (index % 4 == 0) node->setCheckedState(1);
        if (dated && index % 7 == 0) node->setDate(day + std::chrono::hours(24 * (index % 30)));
        if (index % 50 == 0) node->setOutlineCollapsed(true);
        ++index;
    }
    made->validateElementStates();
    made->setEnabled(true);
    return made;
}

std::shared_ptr<MindMap> outlinedMap(bool dated = true)
{
    if (!dated) {
        static const std::shared_ptr<MindMap> undated = makeOutlinedMap(false);
        return undated;
    }
    static const std::shared_ptr<MindMap> map = makeOutlinedMap(true);
    return map;
}

// A hierarchy change of the map that changes no row, with the outliner shown in the mode: the
// rows built and compared with those shown.
void BM_OutlinerRowBuild(benchmark::State& state)
{
    MindMapEditor editor;
    const std::shared_ptr<MindMap> map = outlinedMap();
    editor.setMindMap(map);
    OutlinerViewController controller(&editor);
    RowCollectingView view(controller.adapter());
    controller.adapter().setOutlineMode(uint64_t(state.range(0)));
    controller.adapter().setOutlineView(&view);
    editor.setHierarchyListener(&controller);
    controller.setHidden(false);
    controller.hierarchyChanged();
    map->setSelectedElement(map->nodes()[map->nodes().size() / 2]);
    for (auto _ : state) {
        controller.hierarchyChanged();
        benchmark::DoNotOptimize(view.rows.data());
    }
    state.counters["rows"] = double(view.rows.size());
    editor.setHierarchyListener(nullptr);
    editor.setMindMap(nullptr);
}
BENCHMARK(BM_OutlinerRowBuild)->ArgName("mode")->Arg(0)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

// A structural edit with the outliner shown in the mode: a topic added under one in the middle of
// the rich map, then removed, each a hierarchy change the outline follows. The counter reports
// the rows handed to the widget for each change.
void BM_OutlinerStructuralEdit(benchmark::State& state)
{
    MindMapEditor editor;
    const std::shared_ptr<MindMap> map = outlinedMap();
    editor.setMindMap(map);
    OutlinerViewController controller(&editor);
    RowCollectingView view(controller.adapter());
    controller.adapter().setOutlineMode(uint64_t(state.range(0)));
    controller.adapter().setOutlineView(&view);
    editor.setHierarchyListener(&controller);
    controller.setHidden(false);
    controller.hierarchyChanged();
    MindMapNode* parent = map->nodes()[map->nodes().size() / 2];
    map->setSelectedElement(parent);
    const size_t touched = view.touched;
    for (auto _ : state) {
        MindMapNode* added = map->addMindMapNodeAsChild(parent, parent->location());
        added->setCheckboxMode(1);
        map->removeMindMapNode(added);
    }
    state.counters["rows_per_change"] =
        double(view.touched - touched) / double(std::max<int64_t>(1, state.iterations() * 3));
    state.counters["reloads"] = double(view.reloads);
    editor.setHierarchyListener(nullptr);
    editor.setMindMap(nullptr);
}
BENCHMARK(BM_OutlinerStructuralEdit)->ArgName("mode")->Arg(0)->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond);

// A chain of topics as deep as a document may be: built into rows, closed from its top with every
// row below, opened again and followed by the selection of its deepest topic. Linear in the depth.
std::shared_ptr<MindMap> chainMap(size_t depth, MindMapNode*& deepest)
{
    auto map = std::make_shared<MindMap>();
    map->newMindMap("", true, std::string("Chain"));
    deepest = map->mainCentralTheme();
    {
        MindMap::UpdateGuard update(*map);
        for (size_t level = 0; level < depth; ++level) deepest = map->addMindMapNodeAsChild(deepest, {0, 0});
    }
    map->validateElementStates();
    map->setEnabled(true);
    return map;
}

void BM_OutlinerDeepChain(benchmark::State& state)
{
    const auto depth = size_t(state.range(0));
    MindMapEditor editor;
    MindMapNode* deepest = nullptr;
    const std::shared_ptr<MindMap> map = chainMap(depth, deepest);
    MindMapNode* top = map->mainCentralTheme();
    editor.setMindMap(map);
    OutlinerViewController controller(&editor);
    RowCollectingView view(controller.adapter());
    controller.adapter().setOutlineView(&view);
    editor.setHierarchyListener(&controller);
    controller.hierarchyChanged();
    map->setSelectedElement(deepest);
    size_t rows = 0;
    for (auto _ : state) {
        controller.setHidden(false);
        controller.adapter().collapseItem(top, true);
        controller.adapter().expandItem(top, true);
        controller.adapter().syncSelectedElement();
        rows = view.rows.size();
        controller.setHidden(true);
    }
    if (rows != depth + 1 || view.selected != deepest) state.SkipWithError("the chain's rows were not all shown");
    state.SetComplexityN(int64_t(depth));
    editor.setHierarchyListener(nullptr);
    editor.setMindMap(nullptr);
}
BENCHMARK(BM_OutlinerDeepChain)
    ->ArgName("depth")
    ->Arg(1000)
    ->Arg(2500)
    ->Arg(5000)
    ->Arg(10000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMicrosecond);

// A key typed in place on the rich map while the outliner shows its tree: the key costs what it
// costs without the outliner, since the topic itself changes only when the edit ends. The counter
// reports how often the outline was rebuilt meanwhile (it should be never).
void BM_OutlinerShownWhileTypingInPlace(benchmark::State& state)
{
    installLayout();
    {
        MindMapEditor editor;
        editor.setFrameSize({1920, 1080});
        const std::shared_ptr<MindMap> map = outlinedMap();
        editor.setMindMap(map);
        OutlinerViewController controller(&editor);
        RowCollectingView view(controller.adapter());
        controller.adapter().setOutlineView(&view);
        editor.setHierarchyListener(&controller);
        controller.setHidden(false);
        controller.hierarchyChanged();
        map->setSelectedElement(map->centralThemes().front()->childAtIndex(0));
        map->editText();
        auto* text =
            editor.inplaceEditor() ? dynamic_cast<PlainInplaceTextView*>(&editor.inplaceEditor()->view()) : nullptr;
        if (!text) {
            state.SkipWithError("no in-place editor");
        } else {
            const int64_t reloads = view.reloads;
            for (auto _ : state) {
                state.PauseTiming();
                if (text->text().size() >= 60) text->replaceCharacters({0, utf16Length(text->text())}, "Typed ");
                state.ResumeTiming();
                text->type("e");
            }
            state.counters["outline_rebuilds"] = double(view.reloads - reloads);
            editor.stopEditing(InplaceTextEditor::Cancel);
        }
        editor.setHierarchyListener(nullptr);
        editor.setMindMap(nullptr);
    }
    MapLayouter::install(nullptr);
}
BENCHMARK(BM_OutlinerShownWhileTypingInPlace)->Unit(benchmark::kMillisecond);

void drainGtk()
{
    while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
}

// The outliner tab on screen, refilled as when it is shown again or its mode switched: the store
// filled, and the main loop run until the view has laid out and drawn. Needs a display (Xvfb).
// The second argument: whether some topics have dates, which makes the rows differ in height.
void BM_OutlinerTreeRefill(benchmark::State& state)
{
    if (!startGtk()) {
        state.SkipWithError("no display");
        return;
    }
    MindMapEditor editor;
    const std::shared_ptr<MindMap> map = outlinedMap(state.range(1) != 0);
    editor.setMindMap(map);
    {
        Gtk::Window window;
        window.set_default_size(260, 800);
        OutlinerView outliner(editor);
        outliner.controller().outlineModeSegmentsChanged(state.range(0), UserDefaults::standard());
        window.add(outliner);
        window.show_all();
        drainGtk();
        map->setSelectedElement(map->nodes()[map->nodes().size() / 2]);
        drainGtk();
        // The refill itself, before GTK measures the rows in its idle time.
        std::chrono::steady_clock::duration refill{};
        for (auto _ : state) {
            const auto start = std::chrono::steady_clock::now();
            outliner.controller().setHidden(true);
            outliner.controller().setHidden(false);
            refill += std::chrono::steady_clock::now() - start;
            drainGtk();
        }
        state.counters["refill_ms"] = std::chrono::duration<double, std::milli>(refill).count() /
            double(std::max<int64_t>(1, state.iterations()));
        window.remove();
    }
    editor.setMindMap(nullptr);
}
BENCHMARK(BM_OutlinerTreeRefill)
    ->ArgNames({"mode", "dated"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({4, 1})
    ->Unit(benchmark::kMillisecond);

// A structural edit of the rich map with the outliner tab on screen: a topic added under the
// selected one and removed again, with the main loop run after each change until the view has
// laid out and drawn. Needs a display (Xvfb).
void BM_OutlinerTreeStructuralEdit(benchmark::State& state)
{
    if (!startGtk()) {
        state.SkipWithError("no display");
        return;
    }
    MindMapEditor editor;
    const std::shared_ptr<MindMap> map = outlinedMap(state.range(0) != 0);
    editor.setMindMap(map);
    {
        Gtk::Window window;
        window.set_default_size(260, 800);
        OutlinerView outliner(editor);
        outliner.controller().outlineModeSegmentsChanged(0, UserDefaults::standard());
        window.add(outliner);
        window.show_all();
        drainGtk();
        MindMapNode* parent = map->nodes()[map->nodes().size() / 2];
        map->setSelectedElement(parent);
        drainGtk();
        for (auto _ : state) {
            MindMapNode* added = map->addMindMapNodeAsChild(parent, parent->location());
            drainGtk();
            map->removeMindMapNode(added);
            drainGtk();
        }
        window.remove();
    }
    editor.setMindMap(nullptr);
}
BENCHMARK(BM_OutlinerTreeStructuralEdit)->ArgName("dated")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// bench/edit-keys.py's structural edit with the outliner tab on screen: each key of the cycle given
// to the editor of the rich map, laid out, and the main loop run after it until the outline has
// followed the map and the selection, laid out and drawn. The canvas's share of the same keys is
// BM_StructuralEditKeys. Needs a display (Xvfb).
void BM_OutlinerTreeEditKeys(benchmark::State& state)
{
    if (!startGtk()) {
        state.SkipWithError("no display");
        return;
    }
    installLayout();
    {
        MindMapEditor editor;
        editor.setFrameSize({700, 600});
        // A map of its own: each cycle leaves a child in it.
        const std::shared_ptr<MindMap> map = makeOutlinedMap(true);
        MindMapNode* topic = map->centralThemes().front()->childAtIndex(0);
        // Its row shown, as the user sees what is edited.
        for (MindMapNode* above = topic; above; above = above->parent()) above->setOutlineCollapsed(false);
        StrictNodeLayouter::layoutMindMapStrictHorizontal(*map);
        map->validateElementStates();
        editor.setMindMap(map);
        {
            Gtk::Window window;
            window.set_default_size(260, 800);
            OutlinerView outliner(editor);
            outliner.controller().outlineModeSegmentsChanged(0, UserDefaults::standard());
            window.add(outliner);
            window.show_all();
            drainGtk();
            map->setSelectedElement(topic);
            drainGtk();
            for (auto _ : state) {
                editKeyCycle(editor, drainGtk);
                if (map->selectedElement() != topic) state.SkipWithError("the cycle lost its topic");
                if (outliner.outline().selectedItem() != topic) state.SkipWithError("the outline lost its topic");
            }
            state.counters["per key"] = benchmark::Counter(double(state.iterations()) * EditKeyCycleKeys,
                                                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
            window.remove();
        }
        editor.setMindMap(nullptr);
    }
    MapLayouter::install(nullptr);
}
BENCHMARK(BM_OutlinerTreeEditKeys)->Unit(benchmark::kMillisecond);

// The chain of BM_OutlinerDeepChain in the outliner tab on screen: shown, closed from its top,
// opened again and scrolled to its deepest topic, with the main loop run after each until the
// view has laid out and drawn. Linear in the depth, as GTK walks a flat list. Needs a display.
void BM_OutlinerTreeDeepChain(benchmark::State& state)
{
    if (!startGtk()) {
        state.SkipWithError("no display");
        return;
    }
    const auto depth = size_t(state.range(0));
    MindMapEditor editor;
    MindMapNode* deepest = nullptr;
    const std::shared_ptr<MindMap> map = chainMap(depth, deepest);
    MindMapNode* top = map->mainCentralTheme();
    editor.setMindMap(map);
    {
        Gtk::Window window;
        window.set_default_size(260, 800);
        OutlinerView outliner(editor);
        outliner.controller().outlineModeSegmentsChanged(0, UserDefaults::standard());
        window.add(outliner);
        window.show_all();
        drainGtk();
        OutlineViewAdapter& adapter = outliner.controller().adapter();
        // Selected once: the map's own walks of the chain when a topic is selected are not the
        // outliner's.
        map->setSelectedElement(deepest);
        drainGtk();
        for (auto _ : state) {
            outliner.controller().setHidden(true);
            outliner.controller().setHidden(false);
            drainGtk();
            adapter.collapseItem(top, true);
            drainGtk();
            adapter.expandItem(top, true);
            adapter.syncSelectedElement();
            drainGtk();
        }
        if (outliner.outline().selectedItem() != deepest) state.SkipWithError("the deepest row was not selected");
        if (outliner.outline().storedRows().size() != depth + 1)
            state.SkipWithError("the chain's rows were not all shown");
        window.remove();
    }
    state.SetComplexityN(int64_t(depth));
    editor.setMindMap(nullptr);
}
BENCHMARK(BM_OutlinerTreeDeepChain)
    ->ArgName("depth")
    ->Arg(2500)
    ->Arg(5000)
    ->Arg(10000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

} // namespace
