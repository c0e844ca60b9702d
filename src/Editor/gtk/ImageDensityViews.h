#pragma once

#include <gtkmm/comboboxtext.h>
#include <gtkmm/label.h>

#include <string>

// The density popup and the size line, as the mail options, the export panel and the cloud export
// show them.

// The densities in ImageDensityChoice's order, so that a row number is a density index.
void fillDensityPopup(Gtk::ComboBoxText& popup);
// Red while the picture would be too large, the theme's colour otherwise.
void showImageSizeLine(Gtk::Label& label, const std::string& text, bool acceptable);
