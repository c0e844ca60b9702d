#include "Editor/gtk/ToolbarBackgroundWidget.h"

#include "Editor/SegmentedControlItem.h"
#include "Editor/gtk/SegmentMenuEntries.h"
#include "Editor/gtk/SegmentedControlWidget.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/Localizer.h"

#include <gtkmm/menuitem.h>
#include <gtkmm/separatormenuitem.h>
#include <gtkmm/window.h>

#include <algorithm>

ToolbarBackgroundWidget::ToolbarBackgroundWidget() : _background({0, 0, 0, 0})
{
    set_has_window(false);
    // As the main toolbar's arrow: a flat toggle that stays down while its menu is open.
    _overflowPicture.set_from_icon_name("pan-down-symbolic", Gtk::ICON_SIZE_MENU);
    _overflowButton.add(_overflowPicture);
    _overflowButton.set_relief(Gtk::RELIEF_NONE);
    _overflowButton.set_can_focus(false);
    _overflowButton.get_style_context()->add_class("image-button");
    // A picture alone names nothing to a screen reader.
    _overflowButton.set_tooltip_text(localized("toolbar_overflow_button"));
    _overflowButton.get_accessible()->set_name(localized("toolbar_overflow_button"));
    _overflowButton.signal_toggled().connect(sigc::mem_fun(*this, &ToolbarBackgroundWidget::overflowToggled));
    _overflowButton.show_all();
}

void ToolbarBackgroundWidget::setShrinkable(bool shrinkable)
{
    _shrinkable = shrinkable;
    // Only a strip that may lack room has the arrow among its children, and measured with them.
    if (shrinkable && !_overflowButton.get_parent()) {
        put(_overflowButton, 0, 0);
        _overflowButton.set_child_visible(false);
    }
    queue_resize();
}

ToolbarBackgroundWidget::~ToolbarBackgroundWidget()
{
    _keyWatch.disconnect();
    _windowRealized.disconnect();
    if (_overflowMenu) _overflowMenu->detach();
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

void ToolbarBackgroundWidget::on_size_allocate(Gtk::Allocation& allocation)
{
    Gtk::Fixed::on_size_allocate(allocation);
    fitControls(allocation);
}

void ToolbarBackgroundWidget::fitControls(const Gtk::Allocation& allocation)
{
    size_t shown = _controls.size();
    if (_shrinkable && _controlsPlaced && !_controls.empty()) {
        const double shiftX = _leftMargin - ToolbarBackground::LeftMargin;
        const auto rightEdge = [&](size_t index) {
            return _controls[index]->item().segmentedControl().frame().maxX() + shiftX;
        };
        const double width = allocation.get_width();
        if (rightEdge(_controls.size() - 1) > width) {
            int minimum = 0, natural = 0;
            _overflowButton.get_preferred_width(minimum, natural);
            const double room = width - _leftMargin - natural - ToolbarBackground::ControlGap;
            shown = 0;
            while (shown < _controls.size() && rightEdge(shown) <= room) ++shown;
        }
    }
    _shownControls = shown;
    // A control cut in two is no use: it goes whole, and the arrow's menu offers it instead.
    for (size_t index = 0; index < _controls.size(); ++index) _controls[index]->set_child_visible(index < shown);
    const bool overflowing = shown < _controls.size();
    if (_overflowButton.get_parent()) _overflowButton.set_child_visible(overflowing);
    if (!overflowing) return;
    int width = 0, height = 0, ignored = 0;
    _overflowButton.get_preferred_width(ignored, width);
    _overflowButton.get_preferred_height(ignored, height);
    Gtk::Allocation arrow(allocation.get_x() + allocation.get_width() - int(_leftMargin) - width,
                          allocation.get_y() + std::max(0, (allocation.get_height() - height) / 2), width, height);
    _overflowButton.size_allocate(arrow);
}

void ToolbarBackgroundWidget::overflowToggled()
{
    if (!_overflowButton.get_active()) return;
    fillOverflowMenu();
    _overflowMenu->popup_at_widget(&_overflowButton, Gdk::GRAVITY_SOUTH_EAST, Gdk::GRAVITY_NORTH_EAST, nullptr);
}

void ToolbarBackgroundWidget::fillOverflowMenu()
{
    if (_overflowMenu) _overflowMenu->detach();
    _overflowMenu = std::make_unique<Gtk::Menu>();
    _overflowMenu->attach_to_widget(_overflowButton);
    _overflowMenu->signal_deactivate().connect([this] { _overflowButton.set_active(false); });
    for (size_t index = _shownControls; index < _controls.size(); ++index) {
        SegmentedControlItem& item = _controls[index]->item();
        // The entries are enabled as the segments would be now.
        item.validate();
        if (index > _shownControls) _overflowMenu->append(*Gtk::manage(new Gtk::SeparatorMenuItem()));
        for (size_t segment = 0; segment < item.segmentedControl().segmentCount(); ++segment) {
            auto* entry = Gtk::manage(new Gtk::MenuItem(segmentEntryTitle(item, segment), false));
            actAsSegment(*entry, item, segment);
            _overflowMenu->append(*entry);
        }
    }
    _overflowMenu->show_all();
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
