#include "Editor/gtk/MainWindow.h"

#include "Editor/CommandRouter.h"
#include "Editor/ErrorAlert.h"
#include "Editor/gtk/MenuBarAdapter.h"
#include "MindMaps/MindMap.h"
#include "platform/AlertPanel.h"
#include "platform/Clock.h"
#include "platform/Menu.h"

#include <glibmm/main.h>
#include <gtkmm/entry.h>

namespace {

constexpr int SidePaneWidth = 260;

MainWindowSidePaneFactory& sidePaneFactory()
{
    static MainWindowSidePaneFactory factory;
    return factory;
}

} // namespace

void MainWindow::setSidePaneFactory(MainWindowSidePaneFactory factory)
{
    sidePaneFactory() = std::move(factory);
}

bool MainWindow::sidePaneHasFocus()
{
    Gtk::Widget* focus = get_focus();
    return _sidePane && focus && (focus == &_sidePane->widget() || focus->is_ancestor(_sidePane->widget()));
}

MainWindow::MainWindow(MainMenu& menu, CommandRouter& router)
    : _scheduler(MonotonicClock::shared()), _canvas(&_scheduler, MonotonicClock::shared())
{
    set_default_size(1000, 700);
    _menuBar = std::make_unique<MenuBarAdapter>(menu.bar, router);
    // The canvas's context menu copies these menus and sends its actions the menu bar's way.
    EditorMenuSource menus;
    menus.editMenu = [&menu] { return static_cast<const Menu*>(menu.editMenu); };
    menus.styleMenu = [&menu] { return static_cast<const Menu*>(menu.styleMenu); };
    menus.expansionMenu = [&menu] { return static_cast<const Menu*>(menu.expansionMenu); };
    menus.zoomMenu = [&menu] { return static_cast<const Menu*>(menu.zoomMenu); };
    menus.checkboxMenu = [&menu]() -> Menu* {
        for (const auto& item : menu.editMenu->items())
            if (item->action() == "setupCheckboxes:") return item->submenu();
        return nullptr;
    };
    menus.validateMenu = [&router](Menu& shown) { router.validateMenu(shown); };
    menus.sendAction = [&router](MenuItem& item) { router.sendAction(item.action(), nullptr, &item); };
    _canvas.editorView().setMenuSource(std::move(menus));
    _box.pack_start(_menuBar->menuBar(), Gtk::PACK_SHRINK);
    _canvas.signal_draw().connect(
        [this](const Cairo::RefPtr<Cairo::Context>&) {
            if (_firstFrame) {
                // The frame counts as painted once GTK has handed it to the display.
                auto handler = std::move(_firstFrame);
                _firstFrame = nullptr;
                Glib::signal_idle().connect_once([handler] { handler(); });
            }
            return false;
        },
        false);
    _canvasOverlay.add(_canvas);
    _canvasOverlay.add_overlay(_notificationBar.notificationWidget());
    _canvasOverlay.add_overlay(_notificationBar.progressWidget());
    _notificationPresenter =
        std::make_unique<EditorNotificationPresenter>(FeedbackCenter::feedbackCenter(), _scheduler, _notificationBar);
    _notificationBar.setDismissHandler([this] { _notificationPresenter->dismiss(); });
    if (sidePaneFactory()) _sidePane = sidePaneFactory()(*this);
    if (_sidePane) {
        _paned.pack1(_sidePane->widget(), false, false);
        _paned.pack2(_canvasOverlay, true, false);
        _paned.set_position(SidePaneWidth);
        _box.pack_start(_paned, Gtk::PACK_EXPAND_WIDGET);
    } else {
        _box.pack_start(_canvasOverlay, Gtk::PACK_EXPAND_WIDGET);
    }
    add(_box);
    show_all();
    // Keys go to the map until the user clicks elsewhere.
    _canvas.grab_focus();
    // The window's own commands, after the editor's in the responder chain.
    addAction("performMiniaturize:", [this](const ActionSender*) { iconify(); });
    addAction("performZoom:", [this](const ActionSender*) {
        if (is_maximized()) unmaximize();
        else maximize();
    });
}

MainWindow::~MainWindow() = default;

bool MainWindow::on_key_press_event(GdkEventKey* event)
{
    // A text field (the explorer's search field, a name being edited) takes its own keys first:
    // Delete there deletes a letter, not a topic.
    if (dynamic_cast<Gtk::Entry*>(get_focus()) && gtk_window_propagate_key_event(GTK_WINDOW(gobj()), event))
        return true;
    // Menu keys act before the focused widget sees them, as the menu bar's items would.
    if (_menuBar->handleKeyPress(*event)) return true;
    return Gtk::ApplicationWindow::on_key_press_event(event);
}

bool MainWindow::on_delete_event(GdkEventAny* event)
{
    // The open map is committed while the window and its editor still exist.
    if (_close) _close();
    return Gtk::ApplicationWindow::on_delete_event(event);
}

void MainWindow::showMindMap(std::shared_ptr<MindMap> mindMap)
{
    const bool shown = mindMap != nullptr;
    _canvas.editorView().setMindMap(std::move(mindMap));
    if (!shown) return;
    // The map opens centred, which needs the canvas's size: before the window is first laid
    // out, the centring waits for it.
    _centreOnAllocation.disconnect();
    if (_canvas.get_realized() && _canvas.get_allocated_width() > 1) {
        _canvas.editorView().mindMapLoaded(MindMapLoadedDocument);
        return;
    }
    _centreOnAllocation = _canvas.signal_size_allocate().connect([this](Gtk::Allocation&) {
        _centreOnAllocation.disconnect();
        _canvas.editorView().mindMapLoaded(MindMapLoadedDocument);
    });
}

void MainWindow::setWindowTitle(const std::string& title)
{
    set_title(title);
}

bool MainWindow::canAutoSave()
{
    return _canvas.editorView().canAutoSave();
}

void MainWindow::presentError(const Error& error)
{
    if (_errorHandler) {
        _errorHandler(error);
        return;
    }
    AlertPanel::shared().runModal(ErrorAlert::request(error));
}
