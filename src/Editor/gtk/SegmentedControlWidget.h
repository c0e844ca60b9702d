#pragma once

#include "Editor/SegmentedControlItem.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>

#include <memory>
#include <vector>

class GtkMenuPresenter;

// A segmented control as a row of linked GTK buttons. It shows the control's state, hands clicks
// to it and reports its fitted size back, so that strips lay it out by the size it really has.
class SegmentedControlWidget : public Gtk::Box {
public:
    explicit SegmentedControlWidget(SegmentedControlItem& item);
    ~SegmentedControlWidget() override;

    SegmentedControlItem& item() { return _item; }
    Gtk::Button& button(size_t segment) { return *_buttons.at(segment); }
    // Shows the control's segments as they now are.
    void refresh();

private:
    SegmentedControlItem& _item;
    std::vector<std::unique_ptr<Gtk::Button>> _buttons;
    std::unique_ptr<GtkMenuPresenter> _menuPresenter;
};
