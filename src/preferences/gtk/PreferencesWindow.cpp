#include "preferences/gtk/PreferencesWindow.h"

#include "panels/gtk/ModalDialog.h"
#include "platform/UserDefaults.h"

#include <gdkmm/display.h>
#include <gdkmm/monitor.h>
#include <gtkmm/separatortoolitem.h>

#include <algorithm>
#include <cmath>

namespace {

PreferencesWindow::PaneContents& paneContents()
{
    static PreferencesWindow::PaneContents contents;
    return contents;
}

std::map<std::string, std::function<Gtk::Widget*()>>& singlePaneContents()
{
    static std::map<std::string, std::function<Gtk::Widget*()>> contents;
    return contents;
}

Gtk::Widget* contentsOfPane(const std::string& identifier)
{
    const auto single = singlePaneContents().find(identifier);
    if (single != singlePaneContents().end() && single->second)
        if (Gtk::Widget* contents = single->second()) return contents;
    return paneContents() ? paneContents()(identifier) : nullptr;
}

PreferencePaneFactory& paneFactory()
{
    static PreferencePaneFactory factory;
    return factory;
}

// A pane that only shows the widget its owner installs, or nothing while there is none.
class ContentsPane : public PreferencePane {
public:
    using PreferencePane::PreferencePane;

    // A first control chosen without knowing the pane could be a selectable text, shown selected.
    bool masFocusesFirstControl() const override { return false; }

protected:
    Gtk::Widget& loadView() override
    {
        Gtk::Widget* contents = contentsOfPane(masIdentifier());
        return contents ? *contents : _empty;
    }

private:
    Gtk::Box _empty{Gtk::ORIENTATION_VERTICAL, 0};
};

Rect rectOf(const Gdk::Rectangle& area)
{
    return Rect{Point{double(area.get_x()), double(area.get_y())},
                Size{double(area.get_width()), double(area.get_height())}};
}

} // namespace

void PreferencesWindow::setPaneContents(PaneContents contents)
{
    paneContents() = std::move(contents);
}

void PreferencesWindow::addPaneContents(const std::string& identifier, std::function<Gtk::Widget*()> contents)
{
    singlePaneContents()[identifier] = std::move(contents);
}

void PreferencesWindow::setPaneFactory(PreferencePaneFactory factory)
{
    paneFactory() = std::move(factory);
}

PreferencesWindow::PreferencesWindow(std::span<const PreferencePaneInfo> panes, double minimumWidth)
{
    set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
    set_resizable(false);
    set_position(Gtk::WIN_POS_CENTER);
    _toolbar.set_toolbar_style(Gtk::TOOLBAR_BOTH);
    _toolbar.set_icon_size(Gtk::ICON_SIZE_LARGE_TOOLBAR);
    _toolbar.set_show_arrow(true);

    std::vector<std::unique_ptr<MASPreferencesViewController>> controllers;
    for (const PreferencePaneInfo& info : panes) {
        std::unique_ptr<PreferencePane> pane = paneFactory() ? paneFactory()(info) : nullptr;
        if (!pane) pane = std::make_unique<ContentsPane>(info);
        controllers.push_back(std::move(pane));
    }
    _controller = std::make_unique<MASPreferencesWindowController>(std::move(controllers), "", minimumWidth,
                                                                   UserDefaults::standard());

    Gtk::RadioToolButton::Group group = _noItem.get_group();
    for (const auto& controller : _controller->viewControllers()) {
        if (!controller) {
            auto space = std::make_unique<Gtk::SeparatorToolItem>();
            space->set_draw(false);
            space->set_expand(true);
            _toolbar.append(*space);
            _items.push_back(std::move(space));
            continue;
        }
        auto item = std::make_unique<Gtk::RadioToolButton>(group, controller->masToolbarItemLabel());
        item->set_icon_name(controller->masToolbarItemImage());
        item->set_is_important(true);
        const std::string identifier = controller->masIdentifier();
        Gtk::RadioToolButton* button = item.get();
        button->signal_toggled().connect([this, button, identifier] {
            if (_updatingToolbar || !button->get_active()) return;
            _controller->toolbarItemDidClick(identifier);
        });
        _itemsByIdentifier[identifier] = button;
        _toolbar.append(*item);
        _items.push_back(std::move(item));
    }
    _box.pack_start(_toolbar, Gtk::PACK_SHRINK);
    _box.pack_start(_content, Gtk::PACK_EXPAND_WIDGET);
    add(_box);
    _box.show_all();
    _controller->windowDidLoad(*this);
}

PreferencesWindow::~PreferencesWindow()
{
    clearContent();
}

std::string PreferencesWindow::selectedPane() const
{
    MASPreferencesViewController* selected = _controller->selectedViewController();
    return selected ? selected->masIdentifier() : std::string();
}

std::vector<std::string> PreferencesWindow::paneIdentifiers() const
{
    return _controller->toolbarItemIdentifiers();
}

Gtk::RadioToolButton* PreferencesWindow::toolbarItem(const std::string& identifier)
{
    auto found = _itemsByIdentifier.find(identifier);
    return found == _itemsByIdentifier.end() ? nullptr : found->second;
}

void PreferencesWindow::selectPane(const std::string& identifier)
{
    _controller->selectControllerWithIdentifier(identifier);
}

void PreferencesWindow::show()
{
    const bool wasHidden = !get_visible();
    present();
    // Closing told the pane it disappeared; showing again brings it back.
    if (wasHidden && _controller->selectedViewController() && _closedOnce)
        _controller->selectedViewController()->masViewWillAppear();
}

void PreferencesWindow::close()
{
    if (!get_visible()) return;
    if (!_controller->windowShouldClose()) return;
    _closedOnce = true;
    hide();
}

bool PreferencesWindow::on_delete_event(GdkEventAny*)
{
    close();
    return true;
}

bool PreferencesWindow::on_configure_event(GdkEventConfigure* event)
{
    const bool handled = Gtk::Window::on_configure_event(event);
    if (get_visible() && placesItsWindows()) {
        int x = 0, y = 0;
        get_position(x, y);
        const Point topLeft{double(x), double(y)};
        if (topLeft.x != _lastTopLeft.x || topLeft.y != _lastTopLeft.y) {
            _lastTopLeft = topLeft;
            _controller->windowDidMove(topLeft);
        }
    }
    return handled;
}

bool PreferencesWindow::on_key_press_event(GdkEventKey* event)
{
    const bool control = (event->state & gtk_accelerator_get_default_mod_mask()) == GDK_CONTROL_MASK;
    if (control && event->keyval == GDK_KEY_Page_Down) {
        _controller->goNextTab();
        return true;
    }
    if (control && event->keyval == GDK_KEY_Page_Up) {
        _controller->goPreviousTab();
        return true;
    }
    if (control && (event->keyval == GDK_KEY_w || event->keyval == GDK_KEY_W)) {
        close();
        return true;
    }
    return Gtk::Window::on_key_press_event(event);
}

void PreferencesWindow::setTitle(const std::string& title)
{
    set_title(title);
}

void PreferencesWindow::setSelectedToolbarItem(const std::string& identifier)
{
    _updatingToolbar = true;
    Gtk::RadioToolButton* item = toolbarItem(identifier);
    (item ? *item : _noItem).set_active(true);
    _updatingToolbar = false;
}

size_t PreferencesWindow::toolbarItemCount() const
{
    return _items.size();
}

size_t PreferencesWindow::visibleToolbarItemCount(double windowWidth) const
{
    double used = 0;
    size_t shown = 0;
    for (const auto& item : _items) {
        int minimum = 0, natural = 0;
        item->get_preferred_width(minimum, natural);
        used += natural;
        if (used > windowWidth) break;
        ++shown;
    }
    return shown;
}

Rect PreferencesWindow::frame() const
{
    int x = 0, y = 0;
    get_position(x, y);
    return Rect{Point{double(x), double(y)}, Size{_contentSize.width, toolbarHeight() + _contentSize.height}};
}

Size PreferencesWindow::frameSizeForContentSize(Size contentSize) const
{
    return Size{contentSize.width, toolbarHeight() + contentSize.height};
}

void PreferencesWindow::setFrame(const Rect& frame, bool)
{
    _contentSize = Size{frame.width(), std::max(0.0, frame.height() - toolbarHeight())};
    const int width = static_cast<int>(std::lround(_contentSize.width));
    const int height = static_cast<int>(std::lround(_contentSize.height));
    _content.set_size_request(width, height);
    resize(width, static_cast<int>(std::lround(frame.height())));
    int x = 0, y = 0;
    get_position(x, y);
    if (placesItsWindows() && (std::lround(frame.minX()) != x || std::lround(frame.minY()) != y))
        move(static_cast<int>(std::lround(frame.minX())), static_cast<int>(std::lround(frame.minY())));
}

bool PreferencesWindow::isVisible() const
{
    return get_visible();
}

double PreferencesWindow::screenWidth() const
{
    auto* self = const_cast<PreferencesWindow*>(this);
    Glib::RefPtr<Gdk::Display> display = self->get_display();
    Glib::RefPtr<const Gdk::Monitor> monitor;
    if (const Glib::RefPtr<Gdk::Window> window = self->get_window()) monitor = display->get_monitor_at_window(window);
    if (!monitor) monitor = display->get_primary_monitor();
    if (!monitor && display->get_n_monitors() > 0) monitor = display->get_monitor(0);
    if (!monitor) return 0;
    Gdk::Rectangle area;
    monitor->get_geometry(area);
    return area.get_width();
}

std::vector<Rect> PreferencesWindow::monitorAreas() const
{
    std::vector<Rect> areas;
    if (!placesItsWindows()) return areas;
    Glib::RefPtr<const Gdk::Display> display = get_display();
    for (int i = 0; i < display->get_n_monitors(); ++i) {
        Gdk::Rectangle area;
        display->get_monitor(i)->get_geometry(area);
        areas.push_back(rectOf(area));
    }
    return areas;
}

Size PreferencesWindow::fittingSize(MASPreferencesViewController& pane)
{
    Gtk::Widget& view = static_cast<PreferencePane&>(pane).view();
    view.show_all();
    int minimum = 0, width = 0, height = 0;
    view.get_preferred_width(minimum, width);
    view.get_preferred_height_for_width(width, minimum, height);
    // The margins of an earlier embedding are not the view's own size.
    return Size{double(width - view.get_margin_start() - view.get_margin_end()),
                double(height - view.get_margin_top() - view.get_margin_bottom())};
}

void PreferencesWindow::showPane(MASPreferencesViewController& pane, Size contentSize)
{
    _contentSize = contentSize;
    _content.set_size_request(static_cast<int>(std::lround(contentSize.width)),
                              static_cast<int>(std::lround(contentSize.height)));
    EmbedViewInContainer(static_cast<PreferencePane&>(pane).view(), _content, true);
}

void PreferencesWindow::clearContent()
{
    for (Gtk::Widget* child : _content.get_children()) _content.remove(*child);
}

void PreferencesWindow::focusInitialKeyView(MASPreferencesViewController& pane)
{
    Gtk::Widget& view = static_cast<PreferencePane&>(pane).view();
    Gtk::Widget* focus = get_focus();
    if (focus && focus->is_ancestor(_content)) return;
    if (pane.masFocusesFirstControl()) view.child_focus(Gtk::DIR_TAB_FORWARD);
    else unset_focus();
}

bool PreferencesWindow::placesItsWindows() const
{
    // Wayland lets no program place its own windows: the stored place is kept, not applied.
    const char* type = G_OBJECT_TYPE_NAME(get_display()->gobj());
    return !type || std::string(type).find("Wayland") == std::string::npos;
}

double PreferencesWindow::toolbarHeight() const
{
    int minimum = 0, natural = 0;
    _toolbar.get_preferred_height(minimum, natural);
    return natural;
}
