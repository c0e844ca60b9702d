#pragma once

#include "preferences/ImageSettingsModel.h"
#include "preferences/gtk/PreferencePane.h"

#include <gtkmm/checkbutton.h>
#include <gtkmm/comboboxtext.h>
#include <gtkmm/grid.h>
#include <gtkmm/radiobutton.h>

// The image pane: the largest size of added pictures, their thumbnails and density, and the
// clean-up of unused pictures at quit.
class ImageSettingsViewController : public PreferencePane {
public:
    explicit ImageSettingsViewController(const PreferencePaneInfo& info);

    Gtk::ComboBoxText& imageSizePopup() { return _imageSize; }
    Gtk::ComboBoxText& thumbnailSizePopup() { return _thumbnailSize; }
    Gtk::RadioButton& nativeDensityRadio() { return _native; }
    Gtk::CheckButton& cleanupCheckbox() { return _cleanup; }

protected:
    Gtk::Widget& loadView() override;

private:
    void imageOptionsChanged();

    ImageSettingsModel _model;
    Gtk::Grid _grid;
    Gtk::ComboBoxText _imageSize;
    Gtk::ComboBoxText _thumbnailSize;
    Gtk::RadioButton _standard;
    Gtk::RadioButton _native;
    Gtk::CheckButton _cleanup;
    bool _loading = false;
};
