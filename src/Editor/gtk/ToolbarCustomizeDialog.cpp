#include "Editor/gtk/ToolbarCustomizeDialog.h"

#include "Editor/TwToolbar.h"
#include "platform/Localizer.h"

#include <gtkmm/label.h>

#include <algorithm>

namespace {

Gtk::Widget* rowLabel(const std::string& text)
{
    // Plain text: a label is never markup and "_" is no mnemonic.
    auto* label = Gtk::manage(new Gtk::Label(text, false));
    label->set_xalign(0);
    label->set_margin_start(6);
    label->set_margin_end(6);
    label->set_margin_top(3);
    label->set_margin_bottom(3);
    return label;
}

int selectedIndex(Gtk::ListBox& list)
{
    Gtk::ListBoxRow* row = list.get_selected_row();
    return row ? row->get_index() : -1;
}

} // namespace

ToolbarCustomizeDialog::ToolbarCustomizeDialog(TwToolbar& toolbar, Gtk::Window* parent)
    : Gtk::Dialog(localized("toolbar_customize_dialog_title"), false),
      _toolbar(toolbar),
      _add(localized("toolbar_customize_add"), false),
      _remove(localized("toolbar_customize_remove"), false),
      _up(localized("toolbar_customize_move_up"), false),
      _down(localized("toolbar_customize_move_down"), false),
      _defaults(localized("toolbar_customize_default_set"), false)
{
    if (parent) set_transient_for(*parent);
    set_default_size(520, 420);
    for (Gtk::ScrolledWindow* scroll : {&_availableScroll, &_shownScroll}) {
        scroll->set_policy(Gtk::POLICY_NEVER, Gtk::POLICY_AUTOMATIC);
        scroll->set_shadow_type(Gtk::SHADOW_IN);
        scroll->set_hexpand(true);
        scroll->set_vexpand(true);
    }
    _availableScroll.add(_availableList);
    _shownScroll.add(_shownList);
    auto column = [](const std::string& title, Gtk::Widget& list) {
        auto* box = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_VERTICAL, 4));
        auto* heading = Gtk::manage(new Gtk::Label(title, false));
        heading->set_xalign(0);
        box->pack_start(*heading, Gtk::PACK_SHRINK);
        box->pack_start(list, Gtk::PACK_EXPAND_WIDGET);
        return box;
    };
    _columns.set_border_width(12);
    _columns.pack_start(*column(localized("toolbar_customize_available"), _availableScroll), Gtk::PACK_EXPAND_WIDGET);
    _buttons.set_valign(Gtk::ALIGN_CENTER);
    for (Gtk::Button* button : {&_add, &_remove, &_up, &_down, &_defaults})
        _buttons.pack_start(*button, Gtk::PACK_SHRINK);
    _columns.pack_start(_buttons, Gtk::PACK_SHRINK);
    _columns.pack_start(*column(localized("toolbar_customize_shown"), _shownScroll), Gtk::PACK_EXPAND_WIDGET);
    get_content_area()->pack_start(_columns, Gtk::PACK_EXPAND_WIDGET);
    add_button(localized("toolbar_customize_done"), Gtk::RESPONSE_CLOSE);
    signal_response().connect([this](int) { hide(); });

    _add.signal_clicked().connect([this] { addSelected(); });
    _remove.signal_clicked().connect([this] { removeSelected(); });
    _up.signal_clicked().connect([this] { moveSelected(-1); });
    _down.signal_clicked().connect([this] { moveSelected(1); });
    _defaults.signal_clicked().connect([this] { restoreDefaults(); });
    _availableList.signal_row_selected().connect([this](Gtk::ListBoxRow*) { updateButtons(); });
    _shownList.signal_row_selected().connect([this](Gtk::ListBoxRow*) { updateButtons(); });
    _availableList.signal_row_activated().connect([this](Gtk::ListBoxRow*) { addSelected(); });
    refresh();
    _columns.show_all();
}

std::string ToolbarCustomizeDialog::paletteLabel(const std::string& identifier) const
{
    if (identifier == TwToolbar::SpaceItemIdentifier) return localized("toolbar_customize_space");
    if (identifier == TwToolbar::FlexibleSpaceItemIdentifier) return localized("toolbar_customize_flexible_space");
    if (identifier == TwToolbar::SeparatorItemIdentifier) return localized("toolbar_customize_separator");
    std::unique_ptr<TwToolbarItem> item = _toolbar.makeItem(identifier, false);
    return item ? item->paletteLabel() : identifier;
}

std::vector<std::string> ToolbarCustomizeDialog::shownIdentifiers() const
{
    return _toolbar.itemIdentifiers();
}

void ToolbarCustomizeDialog::fill(Gtk::ListBox& list, const std::vector<std::string>& identifiers, int selected)
{
    // The rows are the list's own; destroying one takes it out of the list.
    for (Gtk::Widget* child : list.get_children()) gtk_widget_destroy(child->gobj());
    for (const std::string& identifier : identifiers) list.append(*rowLabel(paletteLabel(identifier)));
    list.show_all();
    if (selected >= 0 && !identifiers.empty())
        list.select_row(*list.get_row_at_index(std::min<int>(selected, static_cast<int>(identifiers.size()) - 1)));
}

void ToolbarCustomizeDialog::refresh()
{
    const int availableSelection = selectedIndex(_availableList);
    const std::vector<std::string> shown = _toolbar.itemIdentifiers();
    _available.clear();
    for (const std::string& identifier : TwToolbar::allowedItemIdentifiers()) {
        // Without the explorers there is no search field to offer.
        if (!TwToolbar::isSpaceOrSeparator(identifier) && std::ranges::find(shown, identifier) != shown.end()) continue;
        if (!_toolbar.makeItem(identifier, false)) continue;
        _available.push_back(identifier);
    }
    fill(_availableList, _available, availableSelection);
    fill(_shownList, shown, selectedIndex(_shownList));
    updateButtons();
}

void ToolbarCustomizeDialog::changed(int shownSelection)
{
    _toolbar.storeConfiguration();
    refresh();
    if (shownSelection >= 0 && _shownList.get_row_at_index(shownSelection))
        _shownList.select_row(*_shownList.get_row_at_index(shownSelection));
    updateButtons();
}

void ToolbarCustomizeDialog::addSelected()
{
    const int row = selectedIndex(_availableList);
    if (row < 0 || row >= static_cast<int>(_available.size())) return;
    // After the selected shown item, else at the end.
    const int after = selectedIndex(_shownList);
    const size_t index = after >= 0 ? static_cast<size_t>(after) + 1 : _toolbar.items().size();
    if (_toolbar.insertItem(_available[row], index)) changed(static_cast<int>(index));
}

void ToolbarCustomizeDialog::removeSelected()
{
    const int row = selectedIndex(_shownList);
    if (row < 0 || row >= static_cast<int>(_toolbar.items().size())) return;
    _toolbar.removeItem(static_cast<size_t>(row));
    changed(std::min(row, static_cast<int>(_toolbar.items().size()) - 1));
}

void ToolbarCustomizeDialog::moveSelected(int by)
{
    const int row = selectedIndex(_shownList);
    const int to = row + by;
    if (row < 0 || to < 0 || to >= static_cast<int>(_toolbar.items().size())) return;
    _toolbar.moveItem(static_cast<size_t>(row), static_cast<size_t>(to));
    changed(to);
}

void ToolbarCustomizeDialog::restoreDefaults()
{
    _toolbar.setItemIdentifiers(TwToolbar::defaultItemIdentifiers());
    changed(-1);
}

void ToolbarCustomizeDialog::selectAvailable(int row)
{
    if (Gtk::ListBoxRow* found = _availableList.get_row_at_index(row)) _availableList.select_row(*found);
}

void ToolbarCustomizeDialog::selectShown(int row)
{
    if (Gtk::ListBoxRow* found = _shownList.get_row_at_index(row)) _shownList.select_row(*found);
}

void ToolbarCustomizeDialog::updateButtons()
{
    const int available = selectedIndex(_availableList);
    const int shown = selectedIndex(_shownList);
    const int count = static_cast<int>(_toolbar.items().size());
    _add.set_sensitive(available >= 0);
    _remove.set_sensitive(shown >= 0);
    _up.set_sensitive(shown > 0);
    _down.set_sensitive(shown >= 0 && shown + 1 < count);
}
