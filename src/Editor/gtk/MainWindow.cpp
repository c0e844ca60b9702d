#include "Editor/gtk/MainWindow.h"

#include "Editor/gtk/MenuBarAdapter.h"
#include "MindMaps/MindMap.h"
#include "platform/CairoGraphicsContext.h"
#include "render/MindMapPaintSelection.h"
#include "render/MindMapPainter.h"

#include <glibmm/main.h>

MainWindow::MainWindow(MainMenu& menu, CommandRouter& router)
{
    set_default_size(1000, 700);
    _menuBar = std::make_unique<MenuBarAdapter>(menu.bar, router);
    _box.pack_start(_menuBar->menuBar(), Gtk::PACK_SHRINK);
    _canvas.set_can_focus(true);
    _canvas.signal_draw().connect(sigc::mem_fun(*this, &MainWindow::drawCanvas), false);
    _box.pack_start(_canvas, Gtk::PACK_EXPAND_WIDGET);
    add(_box);
    show_all();
}

MainWindow::~MainWindow() = default;

bool MainWindow::on_key_press_event(GdkEventKey* event)
{
    // Menu keys act before the focused widget sees them, as the menu bar's items would.
    if (_menuBar->handleKeyPress(*event)) return true;
    return Gtk::ApplicationWindow::on_key_press_event(event);
}

void MainWindow::showMindMap(MindMap* mindMap)
{
    _mindMap = mindMap;
    _canvas.queue_draw();
}

bool MainWindow::drawCanvas(const Cairo::RefPtr<Cairo::Context>& cr)
{
    cr->set_source_rgb(1, 1, 1);
    cr->paint();
    if (_mindMap) {
        // The map's origin is its central theme: put it in the middle of the canvas.
        cr->save();
        cr->translate(_canvas.get_allocated_width() / 2.0, _canvas.get_allocated_height() / 2.0);
        CairoGraphicsContext context(cr->cobj(), GraphicsSurfaceKind::Screen);
        auto selection = MindMapPaintSelection::mindMapPaintSelection(*_mindMap, false);
        MindMapPainter::paintMindMap(context, *selection, 0, Rect());
        cr->restore();
    }
    if (_firstFrame) {
        // The frame counts as painted once GTK has handed it to the display.
        auto handler = std::move(_firstFrame);
        _firstFrame = nullptr;
        Glib::signal_idle().connect_once([handler] { handler(); });
    }
    return true;
}
