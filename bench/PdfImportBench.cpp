#include "formats/PdfConverter.h"
#include "formats/PdfTestSupport.h"
#include "support/FakeTextMeasurer.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A PDF of 100 pages whose outline holds 5,000 bookmarks: 100 chapters of 49 sections, every
// bookmark naming its page.
MindMapData outlinePdf()
{
    constexpr int Chapters = 100, Sections = 49;
    return pdftest::cairoPdf(Chapters, [](cairo_surface_t* surface) {
        for (int chapter = 0; chapter < Chapters; ++chapter) {
            const std::string page = "page=" + std::to_string(chapter + 1);
            const int id = cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT,
                                                         ("Chapter " + std::to_string(chapter)).c_str(), page.c_str(),
                                                         cairo_pdf_outline_flags_t(0));
            for (int section = 0; section < Sections; ++section) {
                cairo_pdf_surface_add_outline(surface, id, ("Section " + std::to_string(section)).c_str(), page.c_str(),
                                              cairo_pdf_outline_flags_t(0));
            }
        }
    });
}

// PDF bytes to the native document of the bookmark map: the outline walk, the map's loading
// (measuring, wrapping and laying out every topic) and the native writer. With the argument 1
// texts are measured by the fake measurer, which leaves the font system's share out.
void BM_PdfImportFiveThousandBookmarks(benchmark::State& state)
{
    FakeTextMeasurer fakeMeasurer;
    if (state.range(0) == 1) TextMeasurer::setShared(&fakeMeasurer);
    const MindMapData pdf = outlinePdf();
    size_t bytes = 0;
    for (auto _ : state) {
        const MindMapData native = PdfConverter::twkxDataFromPdf(pdf, "/bench/Outline.pdf", false);
        bytes = native.size();
        benchmark::DoNotOptimize(native.data());
    }
    TextMeasurer::setShared(nullptr);
    state.counters["pdfBytes"] = static_cast<double>(pdf.size());
    state.counters["nativeBytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_PdfImportFiveThousandBookmarks)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
