#pragma once

#include "explorers/BreadcrumbBar.h"
#include "platform/gtk/GtkMenuPresenter.h"

#include <gtkmm.h>

// Shows a BreadcrumbBar: hands it its size, the pointer and Escape, and paints it. Captions are
// measured and drawn in the desktop's label font.
class BreadcrumbBarWidget : public Gtk::DrawingArea {
public:
    static constexpr int Height = 22;

    BreadcrumbBarWidget();

    BreadcrumbBar& bar() { return _bar; }
    GtkMenuPresenter& menuPresenter() { return _menus; }

protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;
    void on_size_allocate(Gtk::Allocation& allocation) override;
    bool on_button_press_event(GdkEventButton* event) override;
    bool on_motion_notify_event(GdkEventMotion* event) override;
    bool on_button_release_event(GdkEventButton* event) override;
    bool on_key_press_event(GdkEventKey* event) override;
    void on_style_updated() override;

private:
    BreadcrumbBar _bar;
    GtkMenuPresenter _menus;
};
