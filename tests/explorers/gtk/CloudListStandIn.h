#pragma once

#include <gtkmm/treeview.h>

#include <memory>
#include <string>
#include <vector>

// A cloud folder's table listing one map, "Plan.twkx", whose owner records the renames asked of
// it. Made in a file of its own: the table's headers and the map editor's name their drag codes
// alike.
class CloudListStandIn {
public:
    CloudListStandIn();
    ~CloudListStandIn();
    Gtk::Widget& widget();
    Gtk::TreeView& tree();
    // As the Rename command starts it.
    void beginRename();
    const std::vector<std::string>& renames() const;

private:
    struct Parts;
    std::unique_ptr<Parts> _parts;
};
