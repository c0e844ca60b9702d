#pragma once

#include "Editor/Menu.h"

#include <gtkmm/accelgroup.h>
#include <gtkmm/menubar.h>

#include <memory>
#include <vector>

namespace Gtk {
class Menu;
class MenuItem;
}

// Shows a menu model as a GTK menu bar. Before a menu opens its delegate updates it and every
// item without a target is validated by the command sink; a key equivalent is validated the same
// way before it acts.
class MainMenuBar : public Gtk::MenuBar {
public:
    MainMenuBar(std::shared_ptr<Menu> model, MenuCommandSink* sink, Glib::RefPtr<Gtk::AccelGroup> accelGroup);
    ~MainMenuBar() override;
    void setCommandSink(MenuCommandSink* sink) { _sink = sink; }

private:
    struct Binding;
    Gtk::Menu* buildMenu(Menu& model);
    Gtk::MenuItem* buildItem(Menu& menu, size_t index);
    void refresh(Menu& model, Gtk::Menu& menu);
    bool validate(MenuItem& item);
    void activate(Menu& menu, size_t index);

    std::shared_ptr<Menu> _model;
    MenuCommandSink* _sink;
    Glib::RefPtr<Gtk::AccelGroup> _accelGroup;
    std::vector<std::unique_ptr<Binding>> _bindings;
    // Ticking an item to show a state must not send its action.
    int _refreshing = 0;
};
