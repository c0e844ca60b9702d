#pragma once

#include <functional>
#include <string>

class Image;

namespace Gtk {
class Image;
}

// Shows a drawn picture in a GTK image at its size in points, sharp on screens of any scale.
void setGtkImagePicture(Gtk::Image& target, const Image& picture);

// How the application's image names become pictures in menus and toolbar controls. The
// application installs its table at start-up; without one, a name is asked of the icon theme.
using NamedImageResolver = std::function<void(Gtk::Image& target, const std::string& name)>;
void setNamedImageResolver(NamedImageResolver resolver);
void setGtkImageNamed(Gtk::Image& target, const std::string& name);
