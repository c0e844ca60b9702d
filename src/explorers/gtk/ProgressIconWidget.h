#pragma once

#include "explorers/ProgressIconView.h"

#include <gtkmm.h>

// Shows a ProgressIconView: hands it its size, presses and releases, and paints it.
class ProgressIconWidget : public Gtk::DrawingArea {
public:
    ProgressIconWidget();

    ProgressIconView& view() { return _view; }

protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;
    void on_size_allocate(Gtk::Allocation& allocation) override;
    bool on_button_press_event(GdkEventButton* event) override;
    bool on_button_release_event(GdkEventButton* event) override;

private:
    ProgressIconView _view;
};
