#include "formats/PdfTestSupport.h"
#include "panels/gtk/PdfWindows.h"

#include <benchmark/benchmark.h>
#include <gtkmm.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

// The PDF viewer a page link opens, under a display (Xvfb): the page shown after the link is
// followed, a scroll frame drawn from pages already rendered, and a long bookmark outline.

namespace {

bool startGtk()
{
    static const bool started = [] {
        if (!gtk_init_check(nullptr, nullptr)) return false;
        Gtk::Main::init_gtkmm_internals();
        installPdfWindows();
        return true;
    }();
    return started;
}

void pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(5))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < end) Gtk::Main::iteration(false);
}

void settle()
{
    while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
}

// A folder of the system's temporary files for the benchmark's PDFs, removed at exit.
class BenchFolder {
public:
    BenchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarnwick-pdf-bench-XXXXXX").string();
        if (mkdtemp(pattern.data())) _path = pattern;
    }
    ~BenchFolder()
    {
        std::error_code ignored;
        if (!_path.empty()) std::filesystem::remove_all(_path, ignored);
    }
    std::string file(const std::string& name) const { return _path + "/" + name; }

private:
    std::string _path;
};

std::string writePdf(const BenchFolder& temp, const std::string& name, const pdftest::Bytes& bytes)
{
    const std::string path = temp.file(name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

// 1,000 pages of 200 x 200 points, each with a small drawing and a named destination.
const std::string& thousandPagePdf(const BenchFolder& temp)
{
    static const std::string path = writePdf(temp, "thousand.pdf", pdftest::cairoPdf(1000, nullptr));
    return path;
}

// 100 chapters of 99 sections: 10,000 bookmarks.
const std::string& bookmarkPdf(const BenchFolder& temp)
{
    static const std::string path =
        writePdf(temp, "bookmarks.pdf", pdftest::cairoPdf(100, [](cairo_surface_t* surface) {
                     for (int chapter = 0; chapter < 100; ++chapter) {
                         const std::string page = "page=" + std::to_string(chapter + 1);
                         const int id = cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT,
                                                                      ("Chapter " + std::to_string(chapter)).c_str(),
                                                                      page.c_str(), cairo_pdf_outline_flags_t(0));
                         for (int section = 0; section < 99; ++section)
                             cairo_pdf_surface_add_outline(surface, id, ("Section " + std::to_string(section)).c_str(),
                                                           page.c_str(), cairo_pdf_outline_flags_t(0));
                     }
                 }));
    return path;
}

BenchFolder& benchFolder()
{
    static BenchFolder temp;
    return temp;
}

// From the followed link to page 700 drawn in a new viewer window.
void BM_PdfLinkOpensAtPage700(benchmark::State& state)
{
    if (!startGtk()) {
        state.SkipWithError("no display");
        return;
    }
    const std::string& path = thousandPagePdf(benchFolder());
    const std::string link = path + "#page=700";
    GtkPdfPreviewManager& manager = GtkPdfPreviewManager::instance();
    for (auto _ : state) {
        if (!PdfPreviewManager::openPdfLink(link)) {
            state.SkipWithError("the link was not followed");
            break;
        }
        PdfPreviewWindow* window = manager.windowForFile(path);
        pumpUntil([window] { return window->pagesView().cachedPages() > 0; });
        if (window->currentPageNumber() != 700) state.SkipWithError("not at page 700");
        state.PauseTiming();
        manager.removeWindow(window);
        settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PdfLinkOpensAtPage700)->Unit(benchmark::kMillisecond)->UseRealTime();

// One scroll step of the continuous view, drawn from pages rendered before.
void BM_PdfScrollFrameFromCachedPages(benchmark::State& state)
{
    if (!startGtk()) {
        state.SkipWithError("no display");
        return;
    }
    const std::string& path = thousandPagePdf(benchFolder());
    PdfPreviewWindow window(path, 1);
    window.pagesView().setDisplayMode(PdfDisplayMode::SinglePageContinuous);
    window.pagesView().setAutoScale(true);
    settle();
    const auto adjustment = window.pagesView().get_vadjustment();
    // Back and forth over one screenful, so that every page drawn is in the cache after the first
    // pass; a frame is the scroll and everything GTK does until the window has drawn it.
    const double top = adjustment->get_value();
    const auto scrollTo = [&](double offset) {
        adjustment->set_value(top + offset);
        // Paints what the scroll uncovered now, instead of at the frame clock's next tick.
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        gdk_window_process_all_updates();
        G_GNUC_END_IGNORE_DEPRECATIONS
    };
    for (int step = 0; step <= 10; ++step) {
        scrollTo(step * 40.0);
        settle();
    }
    int step = 0;
    for (auto _ : state) {
        scrollTo((step % 10) * 40.0);
        ++step;
    }
    settle();
    state.counters["cachedPages"] = double(window.pagesView().cachedPages());
}
BENCHMARK(BM_PdfScrollFrameFromCachedPages)->Unit(benchmark::kMillisecond)->UseRealTime();

// A viewer for a PDF with 10,000 bookmarks: read, outline column filled and window shown.
void BM_PdfOutlineOfTenThousandBookmarks(benchmark::State& state)
{
    if (!startGtk()) {
        state.SkipWithError("no display");
        return;
    }
    const std::string& path = bookmarkPdf(benchFolder());
    for (auto _ : state) {
        auto window = std::make_unique<PdfPreviewWindow>(path, 1);
        settle();
        if (!window->hasOutlineView()) state.SkipWithError("no outline shown");
        state.PauseTiming();
        window.reset();
        settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PdfOutlineOfTenThousandBookmarks)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
