#include "Editor/gtk/SegmentedControlWidget.h"

#include "platform/gtk/GtkMenuPresenter.h"
#include "platform/gtk/GtkNamedImages.h"

#include <gtkmm/image.h>

SegmentedControlWidget::SegmentedControlWidget(SegmentedControlItem& item)
    : Gtk::Box(Gtk::ORIENTATION_HORIZONTAL), _item(item), _menuPresenter(std::make_unique<GtkMenuPresenter>(*this))
{
    get_style_context()->add_class("linked");
    SegmentedControl& control = _item.segmentedControl();
    for (size_t i = 0; i < control.segmentCount(); ++i) {
        auto button = std::make_unique<Gtk::Button>();
        button->set_can_focus(false);
        button->signal_clicked().connect([this, i] { _item.segmentedControl().performClick(static_cast<int>(i)); });
        pack_start(*button, Gtk::PACK_SHRINK);
        _buttons.push_back(std::move(button));
    }
    control.setMenuPresenter(_menuPresenter.get());
    control.setChangeHandler([this] { refresh(); });
    refresh();
    show_all();
    int minimumWidth = 0, naturalWidth = 0, minimumHeight = 0, naturalHeight = 0;
    get_preferred_width(minimumWidth, naturalWidth);
    get_preferred_height(minimumHeight, naturalHeight);
    const Rect frame = control.frame();
    control.setFrame({frame.origin.x, frame.origin.y, double(naturalWidth), double(naturalHeight)});
}

SegmentedControlWidget::~SegmentedControlWidget()
{
    SegmentedControl& control = _item.segmentedControl();
    control.setChangeHandler(nullptr);
    control.setMenuPresenter(nullptr);
}

void SegmentedControlWidget::refresh()
{
    const SegmentedControl& control = _item.segmentedControl();
    for (size_t i = 0; i < _buttons.size() && i < control.segmentCount(); ++i) {
        const SegmentedControl::Segment& segment = control.segment(i);
        Gtk::Button& button = *_buttons[i];
        if (!segment.image.empty()) {
            auto* image = button.get_image();
            auto* icon = dynamic_cast<Gtk::Image*>(image);
            if (!icon) {
                icon = Gtk::manage(new Gtk::Image());
                button.set_image(*icon);
                button.set_always_show_image(true);
            }
            setGtkImageNamed(*icon, segment.image);
        }
        if (segment.label) button.set_label(*segment.label);
        button.set_tooltip_text(segment.toolTip);
        button.set_sensitive(segment.enabled);
    }
}
