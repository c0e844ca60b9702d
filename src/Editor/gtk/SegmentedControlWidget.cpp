#include "Editor/gtk/SegmentedControlWidget.h"

#include "Editor/gtk/ToolbarImageFactory.h"
#include "platform/gtk/GtkMenuPresenter.h"
#include "platform/gtk/GtkNamedImages.h"

#include <atkmm/object.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/image.h>

namespace {

constexpr const char* SwitchingClass = "tarnwick-switching";

const Glib::RefPtr<Gtk::CssProvider>& switchingStyle()
{
    static const Glib::RefPtr<Gtk::CssProvider> provider = [] {
        auto made = Gtk::CssProvider::create();
        made->load_from_data("." + std::string(SwitchingClass) + " { transition: none; }");
        return made;
    }();
    return provider;
}

} // namespace

SegmentedControlWidget::SegmentedControlWidget(SegmentedControlItem& item)
    : Gtk::Box(Gtk::ORIENTATION_HORIZONTAL), _item(item), _menuPresenter(std::make_unique<GtkMenuPresenter>(*this))
{
    ToolbarImageFactory::install();
    get_style_context()->add_class("linked");
    SegmentedControl& control = _item.segmentedControl();
    for (size_t i = 0; i < control.segmentCount(); ++i) {
        auto button = std::make_unique<Gtk::Button>();
        button->set_can_focus(false);
        button->get_style_context()->add_provider(switchingStyle(), GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        button->signal_enter_notify_event().connect(
            [raw = button.get()](GdkEventCrossing*) {
                raw->get_style_context()->remove_class(SwitchingClass);
                return false;
            },
            false);
        button->signal_clicked().connect([this, i] {
            if (_heldSegment == static_cast<int>(i)) {
                _heldSegment = -1;
                return;
            }
            _item.segmentedControl().performClick(static_cast<int>(i));
        });
        // A hold whose release the opened menu took leaves no mark on the next press.
        button->signal_button_press_event().connect(
            [this](GdkEventButton*) {
                _heldSegment = -1;
                return false;
            },
            false);
        auto hold = Gtk::GestureLongPress::create(*button);
        // Ahead of the button's own handling, so that the hold is seen while the button is down.
        hold->set_propagation_phase(Gtk::PHASE_CAPTURE);
        hold->signal_pressed().connect([this, i](double, double) { holdSegment(i); });
        pack_start(*button, Gtk::PACK_SHRINK);
        _buttons.push_back(std::move(button));
        _shown.emplace_back();
        _holds.push_back(std::move(hold));
    }
    control.setMenuPresenter(_menuPresenter.get());
    control.setChangeHandler([this] { refresh(); });
    refresh();
    show_all();
}

void SegmentedControlWidget::fitFrame()
{
    int minimumWidth = 0, naturalWidth = 0, minimumHeight = 0, naturalHeight = 0;
    get_preferred_width(minimumWidth, naturalWidth);
    get_preferred_height(minimumHeight, naturalHeight);
    SegmentedControl& control = _item.segmentedControl();
    const Rect frame = control.frame();
    control.setFrame({frame.origin.x, frame.origin.y, double(naturalWidth), double(naturalHeight)});
}

void SegmentedControlWidget::on_size_allocate(Gtk::Allocation& allocation)
{
    Gtk::Box::on_size_allocate(allocation);
    // Menus open below the segment they belong to, placed by the size the control really got.
    SegmentedControl& control = _item.segmentedControl();
    const Rect frame = control.frame();
    control.setFrame({frame.origin.x, frame.origin.y, double(allocation.get_width()), double(allocation.get_height())});
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
        Shown& shown = _shown[i];
        // A picture drawn for one scale is drawn anew for another.
        const int scale = get_scale_factor();
        if (!segment.image.empty() && (segment.image != shown.image || scale != shown.scale)) {
            if (!shown.picture) {
                shown.picture = Gtk::manage(new Gtk::Image());
                if (segment.label) {
                    showPictureBesideLabel(button, *shown.picture);
                } else {
                    // A picture alone is the button's only child. The button's own picture slot
                    // would wrap it in two more widgets, each styled and laid out with the window,
                    // and look the spacing beside a label up in the theme, all for no label.
                    button.add(*shown.picture);
                    shown.picture->show();
                    button.get_style_context()->add_class("image-button");
                }
            }
            setGtkImageNamed(*shown.picture, segment.image);
            shown.image = segment.image;
            shown.scale = scale;
        }
        const bool readAloudChanged =
            segment.toolTip != shown.toolTip || segment.label.has_value() != shown.label.has_value();
        if (segment.label && segment.label != shown.label) {
            // A picture shown alone so far moves beside the label instead of being replaced by it.
            if (shown.picture && button.get_image() != shown.picture) showPictureBesideLabel(button, *shown.picture);
            button.set_label(*segment.label);
            shown.label = segment.label;
        }
        if (segment.toolTip != shown.toolTip) {
            button.set_tooltip_text(segment.toolTip);
            shown.toolTip = segment.toolTip;
        }
        // A segment that shows only a picture is read aloud by what its tool tip says.
        if (readAloudChanged && !segment.label && !segment.toolTip.empty()) {
            if (Glib::RefPtr<Atk::Object> accessible = button.get_accessible()) accessible->set_name(segment.toolTip);
        }
        if (button.get_sensitive() != segment.enabled) setSensitiveAtOnce(button, segment.enabled);
    }
}

void SegmentedControlWidget::setSensitiveAtOnce(Gtk::Button& button, bool sensitive)
{
    // A button under the pointer fades as its hover has it.
    if (!(button.get_state_flags() & Gtk::STATE_FLAG_PRELIGHT)) button.get_style_context()->add_class(SwitchingClass);
    button.set_sensitive(sensitive);
}

void SegmentedControlWidget::showPictureBesideLabel(Gtk::Button& button, Gtk::Image& picture)
{
    // The button takes the picture from wherever it is, its own child included.
    button.get_style_context()->remove_class("image-button");
    button.set_image(picture);
    button.set_always_show_image(true);
}

void SegmentedControlWidget::holdSegment(size_t segment)
{
    if (segment >= _buttons.size()) return;
    if (_item.handleSegmentHeld(static_cast<int>(segment))) _heldSegment = static_cast<int>(segment);
}
