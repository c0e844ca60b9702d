#include "panels/gtk/PdfWindows.h"

#include "RealInput.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "support/TempDir.h"

#include <cairo-pdf.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

// A PDF of the pages, each numbered large, with a bookmark to every page and one nested under the
// first when withOutline.
void writePdf(const std::string& path, int pages, bool withOutline)
{
    cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), 300, 400);
    cairo_t* cr = cairo_create(surface);
    if (withOutline) {
        int first = 0;
        for (int page = 1; page <= pages; ++page) {
            const std::string name = "Chapter " + std::to_string(page);
            const std::string target = "page=" + std::to_string(page);
            const int id = cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT, name.c_str(), target.c_str(),
                                                         cairo_pdf_outline_flags_t(0));
            if (page == 1) first = id;
        }
        cairo_pdf_surface_add_outline(surface, first, "Section", "page=2", cairo_pdf_outline_flags_t(0));
    }
    for (int page = 1; page <= pages; ++page) {
        cairo_set_font_size(cr, 120);
        cairo_move_to(cr, 100, 250);
        cairo_show_text(cr, std::to_string(page).c_str());
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

class PdfWindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!RealInput::startGtk()) TARNWICK_REQUIRE_DISPLAY(false);
        UserDefaults::standard().resetForTesting();
        for (const char* key : {"PdfPreview.DisplayMode", "PdfPreview.AutoScale", "PdfPreview.ScaleFactor",
                                "PdfPreviewAutoSaveFrame", "PdfLinkPanelAutoSaveFrame"})
            UserDefaults::standard().removeObject(key);
        bookmarked = dir.path() + "/Report.pdf";
        writePdf(bookmarked, 3, true);
        plain = dir.path() + "/report.pdf";
        writePdf(plain, 2, false);
        broken = dir.path() + "/broken.pdf";
        std::ofstream(broken) << "%PDF-1.4\nthis is no PDF";
    }

    void TearDown() override
    {
        auto& manager = GtkPdfPreviewManager::instance();
        for (const std::string& path : {bookmarked, plain, broken})
            if (PdfPreviewWindow* window = manager.windowForFile(path)) manager.removeWindow(window);
        RealInput::pump();
    }

    static void shoot(Gtk::Window& window, const char* name)
    {
        // Screenshots only when asked for, into the folder named.
        const char* folder = std::getenv("TARNWICK_SCREENSHOT_DIR");
        if (!folder || !window.get_window()) return;
        RealInput::pump(300);
        auto pixbuf = Gdk::Pixbuf::create(window.get_window(), 0, 0, window.get_width(), window.get_height());
        if (pixbuf) pixbuf->save(std::string(folder) + "/" + name + ".png", "png");
    }

    TempDir dir;
    std::string bookmarked, plain, broken;
};

TEST_F(PdfWindowsTest, OneWindowAFileMovedToTheLinkedPage)
{
    auto& manager = GtkPdfPreviewManager::instance();
    ASSERT_TRUE(manager.openPdfFile(bookmarked, 2));
    PdfPreviewWindow* window = manager.windowForFile(bookmarked);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(RealInput::pumpUntil([&] { return window->get_window() && window->get_window()->is_viewable(); }));
    EXPECT_EQ(window->currentPageNumber(), 2);
    EXPECT_TRUE(window->hasOutlineView());
    EXPECT_EQ(window->get_title(), "Report.pdf (page 2 of 3)");
    EXPECT_EQ(window->openButton().get_label(), localized("open_in_preview_app"));
    // The pages in sight are drawn, not all of them.
    ASSERT_TRUE(RealInput::pumpUntil([&] { return window->pagesView().cachedPages() > 0; }));
    // Opened at page 2, the view shows page 2 at its top, not the first page.
    ASSERT_TRUE(RealInput::pumpUntil([&] { return window->pagesView().get_vadjustment()->get_value() > 100; }));
    EXPECT_EQ(window->currentPageNumber(), 2);
    shoot(*window, "pdf-preview");

    const size_t before = manager.windowCount();
    ASSERT_TRUE(manager.openPdfFile(dir.path() + "/./Report.pdf", 3));
    EXPECT_EQ(manager.windowCount(), before);
    EXPECT_EQ(window->currentPageNumber(), 3);
    // Out of range: the window stays on its page.
    ASSERT_TRUE(manager.openPdfFile(bookmarked, 99));
    EXPECT_EQ(window->currentPageNumber(), 3);

    // Another file whose name differs only in case is another window.
    ASSERT_TRUE(manager.openPdfFile(plain, 1));
    PdfPreviewWindow* other = manager.windowForFile(plain);
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, window);
    EXPECT_FALSE(other->hasOutlineView());
}

TEST_F(PdfWindowsTest, OutlineRowsFillLazilyAndAClickGoesToTheBookmark)
{
    auto& manager = GtkPdfPreviewManager::instance();
    ASSERT_TRUE(manager.openPdfFile(bookmarked, 1));
    PdfPreviewWindow* window = manager.windowForFile(bookmarked);
    ASSERT_TRUE(RealInput::pumpUntil([&] { return window->get_window() && window->get_window()->is_viewable(); }));
    RealInput::pump(200);
    Gtk::TreeView& outline = window->outlineView();
    auto model = outline.get_model();
    ASSERT_EQ(model->children().size(), 3u);
    // Before it opens, the first row holds only a stand-in for its child.
    ASSERT_EQ(model->children().begin()->children().size(), 1u);
    Glib::ustring label;
    model->children().begin()->children().begin()->get_value(0, label);
    EXPECT_EQ(label, "");
    outline.expand_row(Gtk::TreePath("0"), false);
    model->children().begin()->children().begin()->get_value(0, label);
    EXPECT_EQ(label, "Section");
    RealInput::pump(200);

    Gdk::Rectangle cell;
    outline.get_cell_area(Gtk::TreePath("2"), *outline.get_column(0), cell);
    int x = 0, y = 0;
    outline.convert_bin_window_to_widget_coords(cell.get_x() + 10, cell.get_y() + cell.get_height() / 2, x, y);
    RealInput::click(outline, x, y);
    RealInput::pump(200);
    auto selected = outline.get_selection()->get_selected();
    ASSERT_TRUE(selected) << x << "," << y;
    EXPECT_EQ(model->get_path(selected).to_string(), std::string("2"));
    ASSERT_TRUE(RealInput::pumpUntil([&] { return window->currentPageNumber() == 3; })) << window->currentPageNumber();
    EXPECT_EQ(window->get_title(), "Report.pdf (page 3 of 3)");
}

TEST_F(PdfWindowsTest, ADocumentThatCannotBeReadShowsTheErrorTitle)
{
    auto& manager = GtkPdfPreviewManager::instance();
    ASSERT_TRUE(manager.openPdfFile(broken, 1));
    PdfPreviewWindow* window = manager.windowForFile(broken);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->get_title(), localized("unable_to_open_document"));
    EXPECT_FALSE(window->hasOutlineView());
    EXPECT_EQ(window->currentPageNumber(), -1);
    RealInput::pump(200);
}

TEST_F(PdfWindowsTest, DisplayModeIsRememberedWhenThePreviewCloses)
{
    auto& manager = GtkPdfPreviewManager::instance();
    ASSERT_TRUE(manager.openPdfFile(bookmarked, 1));
    PdfPreviewWindow* window = manager.windowForFile(bookmarked);
    ASSERT_TRUE(RealInput::pumpUntil([&] { return window->get_window() && window->get_window()->is_viewable(); }));
    window->pagesView().setDisplayMode(PdfDisplayMode::TwoUp);
    window->close();
    ASSERT_TRUE(RealInput::pumpUntil([&] { return manager.windowForFile(bookmarked) == nullptr; }));
    EXPECT_EQ(UserDefaults::standard().integerForKey("PdfPreview.DisplayMode"), 3);

    ASSERT_TRUE(manager.openPdfFile(plain, 1));
    EXPECT_EQ(manager.windowForFile(plain)->pagesView().state().displayMode(), PdfDisplayMode::TwoUp);
}

TEST_F(PdfWindowsTest, LinkDialogAnswersThePageShownOrNothing)
{
    const struct {
        std::string file;
        int page;
        bool confirm;
        bool okEnabled;
        std::optional<std::string> link;
    } cases[] = {
        {bookmarked, 2, true, true, bookmarked + "#page=2"},
        {bookmarked, 3, false, true, std::nullopt},
        {broken, 1, true, false, std::nullopt},
    };
    for (const auto& c : cases) {
        bool okEnabled = false;
        PdfLinkDialog::setShownObserver([&](PdfLinkDialog& dialog) {
            Glib::signal_timeout().connect_once(
                [&] {
                    dialog.gotoPageNumber(c.page);
                    okEnabled = dialog.okButton().get_sensitive();
                    if (c.confirm && okEnabled) {
                        Gtk::Button& ok = dialog.okButton();
                        RealInput::click(ok, ok.get_allocated_width() / 2, ok.get_allocated_height() / 2);
                    } else {
                        dialog.close();
                    }
                },
                300);
        });
        EXPECT_EQ(PdfLinkDialog::pdfLinkForFileName(c.file), c.link) << c.file << " " << c.page;
        EXPECT_EQ(okEnabled, c.okEnabled) << c.file;
    }
    PdfLinkDialog::setShownObserver(nullptr);
}

TEST_F(PdfWindowsTest, TheLinkDialogOpensOnTheFirstPageThoughItsBookmarkListTakesTheFocus)
{
    // A report whose first bookmark, its summary, is the last of six pages.
    const std::string report = dir.path() + "/Summary.pdf";
    {
        cairo_surface_t* surface = cairo_pdf_surface_create(report.c_str(), 300, 400);
        cairo_t* cr = cairo_create(surface);
        cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT, "Summary", "page=6",
                                      cairo_pdf_outline_flags_t(0));
        cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT, "Detail", "page=2",
                                      cairo_pdf_outline_flags_t(0));
        for (int page = 1; page <= 6; ++page) cairo_show_page(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    int shownPage = -1;
    int clickedPage = -1;
    bool focused = false;
    PdfLinkDialog::setShownObserver([&](PdfLinkDialog& dialog) {
        Glib::signal_timeout().connect(
            [&, ticks = 0]() mutable {
                focused = dialog.get_focus() == &dialog.outlineView();
                if (!focused && ++ticks < 500) return true;
                // Whatever the focus set off has run by the next turn of the loop.
                Glib::signal_idle().connect_once([&] {
                    shownPage = dialog.currentPageNumber();
                    // The first bookmark is still there to be chosen.
                    Gtk::TreeView& outline = dialog.outlineView();
                    Gdk::Rectangle cell;
                    outline.get_cell_area(Gtk::TreePath("0"), *outline.get_column(0), cell);
                    int x = 0, y = 0;
                    outline.convert_bin_window_to_widget_coords(cell.get_x() + 10, cell.get_y() + cell.get_height() / 2,
                                                                x, y);
                    RealInput::click(outline, x, y);
                    RealInput::pumpUntil([&] { return dialog.currentPageNumber() == 6; });
                    clickedPage = dialog.currentPageNumber();
                    dialog.close();
                });
                return false;
            },
            10);
    });
    EXPECT_EQ(PdfLinkDialog::pdfLinkForFileName(report), std::nullopt);
    PdfLinkDialog::setShownObserver(nullptr);
    EXPECT_TRUE(focused);
    EXPECT_EQ(shownPage, 1);
    EXPECT_EQ(clickedPage, 6);
}

} // namespace
