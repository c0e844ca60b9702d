#include "Editor/gtk/MenuBarAdapter.h"

#include "Editor/CommandRouter.h"
#include "platform/NotificationCenter.h"
#include "platform/gtk/GtkMenuBuilder.h"

#include <glibmm/main.h>
#include <gtkmm/menu.h>

#include <utility>

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
        // The map may have changed since the menu was last open: its entries are made anew as
        // the bar entry is selected, before GTK opens the menu.
        auto fill = [this, entry, submenu] { fillMenu(*entry, *submenu); };
        // Selecting comes first when the pointer or a key opens the menu; a screen reader's click
        // only activates.
        entry->signal_select().connect(fill, false);
        entry->signal_activate().connect([submenu, fill] {
            NotificationCenter::defaultCenter().post(MenuDidBeginTrackingNotification, submenu.get());
            fill();
        });
        _entries.emplace_back(entry, submenu);
        _menuBar.append(*entry);
    }
    _menuBar.show_all();
    // The bar shows its titles at once; the menus themselves, a few milliseconds of widgets, are
    // made when the main loop is next idle, or when an entry is selected before that.
    _refillWanted = true;
    scheduleRefill();
}

void MenuBarAdapter::fillMenu(Gtk::MenuItem& entry, Menu& submenu)
{
    _router.validateMenu(submenu);
    const auto chosen = [this](const std::shared_ptr<MenuItem>& item) {
        _router.sendAction(item->action(), nullptr, item.get());
    };
    // A menu on screen is filled where it is: taken from its entry while shown, it would stay up
    // with the keyboard's grab and nothing drawn.
    if (Gtk::Menu* shown = entry.get_submenu(); shown && shown->get_mapped()) {
        fillGtkMenu(*shown, submenu, chosen);
        return;
    }
    // Otherwise a menu of its own: GTK keeps a menu's first height, so a reused menu that lost an
    // entry would show a blank row at its end.
    auto* menu = Gtk::manage(new Gtk::Menu());
    fillGtkMenu(*menu, submenu, chosen);
    entry.set_submenu(*menu);
}

MenuBarAdapter::~MenuBarAdapter()
{
    _pendingRefill.disconnect();
}

void MenuBarAdapter::refillMenus()
{
    for (auto& [entry, submenu] : _entries)
        if (Gtk::Menu* shown = entry->get_submenu(); shown && shown->get_mapped()) fillMenu(*entry, *submenu);
    if (_refillsHeld) {
        _refillWanted = true;
        return;
    }
    scheduleRefill();
}

void MenuBarAdapter::scheduleRefill()
{
    if (_pendingRefill.connected()) return;
    _pendingRefill = Glib::signal_idle().connect([this] {
        _refillWanted = false;
        for (auto& [entry, submenu] : _entries) fillMenu(*entry, *submenu);
        return false;
    });
}

void MenuBarAdapter::holdRefills()
{
    _refillsHeld = true;
    if (_pendingRefill.connected()) {
        _pendingRefill.disconnect();
        _refillWanted = true;
    }
}

void MenuBarAdapter::releaseRefills()
{
    _refillsHeld = false;
    if (std::exchange(_refillWanted, false)) scheduleRefill();
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
