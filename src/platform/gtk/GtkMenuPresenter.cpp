#include "platform/gtk/GtkMenuPresenter.h"

#include "platform/NotificationCenter.h"

#include <gtkmm.h>

namespace {

// A chosen item's action may rebuild or drop the plain menu: the handler keeps what it needs.
struct Choice {
    Menu* menu;
    MenuPresenter::ChosenHandler chosen;
};

void fillMenu(Gtk::Menu& target, Menu& source, const std::shared_ptr<Choice>& choice)
{
    for (const std::shared_ptr<MenuItem>& item : source.items()) {
        if (item->isHidden()) continue;
        Gtk::MenuItem* entry = nullptr;
        if (item->isSeparatorItem()) {
            entry = Gtk::manage(new Gtk::SeparatorMenuItem());
        } else if (Menu* submenu = item->submenu()) {
            entry = Gtk::manage(new Gtk::MenuItem(item->title(), false));
            auto* inner = Gtk::manage(new Gtk::Menu());
            fillMenu(*inner, *submenu, choice);
            entry->set_submenu(*inner);
        } else {
            if (item->isChecked()) {
                auto* check = Gtk::manage(new Gtk::CheckMenuItem(item->title(), false));
                check->set_active(true);
                entry = check;
            } else {
                entry = Gtk::manage(new Gtk::MenuItem(item->title(), false));
            }
            entry->signal_activate().connect([choice, item] {
                NotificationCenter::defaultCenter().post(MenuWillSendActionNotification, choice->menu);
                if (choice->chosen) choice->chosen(*item);
            });
        }
        entry->set_sensitive(item->isEnabled());
        target.append(*entry);
    }
    target.show_all();
}

} // namespace

GtkMenuPresenter::GtkMenuPresenter(Gtk::Widget& widget) : _widget(widget)
{
}

GtkMenuPresenter::~GtkMenuPresenter() = default;

void GtkMenuPresenter::popUpMenu(Menu& menu, Point inView, int, ChosenHandler chosen)
{
    NotificationCenter::defaultCenter().post(MenuDidBeginTrackingNotification, &menu);
    _shown = std::make_unique<Gtk::Menu>();
    fillMenu(*_shown, menu, std::make_shared<Choice>(Choice{&menu, std::move(chosen)}));
    _shown->attach_to_widget(_widget);
    auto window = _widget.get_window();
    if (!window) return;
    const Gtk::Allocation allocation = _widget.get_allocation();
    // The widget's window may be its parent's: the point is in the widget's own coordinates.
    int x = static_cast<int>(inView.x);
    int y = static_cast<int>(inView.y);
    if (!_widget.get_has_window()) {
        x += allocation.get_x();
        y += allocation.get_y();
    }
    _shown->popup_at_rect(window, Gdk::Rectangle(x, y, 1, 1), Gdk::GRAVITY_NORTH_WEST, Gdk::GRAVITY_NORTH_WEST,
                          nullptr);
}
