#include "Editor/gtk/MainMenuBar.h"

#include <gtkmm/checkmenuitem.h>
#include <gtkmm/menu.h>
#include <gtkmm/separatormenuitem.h>

struct MainMenuBar::Binding {
    Menu* menu;
    size_t index;
    Gtk::MenuItem* widget;
};

MainMenuBar::MainMenuBar(std::shared_ptr<Menu> model, MenuCommandSink* sink, Glib::RefPtr<Gtk::AccelGroup> accelGroup)
    : _model(std::move(model)), _sink(sink), _accelGroup(std::move(accelGroup))
{
    for (size_t index = 0; index < _model->items.size(); ++index) {
        MenuItem& item = _model->items[index];
        auto* top = Gtk::manage(new Gtk::MenuItem(item.title));
        if (item.submenu) top->set_submenu(*buildMenu(*item.submenu));
        append(*top);
    }
    show_all();
}

MainMenuBar::~MainMenuBar() = default;

Gtk::Menu* MainMenuBar::buildMenu(Menu& model)
{
    auto* menu = Gtk::manage(new Gtk::Menu);
    menu->set_accel_group(_accelGroup);
    for (size_t index = 0; index < model.items.size(); ++index) menu->append(*buildItem(model, index));
    menu->signal_show().connect([this, &model, menu] { refresh(model, *menu); });
    menu->show_all();
    return menu;
}

Gtk::MenuItem* MainMenuBar::buildItem(Menu& menu, size_t index)
{
    MenuItem& item = menu.items[index];
    if (item.isSeparator) return Gtk::manage(new Gtk::SeparatorMenuItem);
    // Menus that tick their items show check marks.
    Gtk::MenuItem* widget =
        menu.delegate ? Gtk::manage(new Gtk::CheckMenuItem(item.title)) : Gtk::manage(new Gtk::MenuItem(item.title));
    if (item.submenu) {
        widget->set_submenu(*buildMenu(*item.submenu));
        return widget;
    }
    _bindings.push_back(std::make_unique<Binding>(Binding{&menu, index, widget}));
    widget->signal_activate().connect([this, &menu, index] { activate(menu, index); });
    if (!item.keyEquivalent.empty()) {
        guint key = 0;
        Gdk::ModifierType modifiers{};
        Gtk::AccelGroup::parse(item.keyEquivalent, key, modifiers);
        if (key) widget->add_accelerator("activate", _accelGroup, key, modifiers, Gtk::ACCEL_VISIBLE);
        g_signal_connect(widget->gobj(), "can-activate-accel",
                         G_CALLBACK(+[](GtkWidget*, guint, gpointer data) -> gboolean {
                             auto* binding = static_cast<Binding*>(data);
                             auto* self = static_cast<MainMenuBar*>(
                                 g_object_get_data(G_OBJECT(binding->widget->gobj()), "tarnwick-menu-bar"));
                             return self && self->validate(binding->menu->items[binding->index]);
                         }),
                         _bindings.back().get());
        g_object_set_data(G_OBJECT(widget->gobj()), "tarnwick-menu-bar", this);
    }
    return widget;
}

bool MainMenuBar::validate(MenuItem& item)
{
    if (item.target) return item.isEnabled;
    item.isEnabled = _sink && _sink->validateMenuItem(item);
    return item.isEnabled;
}

void MainMenuBar::refresh(Menu& model, Gtk::Menu& menu)
{
    model.update();
    ++_refreshing;
    std::vector<Gtk::Widget*> children = menu.get_children();
    for (size_t index = 0; index < model.items.size() && index < children.size(); ++index) {
        MenuItem& item = model.items[index];
        if (item.isSeparator || item.submenu) continue;
        if (model.autoenablesItems) validate(item);
        children[index]->set_sensitive(item.isEnabled);
        if (auto* menuItem = dynamic_cast<Gtk::MenuItem*>(children[index])) menuItem->set_label(item.title);
        if (auto* check = dynamic_cast<Gtk::CheckMenuItem*>(children[index])) check->set_active(item.isOn);
    }
    --_refreshing;
}

void MainMenuBar::activate(Menu& menu, size_t index)
{
    if (_refreshing) return;
    MenuItem& item = menu.items[index];
    if (item.target) {
        item.target->performMenuAction(item.action, item);
    } else if (_sink) {
        _sink->sendMenuAction(item);
    }
}
