#include "BenchMaps.h"

#include "Editor/MapSearchBarController.h"
#include "editor-view/MindMapEditor.h"
#include "platform/CairoGuard.h"
#include "platform/Image.h"

#include <benchmark/benchmark.h>
#include <pango/pangocairo.h>

#include <memory>
#include <string>

// Goal: a character typed in the find bar on the 10,000-topic map, until the counter shows the new
// count, takes at most 16 ms (one frame).

namespace {

std::shared_ptr<MindMap> richMap()
{
    static const std::shared_ptr<MindMap> map = [] {
        auto made = std::make_shared<MindMap>();
        BenchMaps::buildRichMap(*made);
        made->validateElementStates();
        return made;
    }();
    return map;
}

// The bar's counter label: its text laid out and drawn as the toolkit repaints it.
class CounterView : public MapSearchBarView {
public:
    CounterView()
        : _image(80, 24), _cairo(cairo_create(_image.surface())), _layout(pango_cairo_create_layout(_cairo.get()))
    {
    }
    ~CounterView() override { g_object_unref(_layout); }

    void setResultsText(const std::string& text) override
    {
        cairo_set_source_rgb(_cairo.get(), 0.82, 0.82, 0.82);
        cairo_paint(_cairo.get());
        pango_layout_set_text(_layout, text.c_str(), static_cast<int>(text.size()));
        cairo_set_source_rgb(_cairo.get(), 0, 0, 0);
        cairo_move_to(_cairo.get(), 2, 2);
        pango_cairo_show_layout(_cairo.get(), _layout);
        cairo_surface_flush(_image.surface());
        benchmark::DoNotOptimize(text.size());
    }
    void setNavigationEnabled(bool) override {}
    void setAdvancedRowShown(bool, double) override {}
    bool isBarShown() const override { return _shown; }
    void showBar() override { _shown = true; }
    void hideBar() override { _shown = false; }
    void focusSearchField() override {}

private:
    Image _image;
    CairoContext _cairo;
    PangoLayout* _layout;
    bool _shown = false;
};

// Only the typed letter is timed; taking it back again between the steps is not.
void typeInFindBar(benchmark::State& state, const std::string& before, const std::string& after)
{
    MindMapEditor editor;
    editor.setFrameSize({1280, 800});
    std::shared_ptr<MindMap> map = richMap();
    editor.setMindMap(map);
    CounterView view;
    MapSearchBarController controller(editor, {470, 88});
    controller.setView(&view);
    controller.startSearch();
    for (auto _ : state) {
        state.PauseTiming();
        controller.setSearchText(before);
        state.ResumeTiming();
        controller.setSearchText(after);
    }
    state.counters["matches"] = static_cast<double>(map->searchMatches().size());
    controller.closeBar();
    editor.setMindMap(nullptr);
}

void BM_FindBarTypeNarrowWord(benchmark::State& state)
{
    typeInFindBar(state, "bud", "budg");
}

void BM_FindBarTypeFirstLetter(benchmark::State& state)
{
    typeInFindBar(state, "", "e");
}

} // namespace

BENCHMARK(BM_FindBarTypeNarrowWord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindBarTypeFirstLetter)->Unit(benchmark::kMillisecond);
