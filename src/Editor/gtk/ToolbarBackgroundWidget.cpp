#include "Editor/gtk/ToolbarBackgroundWidget.h"

#include "Editor/gtk/SegmentedControlWidget.h"
#include "platform/CairoGraphicsContext.h"

#include <gtkmm/window.h>

ToolbarBackgroundWidget::ToolbarBackgroundWidget() : _background({0, 0, 0, 0})
{
    set_has_window(false);
}

ToolbarBackgroundWidget::~ToolbarBackgroundWidget()
{
    _keyWatch.disconnect();
    _windowRealized.disconnect();
}

void ToolbarBackgroundWidget::addSegmentedControlItems(std::vector<std::shared_ptr<SegmentedControlItem>> items)
{
    for (auto& control : _controls) remove(*control);
    _controls.clear();
    for (const auto& item : items) {
        _controls.push_back(std::make_unique<SegmentedControlWidget>(*item));
        put(*_controls.back(), 0, 0);
    }
    _background.addSegmentedControlItems(std::move(items));
    _background.validateSegmentedControlItems();
    _controlsPlaced = false;
    placeControlsInWindow();
}

void ToolbarBackgroundWidget::setControlMargins(double left, double inset)
{
    _leftMargin = left;
    _inset = inset;
    if (_controlsPlaced) placeControls();
}

int ToolbarBackgroundWidget::stripHeight()
{
    if (!_controlsPlaced) placeControls();
    return _height;
}

void ToolbarBackgroundWidget::placeControlsInWindow()
{
    _windowRealized.disconnect();
    if (_controlsPlaced) return;
    auto* window = dynamic_cast<Gtk::Window*>(get_toplevel());
    if (!window) return;
    if (window->get_realized()) {
        placeControls();
        return;
    }
    // A window still being put together is laid out first as it is realized: the controls are
    // measured then, once, with every widget around them in place. Measured as each strip joins,
    // they are styled and measured again as the window grows around them.
    _windowRealized = window->signal_realize().connect([this] { placeControlsInWindow(); }, false);
}

void ToolbarBackgroundWidget::placeControls()
{
    _controlsPlaced = true;
    // The controls take their fitted size first; the strip places them by it.
    for (auto& control : _controls) control->fitFrame();
    const double height = _background.addSegmentedControlItems(_background.segmentedControlItems());
    const double shiftX = _leftMargin - ToolbarBackground::LeftMargin;
    const double shiftY = _inset - ToolbarBackground::SegmentInset;
    for (auto& control : _controls) {
        const Rect frame = control->item().segmentedControl().frame();
        move(*control, static_cast<int>(frame.origin.x + shiftX), static_cast<int>(frame.origin.y + shiftY));
    }
    _height = _controls.empty() ? 0 : static_cast<int>(height + 2 * shiftY);
    set_size_request(-1, _height);
}

void ToolbarBackgroundWidget::get_preferred_width_vfunc(int& minimum, int& natural) const
{
    Gtk::Fixed::get_preferred_width_vfunc(minimum, natural);
    if (_shrinkable) minimum = 0;
}

void ToolbarBackgroundWidget::on_hierarchy_changed(Gtk::Widget* previousTopLevel)
{
    Gtk::Fixed::on_hierarchy_changed(previousTopLevel);
    placeControlsInWindow();
    _keyWatch.disconnect();
    if (auto* window = dynamic_cast<Gtk::Window*>(get_toplevel()))
        _keyWatch = window->property_is_active().signal_changed().connect([this] { queue_draw(); });
}

bool ToolbarBackgroundWidget::on_draw(const Cairo::RefPtr<Cairo::Context>& cr)
{
    auto* window = dynamic_cast<Gtk::Window*>(get_toplevel());
    _background.setInKeyWindow(window && window->is_active());
    _background.setFrame({0, 0, double(get_allocated_width()), double(get_allocated_height())});
    {
        CairoGraphicsContext context(cr->cobj(), GraphicsSurfaceKind::Screen);
        _background.drawRect(context, _background.bounds());
    }
    return Gtk::Fixed::on_draw(cr);
}
