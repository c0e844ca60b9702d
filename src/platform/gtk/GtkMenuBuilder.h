#pragma once

#include "platform/Menu.h"

#include <functional>
#include <memory>

namespace Gtk {
class Menu;
}

// Fills a GTK menu with the entries of a plain menu as they stand (validated by the caller):
// hidden items left out, disabled ones insensitive, checked ones with their mark, key equivalents
// shown. Choosing an entry posts MenuWillSendActionNotification with the plain menu and then calls
// `chosen`; the entry keeps its item alive.
void fillGtkMenu(Gtk::Menu& target, Menu& source,
                 const std::function<void(const std::shared_ptr<MenuItem>& item)>& chosen);
