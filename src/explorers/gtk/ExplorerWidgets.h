#pragma once

#include <gtkmm/widget.h>

#include <functional>
#include <memory>

class MindMapExplorerBase;

// Makes the widget of an explorer: the local explorer's here, the cloud explorers' through the
// factories their libraries register. nullptr for an explorer nobody shows.
using ExplorerWidgetFactory = std::function<std::unique_ptr<Gtk::Widget>(MindMapExplorerBase& explorer)>;
void registerExplorerWidgetFactory(ExplorerWidgetFactory factory);
std::unique_ptr<Gtk::Widget> makeExplorerWidget(MindMapExplorerBase& explorer);

// The explorers' part of the application: the main window's side bar with the local explorer and
// its search field, the pick browser's window, and the explorers the browser makes.
void installExplorers();
