#include "MindMaps/MapLayouter.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapFormats.h"
#include "MindMaps/TopicDepthLimit.h"
#include "editor-view/MindMapEditor.h"
#include "formats/TwkxMindMapReader.h"
#include "formats/TwkxMindMapWriter.h"
#include "layout/LayoutInstallation.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/Image.h"
#include "platform/PangoTextMeasurer.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr Size FrameSize{1280, 900};

// What a chain's topics carry besides their text.
enum Variant : int64_t {
    Plain,
    // Each topic in its own hull: hulls nested as deep as the chain.
    Hulls,
    // A strict horizontal layout from the central theme down.
    StrictLayout,
    // Progress rolled up from each topic to the one above it.
    RolledUpProgress,
    // Labels of one number per level: each label as long as its topic is deep, each made and
    // measured from the label above it.
    AutoNumbering,
};

// A chain of topics, each the only child of the one before, as a native document.
MindMapData chainDocument(size_t levels, int64_t variant)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tarnwick-mindmaps doc-version=\"3\" "
                       "generator=\"TarnwickOSXN\">\n<mindmap>\n<meta><guid guid=\"ABCDEF012345678901234567\"/>";
    if (variant == AutoNumbering) text += "<auto-numbering style=\"inside\"/>";
    text += "</meta>\n<topics>\n";
    for (size_t i = 0; i < levels; ++i) {
        text += "<topic id=\"" + std::to_string(i) + "\" parent=\"" + std::to_string(int64_t(i) - 1) +
            "\" text=\"Level " + std::to_string(i) + "\" x=\"" + std::to_string(i * 120) + "\" y=\"0\"";
        if (variant == StrictLayout && i == 0) text += " layout=\"strict-horizontal\"";
        if (variant == RolledUpProgress) text += " checkbox-mode=\"roll-up-progress\"";
        text += variant == Hulls ? "><hull visible=\"true\"/></topic>\n" : "/>\n";
    }
    text += "</topics>\n<relations/>\n</mindmap>\n</tarnwick-mindmaps>\n";
    return MindMapData(text.begin(), text.end());
}

// Opening a deep map as the window does: the document read (styles, measuring, layout), then the
// editor's first frame. Linear in the depth up to the limit, the labels of auto numbering included.
void BM_OpenDeepChain(benchmark::State& state)
{
    registerNativeFormat();
    installLayout();
    const MindMapData document = chainDocument(size_t(state.range(0)), state.range(1));
    Image image(int(FrameSize.width), int(FrameSize.height));
    for (auto _ : state) {
        // As a map opened for the first time: no size of its texts known yet.
        state.PauseTiming();
        if (auto* measurer = dynamic_cast<PangoTextMeasurer*>(&TextMeasurer::shared())) measurer->forgetSizes();
        state.ResumeTiming();
        auto map = std::make_shared<MindMap>();
        if (!map->readFromData(document, "", int32_t(MindMapReadFormat::Native))) state.SkipWithError("refused");
        auto view = std::make_unique<MindMapEditor>();
        view->setFrameSize(FrameSize);
        view->setMindMap(map);
        view->mindMapLoaded(MindMapLoadedDocument);
        const CairoContext cairo(cairo_create(image.surface()));
        CairoGraphicsContext context(cairo.get(), GraphicsSurfaceKind::Screen);
        view->draw(context, {0, 0, FrameSize.width, FrameSize.height});
        state.PauseTiming();
        view.reset();
        map.reset();
        state.ResumeTiming();
    }
    state.SetComplexityN(state.range(0));
    MapLayouter::install(nullptr);
}
BENCHMARK(BM_OpenDeepChain)
    ->ArgNames({"levels", "variant"})
    ->ArgsProduct({{500, 1000, int64_t(TopicDepthLimit::MaximumLevels)},
                   {Plain, Hulls, StrictLayout, RolledUpProgress, AutoNumbering}})
    ->Unit(benchmark::kMillisecond);

// A document deeper than the limit is refused from its ids, before a topic is made.
void BM_RefuseDeeperChain(benchmark::State& state)
{
    registerNativeFormat();
    const MindMapData document = chainDocument(size_t(state.range(0)), Plain);
    for (auto _ : state) {
        MindMap map;
        if (map.readFromData(document, "", int32_t(MindMapReadFormat::Native))) state.SkipWithError("read");
    }
    state.counters["MB"] = double(document.size()) / (1 << 20);
}
BENCHMARK(BM_RefuseDeeperChain)
    ->Arg(int64_t(TopicDepthLimit::MaximumLevels) + 1)
    ->Arg(20000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

// The snapshot taken before every change of a map at the limit, and reading it back for undo.
void BM_UndoSnapshotOfDeepChain(benchmark::State& state)
{
    registerNativeFormat();
    installLayout();
    MindMap map;
    map.readFromData(chainDocument(size_t(state.range(0)), Plain), "", int32_t(MindMapReadFormat::Native));
    for (auto _ : state) {
        const std::string snapshot = TwkxMindMapWriter::captureUndoState(map);
        MindMap again;
        again.beginLoading();
        TwkxMindMapReader::loadMindMap(again, snapshot);
        again.loadingCompleted();
    }
    MapLayouter::install(nullptr);
}
BENCHMARK(BM_UndoSnapshotOfDeepChain)
    ->Arg(500)
    ->Arg(1000)
    ->Arg(int64_t(TopicDepthLimit::MaximumLevels))
    ->Unit(benchmark::kMillisecond);

} // namespace
