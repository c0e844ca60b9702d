#include "explorers/gtk/ProgressIconWidget.h"

#include "platform/CairoGraphicsContext.h"

ProgressIconWidget::ProgressIconWidget()
{
    add_events(Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK);
    set_size_request(16, 16);
    _view.setNeedsDisplayHandler([this] { queue_draw(); });
    // An insensitive box, or one inside an insensitive row, greys out and ignores clicks.
    signal_state_flags_changed().connect([this](Gtk::StateFlags) { _view.setEnabled(is_sensitive()); });
}

bool ProgressIconWidget::on_draw(const Cairo::RefPtr<Cairo::Context>& cr)
{
    CairoGraphicsContext context(cr->cobj(), GraphicsSurfaceKind::Screen);
    _view.draw(context);
    return true;
}

void ProgressIconWidget::on_size_allocate(Gtk::Allocation& allocation)
{
    Gtk::DrawingArea::on_size_allocate(allocation);
    _view.setBounds({0, 0, double(allocation.get_width()), double(allocation.get_height())});
}

bool ProgressIconWidget::on_button_press_event(GdkEventButton* event)
{
    if (event->button != GDK_BUTTON_PRIMARY || event->type != GDK_BUTTON_PRESS) return true;
    return _view.mouseDown({event->x, event->y});
}

bool ProgressIconWidget::on_button_release_event(GdkEventButton* event)
{
    if (event->button == GDK_BUTTON_PRIMARY) _view.mouseUp({event->x, event->y});
    return true;
}
