#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/StyleManager.h"
#include "formats/PdfConverter.h"
#include "formats/PdfTestSupport.h"
#include "support/FakeTextMeasurer.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A PDF of 100 pages whose outline is one flat list of the given number of bookmarks, each naming
// a page.
MindMapData flatOutlinePdf(int bookmarks)
{
    constexpr int Pages = 100;
    return pdftest::cairoPdf(Pages, [bookmarks](cairo_surface_t* surface) {
        for (int i = 0; i < bookmarks; ++i) {
            const std::string page = "page=" + std::to_string(i % Pages + 1);
            cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT, ("Bookmark " + std::to_string(i)).c_str(),
                                          page.c_str(), cairo_pdf_outline_flags_t(0));
        }
    });
}

// PDF bytes to the native document of a flat bookmark map: every bookmark becomes a main branch
// of the one central theme, so styling each of them must not look at all the others. Should grow
// linearly with the count.
void BM_PdfImportFlatOutline(benchmark::State& state)
{
    FakeTextMeasurer fakeMeasurer;
    TextMeasurer::setShared(&fakeMeasurer);
    const MindMapData pdf = flatOutlinePdf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const MindMapData native = PdfConverter::twkxDataFromPdf(pdf, "/bench/Flat.pdf", false);
        benchmark::DoNotOptimize(native.data());
    }
    TextMeasurer::setShared(nullptr);
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_PdfImportFlatOutline)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(40000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// The same with the font system measuring the texts, as the application does.
void BM_PdfImportFlatOutlineMeasured(benchmark::State& state)
{
    const MindMapData pdf = flatOutlinePdf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const MindMapData native = PdfConverter::twkxDataFromPdf(pdf, "/bench/Flat.pdf", false);
        benchmark::DoNotOptimize(native.data());
    }
}
BENCHMARK(BM_PdfImportFlatOutlineMeasured)->Arg(40000)->Unit(benchmark::kMillisecond);

// Validating element states right after a central theme received the given number of new children:
// each child is given its palette entry and colours by the style sheet.
void BM_ValidateElementStatesManyChildren(benchmark::State& state)
{
    FakeTextMeasurer fakeMeasurer;
    TextMeasurer::setShared(&fakeMeasurer);
    const auto children = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        // Made as a reader makes them: the style sheet reaches the topics only when they validate.
        auto map = std::make_unique<MindMap>();
        map->setStyleSheet(StyleManager::styleManager().getStyleOnKey("system.bright-palette", true));
        MindMapNode* theme = map->addNodeLoadingAtLocation(Point{});
        theme->setText("Theme");
        for (size_t i = 0; i < children; ++i) {
            MindMapNode* child = map->addNodeLoadingAtLocation(Point{200, 30.0 * static_cast<double>(i)});
            child->linkToParent(theme);
            child->setText("Child");
        }
        map->rethinkCentralThemes();
        map->nodesLoadedFromIndex(0);
        state.ResumeTiming();
        map->validateElementStates();
        state.PauseTiming();
        map.reset();
        state.ResumeTiming();
    }
    TextMeasurer::setShared(nullptr);
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ValidateElementStatesManyChildren)
    ->Arg(2500)
    ->Arg(5000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

} // namespace
