#include "Editor/gtk/GtkPopoverColorPicker.h"

#include "Editor/ColorPickerMatrix.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/Image.h"
#include "platform/gtk/GtkPopoverPresenter.h"

#include <gtkmm/button.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/drawingarea.h>
#include <gtkmm/fixed.h>
#include <gtkmm/popover.h>

#include <algorithm>
#include <cmath>

namespace {

Gtk::PositionType position(PopoverPresenter::Edge edge)
{
    switch (edge) {
    case PopoverPresenter::Edge::Left:
        return Gtk::POS_LEFT;
    case PopoverPresenter::Edge::Right:
        return Gtk::POS_RIGHT;
    case PopoverPresenter::Edge::Bottom:
        return Gtk::POS_BOTTOM;
    case PopoverPresenter::Edge::Top:
        break;
    }
    return Gtk::POS_TOP;
}

constexpr double DisabledOpacity = 0.35;

int whole(double value)
{
    return std::isfinite(value) ? static_cast<int>(std::lround(value)) : 0;
}

void addWeakPointer(GtkWidget*& widget, Gtk::Widget& made)
{
    widget = GTK_WIDGET(made.gobj());
    g_object_add_weak_pointer(G_OBJECT(widget), reinterpret_cast<gpointer*>(&widget));
}

void removeWeakPointer(GtkWidget*& widget)
{
    if (widget) g_object_remove_weak_pointer(G_OBJECT(widget), reinterpret_cast<gpointer*>(&widget));
}

// The transparent button shows its picture edge to edge, without the theme's frame and padding,
// so that it lines up with the swatches above it.
void makeBare(Gtk::Button& button)
{
    static const Glib::RefPtr<Gtk::CssProvider> css = [] {
        auto provider = Gtk::CssProvider::create();
        provider->load_from_data("button { padding: 0; margin: 0; border: none; border-radius: 0; min-height: 0;"
                                 " min-width: 0; box-shadow: none; background: none; outline-width: 0; }");
        return provider;
    }();
    button.get_style_context()->add_provider(css, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    button.set_relief(Gtk::RELIEF_NONE);
}

// The transparent button's picture, faded while the button is disabled (the theme leaves a
// picture of ours as it is).
class SwatchPicture : public Gtk::DrawingArea {
public:
    SwatchPicture(Image image, int scale) : _image(std::move(image)), _scale(scale)
    {
        const Size size = _image.size();
        set_size_request(int(size.width), int(size.height));
    }

protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override
    {
        if (_image.isNull()) return true;
        cr->scale(1.0 / _scale, 1.0 / _scale);
        cairo_set_source_surface(cr->cobj(), _image.surface(), 0, 0);
        cr->paint_with_alpha(is_sensitive() ? 1.0 : DisabledOpacity);
        return true;
    }

private:
    Image _image;
    int _scale;
};

class SwatchGrid : public Gtk::DrawingArea {
public:
    SwatchGrid()
    {
        set_size_request(int(ColorPickerMatrix::BackgroundSize.width), int(ColorPickerMatrix::BackgroundSize.height));
        add_events(Gdk::BUTTON_PRESS_MASK);
    }

protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override
    {
        CairoGraphicsContext context(cr->cobj(), GraphicsSurfaceKind::Screen);
        ColorPickerMatrix::draw(context);
        return true;
    }
};

} // namespace

GtkPopoverColorPicker::GtkPopoverColorPicker(Gtk::Widget& canvas) : _canvas(canvas)
{
}

GtkPopoverColorPicker::~GtkPopoverColorPicker()
{
    if (_grid) g_signal_handlers_disconnect_by_data(_grid, this);
    if (_transparentButton) g_signal_handlers_disconnect_by_data(_transparentButton, this);
    removeWeakPointer(_grid);
    removeWeakPointer(_transparentButton);
    if (!_popover) return;
    removeWeakPointer(_popover);
    gtk_widget_destroy(_popover);
}

bool GtkPopoverColorPicker::isShown() const
{
    return _popover && gtk_widget_get_visible(_popover);
}

void GtkPopoverColorPicker::close()
{
    if (_popover) gtk_widget_hide(_popover);
}

void GtkPopoverColorPicker::makePopover()
{
    auto* popover = Gtk::manage(new Gtk::Popover(_canvas));
    makeSemitransient(*popover);
    auto* content = Gtk::manage(new Gtk::Fixed());
    auto* grid = Gtk::manage(new SwatchGrid());
    auto* button = Gtk::manage(new Gtk::Button());
    makeBare(*button);
    const Rect buttonFrame = ColorPickerMatrix::transparentButtonFrame();
    const int scale = std::max(1, _canvas.get_scale_factor());
    auto* picture = Gtk::manage(new SwatchPicture(TransparentSwatchImage(buttonFrame.size, scale), scale));
    button->add(*picture);
    button->set_size_request(int(buttonFrame.width()), int(buttonFrame.height()));
    content->put(*grid, 0, 0);
    content->put(*button, int(buttonFrame.minX()), int(buttonFrame.minY()));
    popover->add(*content);
    content->show_all();
    addWeakPointer(_popover, *popover);
    addWeakPointer(_grid, *grid);
    addWeakPointer(_transparentButton, *button);
    g_signal_connect(_grid, "button-press-event", G_CALLBACK(+[](GtkWidget*, GdkEventButton* event, gpointer self) {
                         return gboolean(static_cast<GtkPopoverColorPicker*>(self)->gridPressed(event));
                     }),
                     this);
    g_signal_connect(_transparentButton, "clicked", G_CALLBACK(+[](GtkButton*, gpointer self) {
                         static_cast<GtkPopoverColorPicker*>(self)->colorPicked(Color::normalizedClearColor());
                     }),
                     this);
}

bool GtkPopoverColorPicker::gridPressed(GdkEventButton* event)
{
    if (event->type != GDK_BUTTON_PRESS || event->button != GDK_BUTTON_PRIMARY) return false;
    const std::optional<int> cell = ColorPickerMatrix::cellIndexAt({event->x, event->y});
    if (cell) colorPicked(ColorPickerMatrix::colors()[size_t(*cell)]);
    return true;
}

void GtkPopoverColorPicker::showChooser(const Rect& viewRect, PopoverPresenter::Edge preferredEdge, bool transparency)
{
    if (!_popover) makePopover();
    if (_transparentButton) gtk_widget_set_sensitive(_transparentButton, transparency);
    Gtk::Popover* popover = Glib::wrap(GTK_POPOVER(_popover));
    popover->set_pointing_to(Gdk::Rectangle(whole(viewRect.origin.x), whole(viewRect.origin.y),
                                            std::max(1, whole(viewRect.size.width)),
                                            std::max(1, whole(viewRect.size.height))));
    popover->set_position(position(preferredEdge));
    popover->popup();
}
