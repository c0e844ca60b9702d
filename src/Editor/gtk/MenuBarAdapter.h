#pragma once

#include "platform/Menu.h"

#include <gtkmm/menubar.h>

#include <memory>
#include <utility>
#include <vector>

class CommandRouter;

// Shows the application's menus, built as plain menus, in a GTK menu bar. Each menu is validated
// through the command router as it opens, and a key press of the window runs the item bound to
// it only after that item validates, as the menu would have shown it.
class MenuBarAdapter {
public:
    MenuBarAdapter(std::shared_ptr<Menu> mainMenu, CommandRouter& router);

    Gtk::MenuBar& menuBar() { return _menuBar; }
    // For the window's key-press handler: true when a menu item took the key.
    bool handleKeyPress(const GdkEventKey& event);
    // Which entries a menu hides follows the open map (a cloud map's items): GTK sizes a menu
    // before it says it opens, so the window has the menus made anew when another map opens.
    // A menu on screen is refilled at once; the others wait for the main loop to be idle, so a
    // map's first frame is not held up by menus nobody has opened yet.
    void refillMenus();
    // While held, the menus not on screen keep what they have (none before the first fill), and a
    // refill asked for meanwhile waits for the release: the window's first frame is not held up by
    // menus nobody can open yet. An entry selected meanwhile still gets its menu.
    void holdRefills();
    void releaseRefills();
    ~MenuBarAdapter();

private:
    void fillMenu(Gtk::MenuItem& entry, Menu& submenu);
    void scheduleRefill();

    std::shared_ptr<Menu> _mainMenu;
    CommandRouter& _router;
    Gtk::MenuBar _menuBar;
    std::vector<std::pair<Gtk::MenuItem*, std::shared_ptr<Menu>>> _entries;
    sigc::connection _pendingRefill;
    bool _refillsHeld = false;
    bool _refillWanted = false;
};
