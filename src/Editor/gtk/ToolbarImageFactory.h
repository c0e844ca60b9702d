#pragma once

#include "Editor/ToolbarImages.h"

#include <cairomm/surface.h>
#include <gtkmm/image.h>

#include <string>

// Shows the pictures the image table names: themed icons through the icon theme, and the drawn
// ones from surfaces painted once for each scale and ink, in the colour the theme gives the
// image's text, as it does to symbolic icons.
class ToolbarImageFactory {
public:
    // Makes the table the way every named picture of the program (segments, menu items) is shown.
    static void install();
    // Paints every drawn picture for the scale (device pixels per point), so that the first
    // toolbar does not draw while it is being shown.
    static void prepare(int scale);
    // Shows the named picture in the image, a drawn one in the image's text colour, again when
    // the theme or the image's state changes; false, leaving the image empty, for a name the
    // table does not have.
    static bool setImage(Gtk::Image& image, const std::string& name, int scale);
    // The drawn picture of a row, ToolbarPictureSize points a side; null for a themed row.
    static Cairo::RefPtr<Cairo::ImageSurface> picture(const ToolbarImageRow& row, int scale,
                                                      const Color& ink = ToolbarDefaultInk);
};
