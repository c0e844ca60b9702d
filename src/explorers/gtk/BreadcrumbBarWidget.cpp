#include "explorers/gtk/BreadcrumbBarWidget.h"

#include "platform/CairoGraphicsContext.h"
#include "platform/TextMeasurer.h"

BreadcrumbBarWidget::BreadcrumbBarWidget() : _bar(TextMeasurer::shared()), _menus(*this)
{
    add_events(Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK | Gdk::BUTTON1_MOTION_MASK | Gdk::KEY_PRESS_MASK);
    set_size_request(-1, Height);
    _bar.setMenuPresenter(&_menus);
    _bar.setNeedsDisplayHandler([this] { queue_draw(); });
}

bool BreadcrumbBarWidget::on_draw(const Cairo::RefPtr<Cairo::Context>& cr)
{
    CairoGraphicsContext context(cr->cobj(), GraphicsSurfaceKind::Screen);
    _bar.draw(context);
    return true;
}

void BreadcrumbBarWidget::on_size_allocate(Gtk::Allocation& allocation)
{
    Gtk::DrawingArea::on_size_allocate(allocation);
    _bar.setFrameSize({double(allocation.get_width()), double(allocation.get_height())});
}

bool BreadcrumbBarWidget::on_button_press_event(GdkEventButton* event)
{
    if (event->button != GDK_BUTTON_PRIMARY || event->type != GDK_BUTTON_PRESS) return false;
    _bar.mouseDown({event->x, event->y});
    return true;
}

bool BreadcrumbBarWidget::on_motion_notify_event(GdkEventMotion* event)
{
    _bar.mouseDragged({event->x, event->y});
    return true;
}

bool BreadcrumbBarWidget::on_button_release_event(GdkEventButton* event)
{
    if (event->button != GDK_BUTTON_PRIMARY) return false;
    _bar.mouseUp({event->x, event->y});
    return true;
}

bool BreadcrumbBarWidget::on_key_press_event(GdkEventKey* event)
{
    if (event->keyval != GDK_KEY_Escape || !_bar.isMouseDown()) return false;
    _bar.cancelOperation();
    return true;
}

void BreadcrumbBarWidget::on_style_updated()
{
    Gtk::DrawingArea::on_style_updated();
    const Pango::FontDescription description = get_style_context()->get_font();
    double size = description.get_size() / double(PANGO_SCALE);
    // Pango sizes here are absolute: the desktop's points become pixels at 96 dots per inch.
    if (!description.get_size_is_absolute()) size *= 96.0 / 72.0;
    if (size <= 0) return;
    _bar.setFont(
        Font(description.get_family().empty() ? Font::fallbackFamily() : description.get_family().raw(), size));
}
