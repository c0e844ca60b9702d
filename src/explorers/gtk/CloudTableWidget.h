#pragma once

#include "explorers/CloudTableView.h"
#include "explorers/FileNameFormatter.h"
#include "platform/gtk/GtkMenuPresenter.h"

#include <gtkmm.h>

#include <functional>
#include <map>

class Image;

// The table of a cloud folder's listing: one row per item of the adapter, drawn as the adapter
// says (type icon or thumbnail, name, details, offline mark), with names renamed in place only
// when a command asks for it, rows dragged onto folders, and Return, arrows and the context menu
// handed to the table's owner.
class CloudTableWidget : public Gtk::ScrolledWindow, public CloudTableView {
public:
    explicit CloudTableWidget(FileListAdapter& adapter);
    ~CloudTableWidget() override;

    Gtk::TreeView& treeView() { return _treeView; }
    GtkMenuPresenter& menuPresenter() { return _menus; }
    // A double click on a row.
    void setDoubleClickAction(std::function<void()> action) { _doubleClicked = std::move(action); }

    // Starts editing the row's name in place, when the adapter allows it.
    bool beginEditingRow(size_t row) override;
    bool isEditing() const { return _editable != nullptr; }
    Gtk::Entry* editingEntry() const;
    // The height the row is drawn at.
    int rowHeight(size_t row);

    std::vector<size_t> selectedRows() const override;
    void selectRows(const std::vector<size_t>& rows) override;
    void scrollRowToVisible(size_t row) override;
    void endEditing() override;
    std::optional<size_t> editedRow() const override { return _editable ? _editingRow : std::nullopt; }
    void keepEditingAtRow(size_t row) override { _keptEditRow = row; }
    void setDraggedType(const std::optional<std::string>& type) override;

protected:
    void reloadRows() override;
    size_t numberOfRows() const override;
    void showEmptyText(const std::string& text) override;

private:
    struct Columns : Gtk::TreeModelColumnRecord {
        Gtk::TreeModelColumn<guint> row;
        Columns() { add(row); }
    };

    std::optional<size_t> rowOf(const Gtk::TreeModel::iterator& iter) const;
    Glib::RefPtr<Gdk::Pixbuf> pixbufFor(const std::shared_ptr<const Image>& image, int maximumSide);
    void renderIcon(Gtk::CellRenderer* renderer, const Gtk::TreeModel::iterator& iter);
    void renderName(Gtk::CellRenderer* renderer, const Gtk::TreeModel::iterator& iter);
    void renderMark(Gtk::CellRenderer* renderer, const Gtk::TreeModel::iterator& iter);
    bool onKeyPress(GdkEventKey* event);
    bool onButtonPress(GdkEventButton* event);
    void onDragBegin(const Glib::RefPtr<Gdk::DragContext>& context);
    void onDragDataGet(const Glib::RefPtr<Gdk::DragContext>& context, Gtk::SelectionData& data, guint info, guint time);
    bool onDragMotion(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, guint time);
    bool onDragDrop(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, guint time);
    std::optional<size_t> dropRowAt(int x, int y);
    void showHeaderWhenSized();

    FileListAdapter& _adapter;
    Columns _columns;
    Glib::RefPtr<Gtk::ListStore> _store;
    Gtk::TreeView _treeView;
    Gtk::TreeViewColumn _column;
    Gtk::CellRendererPixbuf _iconRenderer;
    Gtk::CellRendererText _nameRenderer;
    Gtk::CellRendererPixbuf _markRenderer;
    FileNameFormatter _nameFormatter;
    Gtk::CellEditable* _editable = nullptr;
    std::optional<size_t> _editingRow;
    std::optional<size_t> _keptEditRow;
    // Held with their images, so that an address is never reused while its picture is cached.
    std::map<const Image*, std::pair<std::shared_ptr<const Image>, Glib::RefPtr<Gdk::Pixbuf>>> _pixbufs;
    std::optional<std::string> _draggedType;
    std::optional<std::string> _draggedPath;
    std::function<void()> _doubleClicked;
    GtkMenuPresenter _menus;
    // Whether the empty text shows in the header, and whether the table has had its size since it
    // was realized: the header is shown only once it has.
    bool _headerWanted = false;
    bool _sized = false;
};
