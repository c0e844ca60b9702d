#include "Editor/gtk/FeedbackLogView.h"

#include "platform/Menu.h"

#include <gdk/gdkkeysyms.h>

FeedbackLogView::FeedbackLogView(FeedbackController& controller)
    : _controller(controller), _store(Gtk::ListStore::create(_columns))
{
    _tree.set_model(_store);
    _tree.set_headers_visible(false);
    _tree.set_name(FeedbackController::CellIdentifier);
    _tree.append_column("", _columns.icon);
    if (auto* icon = _tree.get_column(0)) {
        icon->clear();
        auto* renderer = Gtk::manage(new Gtk::CellRendererPixbuf());
        icon->pack_start(*renderer, false);
        icon->add_attribute(renderer->property_icon_name(), _columns.icon);
    }
    _tree.append_column("", _columns.text);
    _tree.append_column("", _columns.time);
    if (auto* text = _tree.get_column(1)) text->set_expand(true);
    _tree.signal_row_activated().connect([this](const Gtk::TreeModel::Path& path, Gtk::TreeViewColumn* column) {
        if (path.empty()) return;
        int64_t columnIndex = -1;
        const auto columns = _tree.get_columns();
        for (size_t i = 0; i < columns.size(); ++i)
            if (columns[i] == column) columnIndex = static_cast<int64_t>(i);
        _controller.tableDoubleClicked(path[0], columnIndex);
    });
    set_policy(Gtk::POLICY_NEVER, Gtk::POLICY_AUTOMATIC);
    add(_tree);
    _tree.show();
    _controller.setTable(this);
}

FeedbackLogView::~FeedbackLogView()
{
    _controller.setTable(nullptr);
}

std::string FeedbackLogView::iconName(const std::string& image)
{
    if (image == "status-available") return "user-available";
    if (image == "status-partially-available") return "user-away";
    if (image == "status-unavailable") return "user-busy";
    if (image == "globe-16") return "network-workgroup";
    return image;
}

void FeedbackLogView::reloadData()
{
    const int64_t selected = selectedRow();
    _store->clear();
    for (int64_t row = 0; row < _controller.numberOfRows(); ++row) {
        auto item = _controller.itemAtRow(row);
        Gtk::TreeModel::Row line = *_store->append();
        line[_columns.icon] = iconName(FeedbackController::rowImage(*item));
        line[_columns.text] = FeedbackController::rowText(*item);
        line[_columns.time] = FeedbackController::rowTime(*item);
    }
    if (selected >= 0 && selected < _controller.numberOfRows()) {
        Gtk::TreeModel::Path path;
        path.push_back(static_cast<int>(selected));
        _tree.get_selection()->select(path);
    }
}

int64_t FeedbackLogView::selectedRow() const
{
    auto iter = const_cast<Gtk::TreeView&>(_tree).get_selection()->get_selected();
    if (!iter) return -1;
    const Gtk::TreeModel::Path path = _store->get_path(iter);
    return path.empty() ? -1 : path[0];
}

void FeedbackLogView::performIfValid(const std::string& action)
{
    if (_controller.validateUserInterfaceItem(MenuItem("", action)).enabled) _controller.performAction(action, nullptr);
}

bool FeedbackLogView::on_key_press_event(GdkEventKey* event)
{
    const bool control = (event->state & GDK_CONTROL_MASK) != 0;
    if (!control && (event->keyval == GDK_KEY_Delete || event->keyval == GDK_KEY_BackSpace)) {
        performIfValid("deleteSelected:");
        return true;
    }
    if (control && (event->keyval == GDK_KEY_c || event->keyval == GDK_KEY_C)) {
        performIfValid("copy:");
        return true;
    }
    return Gtk::ScrolledWindow::on_key_press_event(event);
}
