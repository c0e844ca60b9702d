#include "platform/gtk/GtkMenuBuilder.h"

#include "platform/NotificationCenter.h"

#include <gtkmm/accellabel.h>
#include <gtkmm/checkmenuitem.h>
#include <gtkmm/menu.h>
#include <gtkmm/separatormenuitem.h>

namespace {

Gdk::ModifierType gdkModifiers(unsigned modifiers)
{
    unsigned state = 0;
    if (modifiers & ShiftKeyModifier) state |= GDK_SHIFT_MASK;
    if (modifiers & ControlKeyModifier) state |= GDK_CONTROL_MASK;
    if (modifiers & AlternateKeyModifier) state |= GDK_MOD1_MASK;
    return static_cast<Gdk::ModifierType>(state);
}

} // namespace

void fillGtkMenu(Gtk::Menu& target, Menu& source,
                 const std::function<void(const std::shared_ptr<MenuItem>& item)>& chosen)
{
    for (Gtk::Widget* old : target.get_children()) target.remove(*old);
    for (const std::shared_ptr<MenuItem>& item : source.items()) {
        if (item->isHidden()) continue;
        Gtk::MenuItem* entry = nullptr;
        if (item->isSeparatorItem()) {
            entry = Gtk::manage(new Gtk::SeparatorMenuItem());
        } else if (Menu* submenu = item->submenu()) {
            entry = Gtk::manage(new Gtk::MenuItem(item->title(), false));
            auto* inner = Gtk::manage(new Gtk::Menu());
            fillGtkMenu(*inner, *submenu, chosen);
            entry->set_submenu(*inner);
        } else {
            if (item->isChecked()) {
                auto* check = Gtk::manage(new Gtk::CheckMenuItem(item->title(), false));
                check->set_active(true);
                entry = check;
            } else {
                entry = Gtk::manage(new Gtk::MenuItem(item->title(), false));
            }
            if (!item->keyEquivalent().empty()) {
                if (auto* label = dynamic_cast<Gtk::AccelLabel*>(entry->get_child()))
                    label->set_accel(gdk_keyval_from_name(item->keyEquivalent().c_str()),
                                     gdkModifiers(item->keyEquivalentModifiers()));
            }
            Menu* owner = &source;
            entry->signal_activate().connect([owner, item, chosen] {
                NotificationCenter::defaultCenter().post(MenuWillSendActionNotification, owner);
                if (chosen) chosen(item);
            });
        }
        entry->set_sensitive(item->isEnabled());
        target.append(*entry);
    }
    target.show_all();
}
