#include "Editor/gtk/MainToolbar.h"

#include "Editor/gtk/SegmentMenuEntries.h"
#include "Editor/gtk/SegmentedControlWidget.h"
#include "Editor/gtk/ToolbarCustomizeDialog.h"

#include <gtkmm/box.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/menu.h>
#include <gtkmm/menuitem.h>
#include <gtkmm/separatortoolitem.h>
#include <gtkmm/toolitem.h>
#include <gtkmm/window.h>

#include <algorithm>

namespace {

MainToolbar::SearchWidgetFactory& searchWidgetFactory()
{
    static MainToolbar::SearchWidgetFactory factory;
    return factory;
}

// The theme's buttons are padded for text; a row of picture segments padded so runs wider than a
// window of the default size and leaves the search field no room. Loaded once for the screen.
void useCompactSegments()
{
    static const bool loaded = [] {
        auto provider = Gtk::CssProvider::create();
        provider->load_from_data(".tw-main-toolbar button { padding-left: 5px; padding-right: 5px; min-width: 0; }");
        Gtk::StyleContext::add_provider_for_screen(Gdk::Screen::get_default(), provider,
                                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        return true;
    }();
    (void)loaded;
}

} // namespace

// Holds the search field between its narrowest and widest width. A toolbar lays its items out at
// the width they at least need, so the field asks for its widest until the window is too narrow
// for every item, and then for less, down to its narrowest.
class MainToolbar::WidthRange : public Gtk::Box {
public:
    WidthRange(int minimum, int maximum) : _minimum(minimum), _maximum(maximum), _width(maximum) {}

    int minimum() const { return _minimum; }
    int maximum() const { return _maximum; }
    int width() const { return _width; }
    // false when the width was already that.
    bool setWidth(int width)
    {
        width = std::clamp(width, _minimum, _maximum);
        if (width == _width) return false;
        _width = width;
        queue_resize();
        return true;
    }

private:
    void get_preferred_width_vfunc(int& minimum, int& natural) const override
    {
        Gtk::Box::get_preferred_width_vfunc(minimum, natural);
        minimum = _width;
        natural = _maximum;
    }
    int _minimum, _maximum, _width;
};

struct MainToolbar::Entry {
    std::unique_ptr<Gtk::ToolItem> toolItem;
    SegmentedControlItem* segmented = nullptr;
    std::unique_ptr<Gtk::Box> box;
    std::unique_ptr<SegmentedControlWidget> control;
    std::unique_ptr<Gtk::Widget> search;
    std::unique_ptr<WidthRange> searchRange;
    std::unique_ptr<Gtk::Label> label;
    std::string identifier;
};

void MainToolbar::setSearchWidgetFactory(SearchWidgetFactory factory)
{
    searchWidgetFactory() = std::move(factory);
}

MainToolbar::MainToolbar(TwToolbar& toolbar) : _toolbar(toolbar)
{
    set_toolbar_style(Gtk::TOOLBAR_BOTH);
    set_show_arrow(true);
    get_style_context()->add_class("primary-toolbar");
    get_style_context()->add_class("tw-main-toolbar");
    useCompactSegments();
    _toolbar.setChangeHandler([this] { rebuild(); });
    _toolbar.setCustomizationHandler([this] { runCustomizationDialog(); });
    rebuild();
}

MainToolbar::~MainToolbar()
{
    _toolbar.setChangeHandler(nullptr);
    _toolbar.setCustomizationHandler(nullptr);
    for (auto& entry : _entries) remove(*entry->toolItem);
}

void MainToolbar::rebuild()
{
    for (auto& entry : _entries) remove(*entry->toolItem);
    _entries.clear();
    _searchWidget = nullptr;
    _searchRange = nullptr;
    for (const auto& item : _toolbar.items()) {
        auto entry = std::make_unique<Entry>();
        entry->identifier = item->itemIdentifier();
        switch (item->kind()) {
        case TwToolbarItem::Kind::Space:
        case TwToolbarItem::Kind::FlexibleSpace:
        case TwToolbarItem::Kind::Separator: {
            auto separator = std::make_unique<Gtk::SeparatorToolItem>();
            separator->set_draw(item->kind() == TwToolbarItem::Kind::Separator);
            if (item->kind() == TwToolbarItem::Kind::FlexibleSpace) separator->set_expand(true);
            else if (item->kind() == TwToolbarItem::Kind::Space) separator->set_size_request(16, -1);
            entry->toolItem = std::move(separator);
            break;
        }
        case TwToolbarItem::Kind::Segmented:
        case TwToolbarItem::Kind::Search: {
            entry->toolItem = std::make_unique<Gtk::ToolItem>();
            entry->box = std::make_unique<Gtk::Box>(Gtk::ORIENTATION_VERTICAL, 2);
            if (SegmentedToolbarItem* segmented = item->segmentedItem()) {
                entry->control = std::make_unique<SegmentedControlWidget>(segmented->controlItem());
                entry->segmented = &segmented->controlItem();
                Entry* shown = entry.get();
                // An item the window is too narrow for is reached through the toolbar's overflow
                // menu; the toolbar shows its arrow only for items that offer an entry there.
                entry->toolItem->signal_create_menu_proxy().connect(
                    [this, shown] {
                        shown->toolItem->set_proxy_menu_item("tw-overflow", makeOverflowEntry(*shown));
                        return true;
                    },
                    false);
                entry->control->set_halign(Gtk::ALIGN_CENTER);
                entry->box->pack_start(*entry->control, Gtk::PACK_SHRINK);
            } else if (item->searchField() && searchWidgetFactory()) {
                entry->search = searchWidgetFactory()(*item->searchField());
            }
            if (entry->search) {
                // The range decides the width: the entry itself asks for no more than a character.
                if (auto* field = dynamic_cast<Gtk::Entry*>(entry->search.get())) field->set_width_chars(1);
                entry->searchRange = std::make_unique<WidthRange>(static_cast<int>(item->minimumWidth()),
                                                                  static_cast<int>(item->maximumWidth()));
                entry->searchRange->pack_start(*entry->search, Gtk::PACK_EXPAND_WIDGET);
                entry->box->pack_start(*entry->searchRange, Gtk::PACK_SHRINK);
                _searchWidget = entry->search.get();
                _searchRange = entry->searchRange.get();
            }
            // Plain text: a label is never markup and "_" is no mnemonic.
            entry->label = std::make_unique<Gtk::Label>(item->label(), false);
            entry->label->get_style_context()->add_class("dim-label");
            entry->box->pack_end(*entry->label, Gtk::PACK_SHRINK);
            entry->toolItem->add(*entry->box);
            entry->toolItem->set_tooltip_text(item->toolTip());
            entry->toolItem->set_margin_start(3);
            entry->toolItem->set_margin_end(3);
            break;
        }
        }
        append(*entry->toolItem);
        _entries.push_back(std::move(entry));
    }
    show_all();
    _toolbar.validate();
}

void MainToolbar::on_size_allocate(Gtk::Allocation& allocation)
{
    if (_searchRange) {
        // What every item needs with the field at its widest, against the width there is.
        int needed = 0;
        for (auto& entry : _entries) {
            int minimum = 0, natural = 0;
            entry->toolItem->get_preferred_width(minimum, natural);
            needed += entry->searchRange ? minimum - _searchRange->width() + _searchRange->maximum() : minimum;
        }
        const int shortfall = std::max(0, needed - allocation.get_width());
        // Changing the width asks for a new layout, which comes back here with the new width.
        if (_searchRange->setWidth(_searchRange->maximum() - shortfall))
            return Gtk::Toolbar::on_size_allocate(allocation);
    }
    Gtk::Toolbar::on_size_allocate(allocation);
}

Gtk::MenuItem& MainToolbar::makeOverflowEntry(Entry& entry)
{
    SegmentedControlItem& item = *entry.segmented;
    SegmentedControl& control = item.segmentedControl();
    auto* top = Gtk::manage(new Gtk::MenuItem(entry.label ? entry.label->get_text() : Glib::ustring(), false));
    if (control.segmentCount() == 1) {
        actAsSegment(*top, item, 0);
        return *top;
    }
    auto* segments = Gtk::manage(new Gtk::Menu());
    for (size_t index = 0; index < control.segmentCount(); ++index) {
        auto* menuItem = Gtk::manage(new Gtk::MenuItem(segmentEntryTitle(item, index), false));
        actAsSegment(*menuItem, item, index);
        segments->append(*menuItem);
    }
    segments->show_all();
    top->set_submenu(*segments);
    return *top;
}

int MainToolbar::searchFieldWidth() const
{
    return _searchRange ? _searchRange->width() : 0;
}

SegmentedControlWidget* MainToolbar::controlWidget(const std::string& identifier)
{
    for (auto& entry : _entries)
        if (entry->identifier == identifier) return entry->control.get();
    return nullptr;
}

std::string MainToolbar::itemLabel(size_t index) const
{
    if (index >= _entries.size() || !_entries[index]->label) return {};
    return _entries[index]->label->get_text();
}

void MainToolbar::runCustomizationDialog()
{
    if (!_dialog) {
        auto* parent = dynamic_cast<Gtk::Window*>(get_toplevel());
        _dialog =
            std::make_unique<ToolbarCustomizeDialog>(_toolbar, parent && parent->get_is_toplevel() ? parent : nullptr);
    }
    _dialog->refresh();
    _dialog->present();
}
