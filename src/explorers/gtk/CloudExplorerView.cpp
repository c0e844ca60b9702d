#include "explorers/gtk/CloudExplorerView.h"

CloudExplorerView::CloudExplorerView(CloudExplorer& explorer)
    : Gtk::Box(Gtk::ORIENTATION_VERTICAL, 0), _explorer(explorer), _table(explorer.adapter())
{
    _breadcrumb.set_hexpand(true);
    pack_start(_toolbar, Gtk::PACK_SHRINK);
    pack_start(_breadcrumb, Gtk::PACK_SHRINK);
    pack_start(_table, Gtk::PACK_EXPAND_WIDGET);
    _table.setDoubleClickAction([this] { _explorer.tableViewDoubleClicked(); });
    _table.treeView().get_selection()->signal_changed().connect([this] {
        // The table's own reloads select rows again: only the user's choices count.
        if (!_table.isReloadingData()) _explorer.tableViewSelectionDidChange();
    });
    show_all_children();

    _explorer.setTableView(&_table);
    _explorer.setToolbar(this);
    _explorer.setPathContainer(&_pathStrip);
    _explorer.setBreadcrumbBar(&_breadcrumb.bar());
    // Nothing shows before the pane is mapped: what the explorer lists waits for it.
    _explorer.viewShown(false);
    _explorer.loadView();
}

void CloudExplorerView::on_map()
{
    Gtk::Box::on_map();
    _explorer.viewShown(true);
}

void CloudExplorerView::on_unmap()
{
    // The side bar or the window closed, or another pane took this one's place.
    _explorer.viewShown(false);
    Gtk::Box::on_unmap();
}

CloudExplorerView::~CloudExplorerView()
{
    _explorer.setBreadcrumbBar(nullptr);
    _explorer.setPathContainer(nullptr);
    _explorer.setToolbar(nullptr);
    _explorer.setTableView(nullptr);
    _explorer.adapter().setTableView(nullptr);
}

double CloudExplorerView::addSegmentedControlItems(std::vector<std::shared_ptr<SegmentedControlItem>> items)
{
    _toolbar.addSegmentedControlItems(std::move(items));
    return _toolbar.stripHeight();
}

void CloudExplorerView::setHidden(bool hidden)
{
    _toolbar.set_no_show_all(hidden);
    _toolbar.set_visible(!hidden);
}

void CloudExplorerView::validateSegmentedControlItems()
{
    _toolbar.background().validateSegmentedControlItems();
}
