#include "platform/gtk/GtkNamedImages.h"

#include "platform/Image.h"

#include <gtkmm/image.h>

namespace {

NamedImageResolver& resolver()
{
    static NamedImageResolver installed;
    return installed;
}

} // namespace

void setGtkImagePicture(Gtk::Image& target, const Image& picture)
{
    if (picture.isNull() || picture.size().width <= 0) {
        target.clear();
        return;
    }
    // A copy of our own carries the device scale: the picture's surface may be drawn elsewhere at
    // one pixel a point.
    cairo_surface_t* copy =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, picture.pixelWidth(), picture.pixelHeight());
    cairo_t* cr = cairo_create(copy);
    cairo_set_source_surface(cr, picture.surface(), 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    const double scale = picture.pixelWidth() / picture.size().width;
    cairo_surface_set_device_scale(copy, scale, scale);
    gtk_image_set_from_surface(target.gobj(), copy);
    cairo_surface_destroy(copy);
}

void setNamedImageResolver(NamedImageResolver installed)
{
    resolver() = std::move(installed);
}

void setGtkImageNamed(Gtk::Image& target, const std::string& name)
{
    if (resolver()) {
        resolver()(target, name);
        return;
    }
    target.set_from_icon_name(name, Gtk::ICON_SIZE_MENU);
}
