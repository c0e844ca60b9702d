#include "BenchMaps.h"
#include "ScreenSurface.h"

#include "MindMaps/MapLayouter.h"
#include "editor-view/MindMapEditor.h"
#include "layout/LayoutInstallation.h"
#include "layout/StrictNodeLayouter.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr Size CanvasSize{1920, 1080};

// The rich 10,000-topic map laid out as the application lays out a map it imports.
std::shared_ptr<MindMap> laidOutMap()
{
    static const std::shared_ptr<MindMap> map = [] {
        auto made = std::make_shared<MindMap>();
        BenchMaps::buildRichMap(*made);
        StrictNodeLayouter::layoutMindMapStrictHorizontal(*made);
        made->validateElementStates();
        return made;
    }();
    return map;
}

// A full-screen canvas with a topic of the first branch open for typing. The layouter is installed
// only meanwhile, so that the other benchmarks of this binary keep measuring the stationary model.
struct TypingCanvas {
    TypingCanvas() : surface(CanvasSize)
    {
        installLayout();
        view.setFrameSize(CanvasSize);
        map = laidOutMap();
        view.setMindMap(map);
        topic = map->centralThemes().front()->childAtIndex(0);
        view.scrollMapPointToCenter(topic->location());
        map->setSelectedElement(topic);
        map->editText();
        surface.paint(view);
    }
    ~TypingCanvas()
    {
        view.stopEditing(InplaceTextEditor::Cancel);
        view.setMindMap(nullptr);
        MapLayouter::install(nullptr);
    }

    PlainInplaceTextView& textView() { return static_cast<PlainInplaceTextView&>(view.inplaceEditor()->view()); }

    // The canvas under the rectangle only, as the toolkit repaints what the text view uncovered.
    void repaint(const Rect& dirty) { surface.paint(view, dirty); }

    // Back to a short text now and then, so that every key types into a text of a usual length.
    void keepShort()
    {
        if (textView().text().size() < 60) return;
        textView().replaceCharacters({0, utf16Length(textView().text())}, "Typed ");
    }

    std::shared_ptr<MindMap> map;
    MindMapNode* topic = nullptr;
    MindMapEditor view;
    ScreenSurface surface;
};

// One key typed in place as the editor handles it: the text view's change with its typing undo,
// the text measured in the topic's font and the frame fitted to it, then the canvas repainted
// where the grown border lies.
void BM_InplaceTypingKey(benchmark::State& state)
{
    TypingCanvas canvas;
    for (auto _ : state) {
        state.PauseTiming();
        canvas.keepShort();
        state.ResumeTiming();
        canvas.textView().type("e");
        canvas.repaint(canvas.view.inplaceEditor()->borderFrame());
    }
    state.SetLabel("10,000 topics, 1920x1080");
}
BENCHMARK(BM_InplaceTypingKey)->Unit(benchmark::kMillisecond);

// The same key with the topic itself changed at once: the text set on the topic and its branch
// laid out again before the repaint. The editor changes the topic only when the edit ends; this is
// the bound for a key that did it every time.
void BM_InplaceTypingKeyWithLayoutAndRepaint(benchmark::State& state)
{
    TypingCanvas canvas;
    for (auto _ : state) {
        state.PauseTiming();
        canvas.keepShort();
        state.ResumeTiming();
        canvas.textView().type("e");
        canvas.topic->setText(canvas.textView().text());
        canvas.map->validateElementStates();
        canvas.repaint(canvas.view.inplaceEditor()->borderFrame());
    }
    state.SetLabel("10,000 topics, 1920x1080");
}
BENCHMARK(BM_InplaceTypingKeyWithLayoutAndRepaint)->Unit(benchmark::kMillisecond);

// A change typed into a topic whose stored text is far longer than new text may be (a megabyte
// of words): its last letters typed over, checked against the limit, and the frame fitted to the
// text. Each pass types a number of its own, so that the measurer's remembered sizes do not answer.
// Only the limit's worth of the text is measured for the frame.
void BM_InplaceKeyInStoredLongText(benchmark::State& state)
{
    std::string text;
    while (text.size() < 1'000'000) text += "word of a long stored text ";
    MindMapEditor view;
    view.setFrameSize(CanvasSize);
    auto map = std::make_shared<MindMap>();
    map->newMindMap("", true, std::string("Theme"));
    MindMapNode* topic = map->mainCentralTheme();
    topic->setText(text);
    map->validateElementStates();
    view.setMindMap(map);
    map->setSelectedElement(topic);
    map->editText();
    auto& textView = static_cast<PlainInplaceTextView&>(view.inplaceEditor()->view());
    const size_t end = utf16Length(text);
    int pass = 0;
    for (auto _ : state) {
        const std::string number = std::to_string(1'000'000 + pass++ % 1'000'000);
        textView.replaceCharacters({end - number.size(), number.size()}, number);
    }
    view.stopEditing(InplaceTextEditor::Cancel);
    view.setMindMap(nullptr);
    state.SetLabel("1 MB stored");
}
BENCHMARK(BM_InplaceKeyInStoredLongText)->Unit(benchmark::kMillisecond);

} // namespace
