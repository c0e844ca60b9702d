#pragma once

#include "Editor/ToolbarBackground.h"

#include <gtkmm/fixed.h>
#include <gtkmm/image.h>
#include <gtkmm/menu.h>
#include <gtkmm/togglebutton.h>

#include <memory>
#include <vector>

class SegmentedControlWidget;

// The gradient strip holding segmented controls side by side; it follows its window's key state.
class ToolbarBackgroundWidget : public Gtk::Fixed {
public:
    ToolbarBackgroundWidget();
    ~ToolbarBackgroundWidget() override;

    ToolbarBackground& background() { return _background; }
    // Takes the controls. They are measured and placed once the strip is in a window that is
    // realized: measured before, with no window's style or with only part of the window around
    // them, each would be styled and measured again there.
    void addSegmentedControlItems(std::vector<std::shared_ptr<SegmentedControlItem>> items);
    // Where the first control sits from the left and how far the strip reaches above and below
    // the controls; the toolbar's own margins unless set.
    void setControlMargins(double left, double inset);
    // The strip's height, for which the controls are laid out now if they are not yet.
    int stripHeight();
    SegmentedControlWidget& controlWidget(size_t index) { return *_controls.at(index); }
    // A strip that may be narrower than its controls (the canvas's, whose pane the user sizes)
    // asks for no width of its own. The controls that do not fit whole give way, from the last,
    // to an arrow at its end whose menu reaches them, as the main toolbar's does.
    void setShrinkable(bool shrinkable);
    // How many controls, from the first, the strip shows now.
    size_t shownControlCount() const { return _shownControls; }
    // The arrow, shown while a control does not fit.
    Gtk::ToggleButton& overflowButton() { return _overflowButton; }
    // The arrow's menu, as it shows for the controls that do not fit; made anew at each opening.
    Gtk::Menu* overflowMenu() { return _overflowMenu.get(); }

protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;
    void on_hierarchy_changed(Gtk::Widget* previousTopLevel) override;
    void on_size_allocate(Gtk::Allocation& allocation) override;
    void get_preferred_width_vfunc(int& minimum, int& natural) const override;

private:
    void placeControlsInWindow();
    void placeControls();
    void fitControls(const Gtk::Allocation& allocation);
    void overflowToggled();
    void fillOverflowMenu();

    ToolbarBackground _background;
    std::vector<std::unique_ptr<SegmentedControlWidget>> _controls;
    sigc::connection _keyWatch;
    sigc::connection _windowRealized;
    bool _shrinkable = false;
    Gtk::Image _overflowPicture;
    Gtk::ToggleButton _overflowButton;
    std::unique_ptr<Gtk::Menu> _overflowMenu;
    size_t _shownControls = 0;
    bool _controlsPlaced = true;
    double _leftMargin = ToolbarBackground::LeftMargin;
    double _inset = ToolbarBackground::SegmentInset;
    int _height = 0;
};
