#pragma once

#include "platform/Image.h"

#include <gtkmm.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// One cell of the grid. The image is made the first time the cell comes into view, so that a grid
// of a thousand pictures decodes only the few the user sees.
struct ImageGridCell {
    std::string key;
    std::function<Image()> makeImage;
    // Plain text: the grid never reads it as markup.
    std::string toolTip;
};

// A scrolling grid of same-sized picture cells, 5 by 5 points apart, with one selected cell. Clicks
// and double clicks are counted by the grid itself (GTK sends two single presses before a double
// one). In edit mode a cell can be dragged to another place inside the grid; the grid only reports
// the move, its owner reorders its data and gives the cells again. Drags never leave the program:
// their data type is private to this widget.
class ImageGridView : public Gtk::ScrolledWindow {
public:
    static constexpr int Spacing = 5;
    // The frame around each picture that shows the selection, on every side.
    static constexpr int CellPadding = 3;
    // From one cell's left edge to the next one's, for a cell width.
    static constexpr int cellStep(int cellWidth) { return cellWidth + 2 * CellPadding + Spacing; }

    // dragType names the data a drag carries; dragPayload is that data.
    ImageGridView(std::string dragType, std::string dragPayload, int cellWidth, int cellHeight);
    ~ImageGridView() override;

    void setCellSize(int width, int height);
    int cellWidth() const { return _cellWidth; }
    int cellHeight() const { return _cellHeight; }

    // Replaces the cells. The selection stays on the cell of the same key, if any. Changing cells
    // or selection from code emits no signal.
    void setCells(std::vector<ImageGridCell> cells);
    size_t count() const { return _cells.size(); }
    const ImageGridCell& cell(size_t index) const { return _cells.at(index).cell; }
    // The cell's image is made again when it is next drawn.
    void reloadImage(size_t index);
    // The image was made (the cell has been in view).
    bool imageMade(size_t index) const { return index < _cells.size() && _cells[index].made; }

    std::optional<size_t> selectedIndex() const;
    void selectIndex(std::optional<size_t> index);

    // Reordering by drag is possible exactly in edit mode.
    void setEditMode(bool editMode);
    bool editMode() const { return _editMode; }

    // The cell index of a click, a double click (the second press of it), and the user changing
    // the selection.
    sigc::signal<void, size_t>& signalClicked() { return _clicked; }
    sigc::signal<void, size_t>& signalDoubleClicked() { return _doubleClicked; }
    sigc::signal<void>& signalSelectionChanged() { return _selectionChanged; }
    // A cell dragged to a drop position between cells: 0 before the first, count() after the last.
    sigc::signal<void, size_t, size_t>& signalMoved() { return _moved; }

    Gtk::FlowBox& flowBox() { return _flowBox; }
    // The cell's area in the flow box's coordinates; empty for an index outside the grid.
    Gdk::Rectangle cellArea(size_t index) const;
    // The drop position for a point in the flow box's coordinates.
    size_t dropPositionAt(int x, int y) const;

private:
    struct Entry {
        ImageGridCell cell;
        Image image;
        bool made = false;
        Gtk::FlowBoxChild* child = nullptr;
        Gtk::DrawingArea* area = nullptr;
    };

    void rebuild();
    bool drawCell(size_t index, const Cairo::RefPtr<Cairo::Context>& context);
    std::optional<size_t> indexAt(int x, int y) const;
    bool buttonPressed(GdkEventButton* event);
    void updateDragSites();
    void dragBegun(const Glib::RefPtr<Gdk::DragContext>& context);
    void dragDataGot(const Glib::RefPtr<Gdk::DragContext>& context, Gtk::SelectionData& data, guint info, guint time);
    bool dragMoved(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, guint time);
    void dragLeft(const Glib::RefPtr<Gdk::DragContext>& context, guint time);
    bool dragDropped(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, guint time);
    void dragEnded(const Glib::RefPtr<Gdk::DragContext>& context);
    bool drawDropMarker(const Cairo::RefPtr<Cairo::Context>& context);
    void setDropPosition(std::optional<size_t> position);

    Glib::RefPtr<Gtk::CssProvider> _cellStyle;
    std::string _dragType;
    std::string _dragPayload;
    int _cellWidth;
    int _cellHeight;
    Gtk::FlowBox _flowBox;
    std::vector<Entry> _cells;
    bool _editMode = false;
    bool _dragSites = false;
    int _quiet = 0;
    std::optional<size_t> _reportedSelection;

    // Click counting.
    std::optional<size_t> _pressIndex;
    guint32 _lastPressTime = 0;
    double _lastPressX = 0;
    double _lastPressY = 0;
    std::optional<size_t> _lastClickIndex;
    int _clickCount = 0;

    std::optional<size_t> _dragSource;
    std::optional<size_t> _dropPosition;

    sigc::signal<void, size_t> _clicked;
    sigc::signal<void, size_t> _doubleClicked;
    sigc::signal<void> _selectionChanged;
    sigc::signal<void, size_t, size_t> _moved;
};
