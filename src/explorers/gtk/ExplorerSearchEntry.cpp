#include "explorers/gtk/ExplorerSearchEntry.h"

#include "explorers/MindMapSearchField.h"
#include "platform/gtk/BoundedEntry.h"
#include "platform/gtk/GtkMenuPresenter.h"

#include <gtkmm/menu.h>

ExplorerSearchEntry::ExplorerSearchEntry(MindMapSearchField& field)
    : _field(field), _menuPresenter(std::make_unique<GtkMenuPresenter>(*this))
{
    boundEntry(*this, {EntryBound::SearchCharacters});
    // A search entry starts with its magnifier insensitive, and an insensitive icon takes no press.
    set_icon_activatable(true, Gtk::ENTRY_ICON_PRIMARY);
    set_icon_sensitive(Gtk::ENTRY_ICON_PRIMARY, true);
    set_icon_tooltip_text(MindMapSearchField::scopeText(false) + " / " + MindMapSearchField::scopeText(true),
                          Gtk::ENTRY_ICON_PRIMARY);
    signal_icon_press().connect([this](Gtk::EntryIconPosition position, const GdkEventButton*) {
        if (position == Gtk::ENTRY_ICON_PRIMARY) showModeMenu();
    });
    signal_search_changed().connect([this] {
        if (_updating == 0) _field.textChangedByUser(get_text());
    });
    _field.setChangeHandler([this] { refresh(); });
    refresh();
}

ExplorerSearchEntry::~ExplorerSearchEntry()
{
    _menuDeactivated.disconnect();
    _field.setChangeHandler(nullptr);
}

void ExplorerSearchEntry::refresh()
{
    ++_updating;
    set_placeholder_text(_field.placeholder());
    if (get_text() != _field.text()) set_text(_field.text());
    --_updating;
}

void ExplorerSearchEntry::showModeMenu()
{
    const int height = get_allocated_height();
    if (_menuShown) _menuShown(true);
    // The field's own menu: a pick browser stays open while it is used.
    _menuPresenter->popUpMenu(_field.searchMenu(), {0, double(height)}, -1,
                              [this](MenuItem& item) { _field.performAction(item.action(), &item); });
    _menuDeactivated.disconnect();
    if (Gtk::Menu* shown = _menuPresenter->shownMenu())
        _menuDeactivated = shown->signal_deactivate().connect([this] {
            if (_menuShown) _menuShown(false);
        });
    else if (_menuShown) _menuShown(false);
}
