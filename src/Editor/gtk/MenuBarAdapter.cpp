#include "Editor/gtk/MenuBarAdapter.h"

#include "Editor/CommandRouter.h"
#include "platform/NotificationCenter.h"

#include <gtkmm/accellabel.h>
#include <gtkmm/checkmenuitem.h>
#include <gtkmm/menu.h>
#include <gtkmm/separatormenuitem.h>

namespace {

constexpr unsigned modifierMask = ShiftKeyModifier | ControlKeyModifier | AlternateKeyModifier;

unsigned modifiersOf(unsigned gdkState)
{
    unsigned modifiers = 0;
    if (gdkState & GDK_SHIFT_MASK) modifiers |= ShiftKeyModifier;
    if (gdkState & GDK_CONTROL_MASK) modifiers |= ControlKeyModifier;
    if (gdkState & GDK_MOD1_MASK) modifiers |= AlternateKeyModifier;
    return modifiers & modifierMask;
}

Gdk::ModifierType gdkModifiers(unsigned modifiers)
{
    unsigned state = 0;
    if (modifiers & ShiftKeyModifier) state |= GDK_SHIFT_MASK;
    if (modifiers & ControlKeyModifier) state |= GDK_CONTROL_MASK;
    if (modifiers & AlternateKeyModifier) state |= GDK_MOD1_MASK;
    return static_cast<Gdk::ModifierType>(state);
}

} // namespace

MenuBarAdapter::MenuBarAdapter(std::shared_ptr<Menu> mainMenu, CommandRouter& router)
    : _mainMenu(std::move(mainMenu)), _router(router)
{
    for (const std::shared_ptr<MenuItem>& top : _mainMenu->items()) {
        std::shared_ptr<Menu> submenu = top->submenu() ? std::shared_ptr<Menu>(top, top->submenu()) : nullptr;
        if (!submenu) continue;
        auto* entry = Gtk::manage(new Gtk::MenuItem(top->title(), false));
        auto* menu = Gtk::manage(new Gtk::Menu());
        entry->set_submenu(*menu);
        // The map may have changed since the menu was last open: its entries are made anew.
        entry->signal_activate().connect([this, menu, submenu] {
            NotificationCenter::defaultCenter().post(MenuDidBeginTrackingNotification, submenu.get());
            _router.validateMenu(*submenu);
            fillMenu(*menu, submenu);
        });
        _menuBar.append(*entry);
    }
    _menuBar.show_all();
}

void MenuBarAdapter::fillMenu(Gtk::Menu& target, const std::shared_ptr<Menu>& source)
{
    for (Gtk::Widget* old : target.get_children()) target.remove(*old);
    for (const std::shared_ptr<MenuItem>& item : source->items()) {
        if (item->isHidden()) continue;
        Gtk::MenuItem* entry = nullptr;
        if (item->isSeparatorItem()) {
            entry = Gtk::manage(new Gtk::SeparatorMenuItem());
        } else if (item->submenu()) {
            entry = Gtk::manage(new Gtk::MenuItem(item->title(), false));
            auto* inner = Gtk::manage(new Gtk::Menu());
            fillMenu(*inner, std::shared_ptr<Menu>(item, item->submenu()));
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
            entry->signal_activate().connect([this, item, source] {
                NotificationCenter::defaultCenter().post(MenuWillSendActionNotification, source.get());
                _router.sendAction(item->action(), nullptr, item.get());
            });
        }
        entry->set_sensitive(item->isEnabled());
        target.append(*entry);
    }
    target.show_all();
}

bool MenuBarAdapter::handleKeyPress(const GdkEventKey& event)
{
    const char* name = gdk_keyval_name(gdk_keyval_to_lower(event.keyval));
    if (!name) return false;
    return _router.performKeyEquivalent(*_mainMenu, name, modifiersOf(event.state));
}
