#include "explorers/gtk/GtkExplorerBrowserWindow.h"

#include "explorers/gtk/ExplorerWidgets.h"
#include "explorers/gtk/LocalExplorerView.h"

#include <glibmm/main.h>
#include <gtkmm/application.h>

namespace {

constexpr int DefaultWidth = 380;
constexpr int DefaultHeight = 480;
constexpr int Spacing = 6;

} // namespace

GtkExplorerBrowserWindow::GtkExplorerBrowserWindow(const std::shared_ptr<ExplorerBrowserController>& controller)
    : _controller(controller),
      _window(std::make_unique<ModelessPanelWindow>(ExplorerBrowserController::FrameAutosaveName, controller)),
      _searchField(std::make_unique<MindMapSearchField>())
{
    _window->set_default_size(DefaultWidth, DefaultHeight);
    if (auto application = Glib::RefPtr<Gtk::Application>::cast_dynamic(Gio::Application::get_default()))
        if (Gtk::Window* active = application->get_active_window()) _window->set_transient_for(*active);
    _searchEntry = std::make_unique<ExplorerSearchEntry>(*_searchField);
    _searchEntry->setMenuShownHandler([this](bool shown) {
        if (auto controller = _controller.lock()) controller->setOwnMenuShown(shown);
    });
    _box.set_spacing(Spacing);
    _box.set_border_width(Spacing);
    _box.pack_start(*_searchEntry, Gtk::PACK_SHRINK);
    _label.set_ellipsize(Pango::ELLIPSIZE_MIDDLE);
    _label.set_xalign(0);
    _buttons.set_spacing(Spacing);
    _buttons.pack_start(_label, Gtk::PACK_EXPAND_WIDGET);
    _buttons.pack_end(_ok, Gtk::PACK_SHRINK);
    _buttons.pack_end(_cancel, Gtk::PACK_SHRINK);
    _box.pack_end(_buttons, Gtk::PACK_SHRINK);
    _window->add(_box);
    _ok.get_style_context()->add_class("suggested-action");
    _ok.signal_clicked().connect([this] {
        if (auto controller = _controller.lock()) controller->okButtonClicked();
    });
    _cancel.signal_clicked().connect([this] {
        if (auto controller = _controller.lock()) controller->cancelButtonClicked();
    });
    // OK and the caption follow the pick after everything the user does.
    _window->signal_event_after().connect([this](GdkEvent*) { scheduleUpdate(); });
}

GtkExplorerBrowserWindow::~GtkExplorerBrowserWindow()
{
    _update.disconnect();
    _window->remove();
}

void GtkExplorerBrowserWindow::setButtonTitles(const std::string& ok, const std::string& cancel)
{
    _ok.set_label(ok);
    _cancel.set_label(cancel);
}

void GtkExplorerBrowserWindow::removeSearchField()
{
    if (_searchEntry) _box.remove(*_searchEntry);
    _searchEntry.reset();
    _searchField.reset();
}

void GtkExplorerBrowserWindow::embedExplorer(MindMapExplorerBase& explorer)
{
    _explorerWidget = makeExplorerWidget(explorer);
    if (!_explorerWidget) return;
    _box.pack_start(*_explorerWidget, Gtk::PACK_EXPAND_WIDGET);
    if (auto* view = dynamic_cast<LocalExplorerView*>(_explorerWidget.get()))
        view->setSelectionChangedHandler([this] { scheduleUpdate(); });
}

void GtkExplorerBrowserWindow::focusExplorer()
{
    if (auto* view = dynamic_cast<LocalExplorerView*>(_explorerWidget.get())) view->treeView().grab_focus();
    else if (_explorerWidget) _explorerWidget->grab_focus();
}

void GtkExplorerBrowserWindow::show()
{
    _window->show_all();
    _window->present();
}

void GtkExplorerBrowserWindow::scheduleUpdate()
{
    if (_update.connected()) return;
    _update = Glib::signal_idle().connect([this] {
        if (auto controller = _controller.lock()) controller->windowDidUpdate();
        return false;
    });
}
