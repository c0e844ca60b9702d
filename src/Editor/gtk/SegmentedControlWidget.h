#pragma once

#include "Editor/SegmentedControlItem.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/gesturelongpress.h>
#include <gtkmm/image.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class GtkMenuPresenter;

// A segmented control as a row of linked GTK buttons. It shows the control's state, hands clicks
// to it and reports its size back: the size it gets when laid out, or, for strips that place it
// by hand before that, its fitted size on request.
// Holding a button down opens its segment's menu; the release after that is no click.
class SegmentedControlWidget : public Gtk::Box {
public:
    explicit SegmentedControlWidget(SegmentedControlItem& item);
    ~SegmentedControlWidget() override;

    SegmentedControlItem& item() { return _item; }
    Gtk::Button& button(size_t segment) { return *_buttons.at(segment); }
    // The segment's picture, once it has one.
    Gtk::Image* picture(size_t segment) const { return _shown.at(segment).picture; }
    // Shows the control's segments as they now are.
    void refresh();
    // What holding the segment's button down does (the long-press gesture calls it).
    void holdSegment(size_t segment);
    // Gives the control the size the buttons ask for. Measuring a widget outside a window costs a
    // second pass over its style, so only strips that need the size before layout ask for it.
    void fitFrame();

private:
    void on_size_allocate(Gtk::Allocation& allocation) override;
    static void showPictureBesideLabel(Gtk::Button& button, Gtk::Image& picture);
    // Validation enables and disables segments as the keyboard moves: an in-place edit disables
    // most of them and its end enables them again, on every structural key. The theme's fade
    // between the two looks restyles, lays out and repaints the window for each of its frames;
    // such a switch shows its new look at once. The button fades again from when the pointer
    // comes over it: taking the fade back restyles it, which the theme fades too, unseen under
    // the hover's own fade.
    static void setSensitiveAtOnce(Gtk::Button& button, bool sensitive);

    // What a button shows, so that a refresh changes only what changed: a picture set again is
    // looked up, loaded and measured again, and a label set again rebuilds the button's content.
    struct Shown {
        Gtk::Image* picture = nullptr;
        std::string image;
        int scale = 0;
        std::optional<std::string> label;
        std::optional<std::string> toolTip;
    };

    SegmentedControlItem& _item;
    std::vector<std::unique_ptr<Gtk::Button>> _buttons;
    std::vector<Shown> _shown;
    std::vector<Glib::RefPtr<Gtk::GestureLongPress>> _holds;
    // The segment whose button was held; its release is not a click.
    int _heldSegment = -1;
    std::unique_ptr<GtkMenuPresenter> _menuPresenter;
};
