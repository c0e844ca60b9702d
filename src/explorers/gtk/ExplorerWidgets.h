#pragma once

#include <gtkmm/widget.h>

#include <functional>
#include <memory>

#include "Editor/EditorWindowController.h"

class MindMapExplorerBase;
class Responder;

// Makes the widget of an explorer: the local explorer's here, the cloud explorers' through the
// factories their libraries register. nullptr for an explorer nobody shows.
using ExplorerWidgetFactory = std::function<std::unique_ptr<Gtk::Widget>(MindMapExplorerBase& explorer)>;
void registerExplorerWidgetFactory(ExplorerWidgetFactory factory);
std::unique_ptr<Gtk::Widget> makeExplorerWidget(MindMapExplorerBase& explorer);

// A tab of the main window's side bar after the local explorer's, made by the library whose pane
// it shows (a cloud service's explorer).
class SidePaneTab : public ExplorerNavigationItem {
public:
    virtual Gtk::Widget& widget() = 0;
    virtual Responder* responder() = 0;
};
// The window's controller is told when a tab comes or goes.
using SidePaneTabFactory = std::function<std::unique_ptr<SidePaneTab>(EditorWindowController& window)>;
void registerSidePaneTabFactory(SidePaneTabFactory factory);

// The explorers' part of the application: the main window's side bar with the local explorer and
// its search field, the pick browser's window, and the explorers the browser makes.
void installExplorers();
