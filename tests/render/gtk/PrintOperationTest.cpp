#include "MindMaps/MindMapTestSupport.h"
#include "render/PaperSizes.h"
#include "render/TiledMindMapRenderingView.h"
#include "render/gtk/MindMapPrintOperation.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <gtkmm.h>
#include <poppler.h>

using namespace maptest;

namespace {

int inkedPixels(PopplerPage* page, double width, double height)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, int(width), int(height));
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    poppler_page_render(page, cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    int inked = 0;
    const unsigned char* data = cairo_image_surface_get_data(surface);
    for (int y = 0; y < int(height); ++y)
        for (int x = 0; x < int(width); ++x)
            inked += (reinterpret_cast<const uint32_t*>(data + y * cairo_image_surface_get_stride(surface))[x] &
                      0xffffff) != 0xffffff;
    cairo_surface_destroy(surface);
    return inked;
}

} // namespace

// Printing to a file goes through the print operation's export action, as a print to PDF would.
TEST(PrintOperation, ExportsEveryTiledPageToAPdfFile)
{
    if (!gtk_init_check(nullptr, nullptr)) GTEST_SKIP() << "no display";
    Gtk::Main::init_gtkmm_internals();
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    addTopic(map, nullptr, Point{0, 0}, "near");
    addTopic(map, nullptr, Point{3300, 1450}, "far");
    TempDir dir;

    MindMapPrintOperation::Job job;
    job.pages = [&] {
        return std::make_unique<TiledMindMapRenderingView>(map, false, PrintModeTiledScaled, 1.0, PaperSizeForFormat(3),
                                                           PageBorderCornerMarkers);
    };
    job.action = Gtk::PRINT_OPERATION_ACTION_EXPORT;
    job.exportFilename = dir.file("map.pdf");
    Error error;
    ASSERT_TRUE(MindMapPrintOperation::run(job, &error)) << error.failureReason;

    GError* failure = nullptr;
    const std::string uri = "file://" + job.exportFilename;
    PopplerDocument* document = poppler_document_new_from_file(uri.c_str(), nullptr, &failure);
    ASSERT_TRUE(document) << (failure ? failure->message : "");
    EXPECT_EQ(6, poppler_document_get_n_pages(document));
    for (int i = 0; i < poppler_document_get_n_pages(document); ++i) {
        PopplerPage* page = poppler_document_get_page(document, i);
        double width = 0, height = 0;
        poppler_page_get_size(page, &width, &height);
        EXPECT_NEAR(842, width, 0.5) << i;
        EXPECT_NEAR(596, height, 0.5) << i;
        // The first sheet shows the near topic and its corner marks.
        if (i == 0) {
            EXPECT_LT(0, inkedPixels(page, width, height));
        }
        g_object_unref(page);
    }
    g_object_unref(document);
}
