#include "panels/gtk/PdfWindows.h"

#include "MindMaps/DiagramLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "RealInput.h"
#include "editor-view/gtk/MindMapEditorCanvas.h"
#include "formats/TwkxMindMapReader.h"
#include "layout/LayoutInstallation.h"
#include "platform/Clock.h"
#include "platform/MainLoop.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/MainLoopScheduler.h"
#include "support/TempDir.h"

#include <cairo-pdf.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

bool xdotool(const std::string& arguments)
{
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

void writeNumberedPdf(const std::string& path, int pages)
{
    cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), 300, 400);
    cairo_t* cr = cairo_create(surface);
    for (int page = 1; page <= pages; ++page) {
        cairo_set_font_size(cr, 120);
        cairo_move_to(cr, 100, 250);
        cairo_show_text(cr, std::to_string(page).c_str());
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

} // namespace

// A map on the canvas whose theme links to page 4 of a PDF: a click on the link icon with the
// display's pointer opens the viewer at that page, and a second click brings the same window back.
TEST(PdfLinkClickTest, ClickingAPageLinkInAMapOpensTheViewerAtThatPage)
{
    if (!RealInput::startGtk()) TARNWICK_REQUIRE_DISPLAY(false);
    if (!xdotool("version")) GTEST_SKIP() << "no xdotool";
    registerNativeFormat();
    installLayout();
    installPdfWindows();
    for (const char* key : {"PdfPreview.DisplayMode", "PdfPreview.AutoScale", "PdfPreviewAutoSaveFrame"})
        UserDefaults::standard().removeObject(key);
    TempDir dir;
    const std::string pdf = dir.file("Field Notes.pdf");
    writeNumberedPdf(pdf, 6);

    MainLoopScheduler scheduler{MonotonicClock::shared()};
    auto canvas = std::make_unique<MindMapEditorCanvas>(&scheduler, MonotonicClock::shared());
    Gtk::Window window;
    window.set_default_size(600, 320);
    window.add(*canvas);
    auto map = std::make_shared<MindMap>();
    map->newMindMap("", true, std::string("Reading"));
    canvas->editorView().setMindMap(map);
    window.show_all();
    MindMapNode* theme = map->mainCentralTheme();
    map->setSelectedElement(theme);
    // As the link dialog writes it.
    map->addDiagramLink(pdf + "#page=4", "", DiagramLink::LinkTypeURL);
    map->setSelectedElement(nullptr);
    map->validateElementStates();
    canvas->editorView().scrollMapPointToCenter(theme->location());
    MainLoop::runFor(0.3);
    ASSERT_NE(theme->diagramLink(), nullptr);

    const auto clickLink = [&] {
        const Size iconSize = theme->diagramLink()->icon()->size();
        const Point iconCentre = theme->diagramLinkOrigin() + Point(iconSize.width / 2, iconSize.height / 2);
        ASSERT_EQ(theme->getHitTestInfo(iconCentre), MindMapNode::HitLinkIcon);
        const Point viewPoint = canvas->editorView().mapToViewSpace(iconCentre);
        int rootX = 0, rootY = 0;
        canvas->get_window()->get_root_coords(int(viewPoint.x), int(viewPoint.y), rootX, rootY);
        // A synchronous move waits for the pointer to arrive: it must start from elsewhere.
        ASSERT_TRUE(xdotool("mousemove --sync " + std::to_string(rootX + 40) + " " + std::to_string(rootY + 40)));
        ASSERT_TRUE(xdotool("mousemove --sync " + std::to_string(rootX) + " " + std::to_string(rootY)));
        MainLoop::runFor(0.05);
        ASSERT_TRUE(xdotool("click 1"));
    };
    auto& manager = GtkPdfPreviewManager::instance();
    clickLink();
    ASSERT_TRUE(RealInput::pumpUntil([&] { return manager.windowForFile(pdf) != nullptr; }));
    PdfPreviewWindow* viewer = manager.windowForFile(pdf);
    ASSERT_TRUE(RealInput::pumpUntil([&] { return viewer->pagesView().cachedPages() > 0; }));
    EXPECT_EQ(viewer->currentPageNumber(), 4);
    EXPECT_EQ(viewer->get_title(), "Field Notes.pdf (page 4 of 6)");
    if (const char* folder = std::getenv("TARNWICK_SCREENSHOT_DIR")) {
        RealInput::pump(300);
        auto shot = Gdk::Pixbuf::create(viewer->get_window(), 0, 0, viewer->get_width(), viewer->get_height());
        if (shot) shot->save(std::string(folder) + "/pdf-link-clicked.png", "png");
    }

    // Paged on, then the link is followed again: the same window returns to page 4.
    viewer->gotoPageNumber(6);
    // Out of the map's way: there is no window manager to raise the map's window on a click.
    viewer->move(700, 0);
    ASSERT_TRUE(RealInput::pumpUntil([&] {
        int x = 0, y = 0;
        viewer->get_position(x, y);
        return x >= 700;
    }));
    RealInput::pump(800);
    clickLink();
    ASSERT_TRUE(RealInput::pumpUntil([&] { return viewer->currentPageNumber() == 4; }));
    EXPECT_EQ(manager.windowForFile(pdf), viewer);
    manager.removeWindow(viewer);
    canvas->editorView().setMindMap(nullptr);
    RealInput::pump();
}
