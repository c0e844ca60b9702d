#include "Editor/gtk/MainWindow.h"

#include "Editor/gtk/MainMenuBar.h"
#include "MindMaps/MindMap.h"
#include "platform/CairoGraphicsContext.h"
#include "render/MindMapPaintSelection.h"
#include "render/MindMapPainter.h"

#include <glibmm/main.h>

MainWindow::MainWindow(MainMenu& menu, MenuCommandSink* sink)
{
    set_default_size(1000, 700);
    auto accelGroup = Gtk::AccelGroup::create();
    add_accel_group(accelGroup);
    _menuBar = std::make_unique<MainMenuBar>(menu.bar, sink, accelGroup);
    _box.pack_start(*_menuBar, Gtk::PACK_SHRINK);
    _canvas.set_can_focus(true);
    _canvas.signal_draw().connect(sigc::mem_fun(*this, &MainWindow::drawCanvas), false);
    _box.pack_start(_canvas, Gtk::PACK_EXPAND_WIDGET);
    add(_box);
    show_all();
}

MainWindow::~MainWindow() = default;

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
