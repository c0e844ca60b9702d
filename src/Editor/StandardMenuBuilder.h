#pragma once

#include "editor-view/ContactHandler.h"
#include "platform/Menu.h"

// The image and link menus, built in code. Their items have no key equivalent: the actions go up
// the command router to the editor.
class StandardMenuBuilder {
public:
    static void buildImageMenu(Menu& menu);
    static void buildLinkMenu(Menu& menu, bool contactsSupported = areContactsSupported());
    static bool areContactsSupported() { return BaseContactHandler::areContactsSupported(); }
};
