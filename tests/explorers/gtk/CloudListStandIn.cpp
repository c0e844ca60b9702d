#include "CloudListStandIn.h"

#include "explorers/FileListTestSupport.h"
#include "explorers/gtk/CloudTableWidget.h"

struct CloudListStandIn::Parts {
    RecordingFileListDelegate delegate;
    FileListAdapter adapter{&delegate};
    CloudTableWidget table{adapter};
};

CloudListStandIn::CloudListStandIn() : _parts(std::make_unique<Parts>())
{
    _parts->adapter.setTableView(&_parts->table);
    _parts->adapter.assignItems({makeItem(FileListItemType::NativeMindMap, "Plan.twkx")});
}

CloudListStandIn::~CloudListStandIn()
{
    _parts->adapter.setTableView(nullptr);
}

Gtk::Widget& CloudListStandIn::widget()
{
    return _parts->table;
}

Gtk::TreeView& CloudListStandIn::tree()
{
    return _parts->table.treeView();
}

void CloudListStandIn::beginRename()
{
    _parts->table.beginEditingRow(0);
}

const std::vector<std::string>& CloudListStandIn::renames() const
{
    return _parts->delegate.renames;
}
