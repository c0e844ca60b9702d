#include "MindMaps/MindMapTestSupport.h"
#include "platform/Localizer.h"
#include "render/MindMapRenderingView.h"
#include "render/OutlineRenderingView.h"
#include "render/TiledMindMapRenderingView.h"
#include "render/gtk/MindMapPrintOperation.h"
#include "support/DisplayRequirement.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <gtkmm.h>
#include <poppler.h>

#include <cmath>
#include <cstring>
#include <filesystem>

using namespace maptest;

// Printing to a file goes through the print operation's export action, as a print to PDF would.
TEST(PrintOperation, ExportsEveryTiledPageToAPdfFile)
{
    TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
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

    PopplerDocument* document =
        poppler_document_new_from_file(("file://" + job.exportFilename).c_str(), nullptr, nullptr);
    ASSERT_TRUE(document);
    EXPECT_EQ(6, poppler_document_get_n_pages(document));
    for (int i = 0; i < poppler_document_get_n_pages(document); ++i) {
        PopplerPage* page = poppler_document_get_page(document, i);
        double width = 0, height = 0;
        poppler_page_get_size(page, &width, &height);
        EXPECT_EQ(std::pair(842.0, 596.0), std::pair(std::round(width), std::round(height))) << i;
        // The first sheet shows the near topic, drawn through the print context.
        gchar* text = poppler_page_get_text(page);
        EXPECT_TRUE(i > 0 || std::strstr(text, "near"));
        g_free(text);
        g_object_unref(page);
    }
    g_object_unref(document);
}

// GTK's loop runs while the pages print, and what holds no input back (a later start handing over
// a file) may close the map or read another into it meanwhile: pages made of its topics stop with
// the cause, and the outline, which keeps its own text, prints whole.
TEST(PrintOperation, PagesOfAMapClosedWhilePrintingStopWithTheCause)
{
    TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
    Gtk::Main::init_gtkmm_internals();
    const struct {
        const char* what;
        std::function<std::unique_ptr<PrintablePages>(MindMap&)> pages;
        bool printed;
    } cases[] = {
        {"tiled",
         [](MindMap& map) {
             return std::make_unique<TiledMindMapRenderingView>(map, false, PrintModeTiledScaled, 1.0,
                                                                PaperSizeForFormat(3), 0);
         },
         false},
        {"one page", [](MindMap& map) { return std::make_unique<MindMapRenderingView>(map, false); }, false},
        {"outline",
         [](MindMap& map) { return std::make_unique<OutlineRenderingView>(map, false, 27, PaperSizeForFormat(3)); },
         true},
    };
    for (const auto& c : cases) {
        MindMap map;
        map.newMindMap("", false, std::nullopt);
        addTopic(map, addTopic(map, nullptr, Point{0, 0}, "near"), Point{300, 100}, "child");
        addTopic(map, nullptr, Point{3300, 1450}, "far");
        TempDir dir;
        MindMapPrintOperation::Job job;
        job.pages = [&] { return c.pages(map); };
        job.action = Gtk::PRINT_OPERATION_ACTION_EXPORT;
        job.exportFilename = dir.file("map.pdf");
        // Runs in GTK's loop, before the first page.
        Glib::signal_idle().connect_once([&map] { map.clearAndDisableDiagram(); });
        Error error;
        EXPECT_EQ(MindMapPrintOperation::run(job, &error), c.printed) << c.what;
        EXPECT_EQ(error.failureReason, c.printed ? "" : localized("print_map_gone_reason")) << c.what;
        if (c.printed) {
            EXPECT_TRUE(std::filesystem::exists(job.exportFilename)) << c.what;
        }
    }
}

// GTK hands a preview to the desktop's previewer through a launcher that says nothing when the
// program is missing: the preview then ended without a word. It is said, naming the program.
TEST(PrintOperation, APreviewWithoutItsPreviewerSaysSo)
{
    TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
    Gtk::Main::init_gtkmm_internals();
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    addTopic(map, nullptr, Point{0, 0}, "topic");
    gchar* desktops = nullptr;
    g_object_get(gtk_settings_get_default(), "gtk-print-preview-command", &desktops, nullptr);
    const struct {
        const char* command;
        bool shown;
        std::string reason;
    } cases[] = {
        {"tarnwick-no-such-previewer --preview %f", false,
         localizedFormat("print_preview_no_program", {"tarnwick-no-such-previewer"})},
        {"", false, localized("print_preview_no_command")},
        // The previewer takes the file away, as the desktop's does once it has read it.
        {"rm -f %f", true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        g_object_set(gtk_settings_get_default(), "gtk-print-preview-command", c.command, nullptr);
        MindMapPrintOperation::Job job;
        job.pages = [&] { return std::make_unique<MindMapRenderingView>(map, false); };
        job.action = Gtk::PRINT_OPERATION_ACTION_PREVIEW;
        Error error;
        EXPECT_EQ(MindMapPrintOperation::run(job, &error), c.shown);
        EXPECT_EQ(error.failureReason, c.reason);
        if (!c.shown) {
            EXPECT_EQ(error.localizedDescription, localized("print_preview_failed"));
        }
    }
    g_object_set(gtk_settings_get_default(), "gtk-print-preview-command", desktops, nullptr);
    g_free(desktops);
}
