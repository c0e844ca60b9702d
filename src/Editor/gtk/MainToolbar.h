#pragma once

#include "Editor/TwToolbar.h"

#include <gtkmm/toolbar.h>

#include <functional>
#include <memory>
#include <vector>

class SegmentedControlWidget;
namespace Gtk {
class MenuItem;
}
class ToolbarCustomizeDialog;

// The main window's toolbar on screen: one tool item per item of the plain toolbar, each a
// segmented control (or the explorers' search field) above its label. It follows the plain
// toolbar's changes and opens the customisation dialog for the "Customize toolbar" item.
class MainToolbar : public Gtk::Toolbar {
public:
    // Makes the widget of the search field; the explorers' library installs it at start-up.
    using SearchWidgetFactory = std::function<std::unique_ptr<Gtk::Widget>(EditorSearchField& field)>;
    static void setSearchWidgetFactory(SearchWidgetFactory factory);

    explicit MainToolbar(TwToolbar& toolbar);
    ~MainToolbar() override;

    TwToolbar& toolbar() { return _toolbar; }
    // The control of the item with that identifier; nullptr when the toolbar does not show it.
    SegmentedControlWidget* controlWidget(const std::string& identifier);
    Gtk::Widget* searchWidget() { return _searchWidget; }
    // The width the search field now asks for: its widest unless the toolbar is short of room.
    int searchFieldWidth() const;
    // The label under the item at the index.
    std::string itemLabel(size_t index) const;
    // Enables every segment as its handler says (the window's idle validation calls it).
    void validate() { _toolbar.validate(); }
    void runCustomizationDialog();
    ToolbarCustomizeDialog* customizeDialog() { return _dialog.get(); }

private:
    class WidthRange;
    void rebuild();
    void on_size_allocate(Gtk::Allocation& allocation) override;

    TwToolbar& _toolbar;
    struct Entry;
    // The entry of an item in the overflow menu: the item's label, with a submenu of its segments
    // when it has several.
    Gtk::MenuItem& makeOverflowEntry(Entry& entry);
    std::vector<std::unique_ptr<Entry>> _entries;
    Gtk::Widget* _searchWidget = nullptr;
    WidthRange* _searchRange = nullptr;
    std::unique_ptr<ToolbarCustomizeDialog> _dialog;
};
