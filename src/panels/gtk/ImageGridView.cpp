#include "panels/gtk/ImageGridView.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

ImageGridView::ImageGridView(std::string dragType, std::string dragPayload, int cellWidth, int cellHeight)
    : _dragType(std::move(dragType)),
      _dragPayload(std::move(dragPayload)),
      _cellWidth(std::max(1, cellWidth)),
      _cellHeight(std::max(1, cellHeight))
{
    set_policy(Gtk::POLICY_NEVER, Gtk::POLICY_AUTOMATIC);
    // The theme's cell padding would make the grid's size depend on the theme.
    _cellStyle = Gtk::CssProvider::create();
    _cellStyle->load_from_data("flowboxchild { padding: " + std::to_string(CellPadding) + "px; }");
    _flowBox.set_homogeneous(true);
    _flowBox.set_row_spacing(Spacing);
    _flowBox.set_column_spacing(Spacing);
    _flowBox.set_min_children_per_line(1);
    _flowBox.set_max_children_per_line(std::numeric_limits<int>::max() / 2);
    _flowBox.set_selection_mode(Gtk::SELECTION_SINGLE);
    _flowBox.set_activate_on_single_click(false);
    // Cells keep their size: a flow box that fills its line would widen them.
    _flowBox.set_valign(Gtk::ALIGN_START);
    _flowBox.set_halign(Gtk::ALIGN_START);
    _flowBox.set_border_width(Spacing);
    _flowBox.add_events(Gdk::BUTTON_PRESS_MASK);
    add(_flowBox);

    _flowBox.signal_button_press_event().connect(sigc::mem_fun(*this, &ImageGridView::buttonPressed), false);
    // GTK reports a click's selection more than once; the owner hears of changes only.
    _flowBox.signal_selected_children_changed().connect([this] {
        std::optional<size_t> selected = selectedIndex();
        if (_quiet > 0 || selected == _reportedSelection) return;
        _reportedSelection = selected;
        _selectionChanged.emit();
    });
    // Focus arriving from outside (the window's first focus, Tab) lands on the selected cell, or
    // the first, without selecting it: GTK's own way selects the cell it focuses, so that merely
    // opening a window would choose its first picture.
    _flowBox.signal_focus().connect(
        [this](Gtk::DirectionType direction) {
            if (_flowBox.get_focus_child() || _cells.empty()) return false;
            const bool backward = direction == Gtk::DIR_TAB_BACKWARD || direction == Gtk::DIR_UP;
            const size_t index = selectedIndex().value_or(backward ? _cells.size() - 1 : 0);
            _cells[index].child->grab_focus();
            return true;
        },
        false);
    // Return on the selected cell means what a double click on it means.
    _flowBox.signal_key_press_event().connect(
        [this](GdkEventKey* event) {
            if (event->keyval != GDK_KEY_Return && event->keyval != GDK_KEY_KP_Enter) return false;
            if (std::optional<size_t> selected = selectedIndex()) {
                _doubleClicked.emit(*selected);
                return true;
            }
            return false;
        },
        false);
    _flowBox.signal_drag_begin().connect(sigc::mem_fun(*this, &ImageGridView::dragBegun));
    _flowBox.signal_drag_data_get().connect(sigc::mem_fun(*this, &ImageGridView::dragDataGot));
    _flowBox.signal_drag_motion().connect(sigc::mem_fun(*this, &ImageGridView::dragMoved), false);
    _flowBox.signal_drag_leave().connect(sigc::mem_fun(*this, &ImageGridView::dragLeft));
    _flowBox.signal_drag_drop().connect(sigc::mem_fun(*this, &ImageGridView::dragDropped), false);
    _flowBox.signal_drag_end().connect(sigc::mem_fun(*this, &ImageGridView::dragEnded));
    _flowBox.signal_draw().connect(sigc::mem_fun(*this, &ImageGridView::drawDropMarker), true);
    _flowBox.show();
}

ImageGridView::~ImageGridView() = default;

void ImageGridView::setCellSize(int width, int height)
{
    _cellWidth = std::max(1, width);
    _cellHeight = std::max(1, height);
    for (Entry& entry : _cells)
        if (entry.area) entry.area->set_size_request(_cellWidth, _cellHeight);
}

void ImageGridView::setCells(std::vector<ImageGridCell> cells)
{
    std::optional<std::string> selectedKey;
    if (std::optional<size_t> selected = selectedIndex()) selectedKey = _cells[*selected].cell.key;
    ++_quiet;
    for (Entry& entry : _cells)
        if (entry.child) _flowBox.remove(*entry.child);
    _cells.clear();
    _cells.reserve(cells.size());
    for (ImageGridCell& cell : cells) _cells.push_back(Entry{std::move(cell), Image(), false, nullptr, nullptr});
    rebuild();
    if (selectedKey) {
        auto found = std::find_if(_cells.begin(), _cells.end(),
                                  [&](const Entry& entry) { return entry.cell.key == *selectedKey; });
        if (found != _cells.end()) _flowBox.select_child(*found->child);
    }
    _reportedSelection = selectedIndex();
    --_quiet;
    // A drag in flight refers to the old order.
    _dragSource.reset();
    setDropPosition(std::nullopt);
}

void ImageGridView::rebuild()
{
    for (size_t index = 0; index < _cells.size(); ++index) {
        Entry& entry = _cells[index];
        auto* child = Gtk::manage(new Gtk::FlowBoxChild());
        child->get_style_context()->add_provider(_cellStyle, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        auto* area = Gtk::manage(new Gtk::DrawingArea());
        area->set_size_request(_cellWidth, _cellHeight);
        area->signal_draw().connect(
            [this, index](const Cairo::RefPtr<Cairo::Context>& context) { return drawCell(index, context); });
        child->add(*area);
        if (!entry.cell.toolTip.empty()) child->set_tooltip_text(entry.cell.toolTip);
        _flowBox.add(*child);
        child->show_all();
        entry.child = child;
        entry.area = area;
    }
}

void ImageGridView::reloadImage(size_t index)
{
    if (index >= _cells.size()) return;
    _cells[index].made = false;
    _cells[index].image = Image();
    if (_cells[index].area) _cells[index].area->queue_draw();
}

bool ImageGridView::drawCell(size_t index, const Cairo::RefPtr<Cairo::Context>& context)
{
    if (index >= _cells.size()) return false;
    Entry& entry = _cells[index];
    // Drawn only while the cell is in view: this is where the picture is decoded.
    if (!entry.made) {
        entry.made = true;
        if (entry.cell.makeImage) entry.image = entry.cell.makeImage();
    }
    const Image& image = entry.image;
    if (image.isNull() || image.pixelWidth() < 1 || image.pixelHeight() < 1) return false;
    Size points = image.size();
    if (points.width <= 0 || points.height <= 0) points = image.pixelSize();
    // Larger pictures are reduced to the cell; smaller ones keep their size, centred.
    const double fit = std::min({1.0, _cellWidth / points.width, _cellHeight / points.height});
    const double width = points.width * fit;
    const double height = points.height * fit;
    cairo_t* cr = context->cobj();
    cairo_save(cr);
    cairo_translate(cr, std::round((_cellWidth - width) / 2), std::round((_cellHeight - height) / 2));
    cairo_scale(cr, width / image.pixelWidth(), height / image.pixelHeight());
    cairo_set_source_surface(cr, image.surface(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
    return false;
}

std::optional<size_t> ImageGridView::selectedIndex() const
{
    std::vector<const Gtk::FlowBoxChild*> selected = _flowBox.get_selected_children();
    if (selected.empty()) return std::nullopt;
    const int index = selected.front()->get_index();
    if (index < 0 || size_t(index) >= _cells.size()) return std::nullopt;
    return size_t(index);
}

void ImageGridView::selectIndex(std::optional<size_t> index)
{
    ++_quiet;
    _flowBox.unselect_all();
    if (index && *index < _cells.size()) _flowBox.select_child(*_cells[*index].child);
    _reportedSelection = selectedIndex();
    --_quiet;
}

void ImageGridView::setEditMode(bool editMode)
{
    _editMode = editMode;
    updateDragSites();
}

void ImageGridView::updateDragSites()
{
    if (_editMode == _dragSites) return;
    _dragSites = _editMode;
    if (_dragSites) {
        // The data never leaves this widget: other programs and other grids refuse it.
        const std::vector<Gtk::TargetEntry> targets{
            Gtk::TargetEntry(_dragType, Gtk::TARGET_SAME_APP | Gtk::TARGET_SAME_WIDGET, 0)};
        _flowBox.drag_source_set(targets, Gdk::BUTTON1_MASK, Gdk::ACTION_MOVE);
        _flowBox.drag_dest_set(targets, Gtk::DestDefaults(0), Gdk::ACTION_MOVE);
    } else {
        _flowBox.drag_source_unset();
        _flowBox.drag_dest_unset();
        _dragSource.reset();
        setDropPosition(std::nullopt);
    }
}

Gdk::Rectangle ImageGridView::cellArea(size_t index) const
{
    if (index >= _cells.size() || !_cells[index].child) return {};
    Gtk::FlowBoxChild* child = _cells[index].child;
    int x = 0;
    int y = 0;
    if (!child->translate_coordinates(const_cast<Gtk::FlowBox&>(_flowBox), 0, 0, x, y)) return {};
    const Gtk::Allocation allocation = child->get_allocation();
    return Gdk::Rectangle(x, y, allocation.get_width(), allocation.get_height());
}

std::optional<size_t> ImageGridView::indexAt(int x, int y) const
{
    for (size_t index = 0; index < _cells.size(); ++index) {
        const Gdk::Rectangle area = cellArea(index);
        if (x >= area.get_x() && x < area.get_x() + area.get_width() && y >= area.get_y() &&
            y < area.get_y() + area.get_height())
            return index;
    }
    return std::nullopt;
}

size_t ImageGridView::dropPositionAt(int x, int y) const
{
    // The row under the point, with the spacing around it counted in; before the first cell whose
    // centre lies right of the point, else after the row's last cell.
    std::optional<size_t> lastInRow;
    int lowest = std::numeric_limits<int>::min();
    for (size_t index = 0; index < _cells.size(); ++index) {
        const Gdk::Rectangle area = cellArea(index);
        lowest = std::max(lowest, area.get_y() + area.get_height());
        if (y < area.get_y() - Spacing || y >= area.get_y() + area.get_height() + Spacing) continue;
        if (x < area.get_x() + area.get_width() / 2) return index;
        lastInRow = index;
    }
    if (lastInRow) return *lastInRow + 1;
    return y >= lowest ? _cells.size() : 0;
}

bool ImageGridView::buttonPressed(GdkEventButton* event)
{
    // The second press of a double click comes again as a 2-button press: counted already.
    if (event->type != GDK_BUTTON_PRESS || event->button != 1) return false;
    int x = int(event->x);
    int y = int(event->y);
    if (GtkWidget* source = gtk_get_event_widget(reinterpret_cast<GdkEvent*>(event));
        source && source != GTK_WIDGET(_flowBox.gobj()))
        gtk_widget_translate_coordinates(source, GTK_WIDGET(_flowBox.gobj()), x, y, &x, &y);
    _pressIndex = indexAt(x, y);
    if (!_pressIndex) {
        _clickCount = 0;
        return false;
    }
    Glib::RefPtr<Gtk::Settings> settings = get_settings();
    const int doubleClickTime = settings->property_gtk_double_click_time().get_value();
    const int doubleClickDistance = settings->property_gtk_double_click_distance().get_value();
    const bool continues = _clickCount > 0 && _lastClickIndex == _pressIndex &&
        event->time - _lastPressTime <= guint32(std::max(0, doubleClickTime)) &&
        std::abs(event->x_root - _lastPressX) <= doubleClickDistance &&
        std::abs(event->y_root - _lastPressY) <= doubleClickDistance;
    _clickCount = continues ? _clickCount + 1 : 1;
    _lastClickIndex = _pressIndex;
    _lastPressTime = event->time;
    _lastPressX = event->x_root;
    _lastPressY = event->y_root;
    const size_t index = *_pressIndex;
    if (_clickCount == 2) _doubleClicked.emit(index);
    else if (_clickCount == 1) _clicked.emit(index);
    return false;
}

void ImageGridView::dragBegun(const Glib::RefPtr<Gdk::DragContext>& context)
{
    _dragSource = _pressIndex;
    _clickCount = 0;
    if (_dragSource && !_cells[*_dragSource].image.isNull())
        gtk_drag_set_icon_surface(context->gobj(), _cells[*_dragSource].image.surface());
}

void ImageGridView::dragDataGot(const Glib::RefPtr<Gdk::DragContext>&, Gtk::SelectionData& data, guint, guint)
{
    data.set(_dragType, 8, reinterpret_cast<const guint8*>(_dragPayload.data()), int(_dragPayload.size()));
}

bool ImageGridView::dragMoved(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, guint time)
{
    if (!_dragSource || Gtk::Widget::drag_get_source_widget(context) != &_flowBox) return false;
    setDropPosition(dropPositionAt(x, y));
    context->drag_status(Gdk::ACTION_MOVE, time);
    return true;
}

void ImageGridView::dragLeft(const Glib::RefPtr<Gdk::DragContext>&, guint)
{
    setDropPosition(std::nullopt);
}

bool ImageGridView::dragDropped(const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, guint time)
{
    if (!_dragSource || Gtk::Widget::drag_get_source_widget(context) != &_flowBox) {
        context->drag_finish(false, false, time);
        return true;
    }
    const size_t source = *_dragSource;
    const size_t destination = dropPositionAt(x, y);
    _dragSource.reset();
    setDropPosition(std::nullopt);
    context->drag_finish(true, false, time);
    _moved.emit(source, destination);
    return true;
}

void ImageGridView::dragEnded(const Glib::RefPtr<Gdk::DragContext>&)
{
    _dragSource.reset();
    setDropPosition(std::nullopt);
}

void ImageGridView::setDropPosition(std::optional<size_t> position)
{
    if (position == _dropPosition) return;
    _dropPosition = position;
    _flowBox.queue_draw();
}

bool ImageGridView::drawDropMarker(const Cairo::RefPtr<Cairo::Context>& context)
{
    if (!_dropPosition || _cells.empty()) return false;
    const size_t position = std::min(*_dropPosition, _cells.size());
    const bool after = position == _cells.size();
    const Gdk::Rectangle area = cellArea(after ? position - 1 : position);
    const double x = after ? area.get_x() + area.get_width() + Spacing / 2.0 : area.get_x() - Spacing / 2.0;
    const Gdk::RGBA color = _flowBox.get_style_context()->get_color(_flowBox.get_state_flags());
    context->save();
    context->set_source_rgba(color.get_red(), color.get_green(), color.get_blue(), color.get_alpha());
    context->rectangle(x - 1, area.get_y(), 2, area.get_height());
    context->fill();
    context->restore();
    return false;
}
