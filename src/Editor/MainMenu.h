#pragma once

#include "platform/Menu.h"

#include <memory>
#include <string>

class CheckboxMenuHandler;
class HistoryMenu;

// The main menu bar, built in code from one table with the English titles the translator's table
// knows and the actions the responders answer, and the menus start-up fills or trims.
struct MainMenu {
    // The English menu bar with every item's action and key equivalent.
    static MainMenu build();

    std::shared_ptr<Menu> bar;
    Menu* tarnWickMenu = nullptr;
    Menu* mindMapMenu = nullptr;
    Menu* editMenu = nullptr;
    Menu* viewMenu = nullptr;
    Menu* styleMenu = nullptr;
    Menu* zoomMenu = nullptr;
    Menu* expansionMenu = nullptr;
    Menu* imageMenu = nullptr;
    Menu* linkMenu = nullptr;
    // Lists the recent maps once it is given the document controller.
    HistoryMenu* historyMenu = nullptr;
};

// What start-up does to the menus before the window shows, in this order: translates them, puts
// the application's name in the application menu, fills the check box set-up submenu, drops the
// update item (updates come from the distribution) and builds the image and link menus.
void prepareMainMenu(MainMenu& menu, CheckboxMenuHandler& checkboxMenuHandler, const std::string& applicationName);
// Replaces "Tarnwick" in every item title of the application menu by the application's name.
void substituteAppNameInMenu(Menu* tarnWickMenu, const std::string& applicationName);
