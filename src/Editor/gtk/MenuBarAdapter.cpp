#include "Editor/gtk/MenuBarAdapter.h"

#include "Editor/CommandRouter.h"
#include "platform/NotificationCenter.h"
#include "platform/gtk/GtkMenuBuilder.h"

#include <gtkmm/menu.h>

namespace {

unsigned modifiersOf(unsigned gdkState)
{
    unsigned modifiers = 0;
    if (gdkState & GDK_SHIFT_MASK) modifiers |= ShiftKeyModifier;
    if (gdkState & GDK_CONTROL_MASK) modifiers |= ControlKeyModifier;
    if (gdkState & GDK_MOD1_MASK) modifiers |= AlternateKeyModifier;
    return modifiers;
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
        auto fill = [this, menu, submenu] {
            _router.validateMenu(*submenu);
            fillGtkMenu(*menu, *submenu, [this](const std::shared_ptr<MenuItem>& item) {
                _router.sendAction(item->action(), nullptr, item.get());
            });
        };
        // GTK sizes a menu before the bar entry says it opens: an empty one pops up blank.
        fill();
        entry->signal_activate().connect([submenu, fill] {
            NotificationCenter::defaultCenter().post(MenuDidBeginTrackingNotification, submenu.get());
            fill();
        });
        _menuBar.append(*entry);
    }
    _menuBar.show_all();
}

bool MenuBarAdapter::handleKeyPress(const GdkEventKey& event)
{
    const char* name = gdk_keyval_name(gdk_keyval_to_lower(event.keyval));
    if (!name) return false;
    unsigned state = event.state;
    // A symbol typed with Shift ("+" on most keyboards) names its key already: Ctrl and the "+"
    // key is Ctrl+plus, as the menu shows it. A letter keeps its Shift, which tells Ctrl+Shift+Z
    // from Ctrl+Z.
    const bool hasCase = gdk_keyval_to_lower(event.keyval) != gdk_keyval_to_upper(event.keyval);
    GdkDisplay* display = event.window ? gdk_window_get_display(event.window) : gdk_display_get_default();
    GdkModifierType consumed = GdkModifierType(0);
    if (!hasCase && display &&
        gdk_keymap_translate_keyboard_state(gdk_keymap_get_for_display(display), event.hardware_keycode,
                                            GdkModifierType(event.state), event.group, nullptr, nullptr, nullptr,
                                            &consumed))
        state &= ~(consumed & GDK_SHIFT_MASK);
    return _router.performKeyEquivalent(*_mainMenu, name, modifiersOf(state));
}
