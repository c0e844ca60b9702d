#pragma once

#include "platform/Menu.h"

#include <map>
#include <string>

// Translates the English titles the main menu is built with into the user's language, through a
// fixed table from English title to string key.
class MenuTranslator {
public:
    MenuTranslator();

    static void translateMainMenu(Menu& menu);
    // Items whose title is not in the table keep it; their submenus are still translated.
    void doTranslateMenu(Menu& menu) const;
    const std::map<std::string, std::string>& menuTitles() const { return _menuTitles; }

private:
    void initMenuTitles();

    std::map<std::string, std::string> _menuTitles;
};
