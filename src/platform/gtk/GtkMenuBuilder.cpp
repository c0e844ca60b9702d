#include "platform/gtk/GtkMenuBuilder.h"

#include "platform/Image.h"
#include "platform/NotificationCenter.h"
#include "platform/TextExcerpt.h"
#include "platform/gtk/GtkNamedImages.h"

#include <gtkmm/accellabel.h>
#include <gtkmm/box.h>
#include <gtkmm/checkmenuitem.h>
#include <gtkmm/image.h>
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

// A picture before the title; answers the title's label, which shows the key. The title stays
// plain text: names come from users and files.
Gtk::AccelLabel* addPicture(Gtk::MenuItem& entry, const MenuItem& item, const std::string& title)
{
    if (!item.image() && item.imageName().empty()) return dynamic_cast<Gtk::AccelLabel*>(entry.get_child());
    auto* image = Gtk::manage(new Gtk::Image());
    if (item.image()) setGtkImagePicture(*image, *item.image());
    else setGtkImageNamed(*image, item.imageName());
    auto* label = Gtk::manage(new Gtk::AccelLabel(title, false));
    label->set_use_markup(false);
    label->set_xalign(0);
    label->set_accel_widget(entry);
    auto* row = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 6));
    row->pack_start(*image, Gtk::PACK_SHRINK);
    row->pack_start(*label, Gtk::PACK_EXPAND_WIDGET);
    if (entry.get_child()) static_cast<Gtk::Bin&>(entry).remove();
    entry.add(*row);
    return label;
}

} // namespace

void fillGtkMenu(Gtk::Menu& target, Menu& source,
                 const std::function<void(const std::shared_ptr<MenuItem>& item)>& chosen)
{
    for (Gtk::Widget* old : target.get_children()) target.remove(*old);
    for (const std::shared_ptr<MenuItem>& item : source.items()) {
        if (item->isHidden()) continue;
        // A map's title, a style's or a folder's name: the user's text, which may be a long one.
        const std::string title = TextExcerpt::excerpt(item->title(), TextExcerpt::Quote);
        Gtk::MenuItem* entry = nullptr;
        if (item->isSeparatorItem()) {
            entry = Gtk::manage(new Gtk::SeparatorMenuItem());
        } else if (Menu* submenu = item->submenu()) {
            entry = Gtk::manage(new Gtk::MenuItem(title, false));
            auto* inner = Gtk::manage(new Gtk::Menu());
            fillGtkMenu(*inner, *submenu, chosen);
            entry->set_submenu(*inner);
        } else {
            if (item->isChecked()) {
                auto* check = Gtk::manage(new Gtk::CheckMenuItem(title, false));
                check->set_active(true);
                entry = check;
            } else {
                entry = Gtk::manage(new Gtk::MenuItem(title, false));
            }
            Gtk::AccelLabel* label = addPicture(*entry, *item, title);
            if (!item->keyEquivalent().empty()) {
                if (label)
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
