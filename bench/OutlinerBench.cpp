#include "BenchMaps.h"

#include "MindMaps/MapLayouter.h"
#include "editor-view/InplaceTextView.h"
#include "editor-view/MindMapEditor.h"
#include "layout/LayoutInstallation.h"
#include "panels/OutlinerViewController.h"
#include "panels/gtk/OutlinerView.h"
#include "platform/UserDefaults.h"

#include <benchmark/benchmark.h>
#include <gtkmm.h>

#include <chrono>
#include <memory>

namespace {

// Takes the rows as the tree view fills its store: every row the data source gives, with its
// place, and every expansion.
class RowCollectingView : public OutlineView {
public:
    explicit RowCollectingView(OutlineViewAdapter& adapter) : _adapter(adapter) {}

    void reloadData() override
    {
        ++reloads;
        rows.clear();
        collect(nullptr);
    }
    void expandItem(MindMapNode* item, bool) override { expanded.push_back(item); }
    void collapseItem(MindMapNode*, bool) override {}
    bool isItemExpanded(MindMapNode*) const override { return false; }
    void selectItem(MindMapNode* item) override { selected = item; }
    MindMapNode* selectedItem() const override { return selected; }
    void setNeedsDisplay() override {}
    void applyOutlineState(const OutlineViewState&) override {}
    void takeFocusFromEditor() override {}
    bool isFirstResponder() const override { return false; }

    std::vector<MindMapNode*> rows;
    std::vector<MindMapNode*> expanded;
    MindMapNode* selected = nullptr;
    int64_t reloads = 0;

private:
    void collect(MindMapNode* item)
    {
        for (size_t index = 0, count = _adapter.numberOfChildrenOfItem(item); index < count; ++index) {
            MindMapNode* child = _adapter.child(index, item);
            rows.push_back(child);
            if (_adapter.isItemExpandable(child)) collect(child);
        }
    }

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

// A hierarchy change of the map with the outliner shown in the mode: the plain row build, with
// the rows taken as the tree view takes them.
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

// The same change with the outliner tab on screen: the tree store refilled, the rows opened as
// the topics ask, and the main loop run until the view has laid out and drawn. Needs a display
// (Xvfb). The second argument: whether some topics have dates, which makes the rows differ in
// height.
void BM_OutlinerTreeRefresh(benchmark::State& state)
{
    static const bool display = [] {
        if (!gtk_init_check(nullptr, nullptr)) return false;
        Gtk::Main::init_gtkmm_internals();
        return true;
    }();
    if (!display) {
        state.SkipWithError("no display");
        return;
    }
    auto drain = [] {
        while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
    };
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
        drain();
        map->setSelectedElement(map->nodes()[map->nodes().size() / 2]);
        drain();
        // The refill itself, before GTK measures the rows in its idle time.
        std::chrono::steady_clock::duration refill{};
        for (auto _ : state) {
            const auto start = std::chrono::steady_clock::now();
            outliner.controller().hierarchyChanged();
            refill += std::chrono::steady_clock::now() - start;
            drain();
        }
        state.counters["refill_ms"] = std::chrono::duration<double, std::milli>(refill).count() /
            double(std::max<int64_t>(1, state.iterations()));
        window.remove();
    }
    editor.setMindMap(nullptr);
}
BENCHMARK(BM_OutlinerTreeRefresh)
    ->ArgNames({"mode", "dated"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({4, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace
