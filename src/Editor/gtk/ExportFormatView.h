#pragma once

#include "Editor/ExportFormatViewController.h"

#include <gtkmm/comboboxtext.h>
#include <gtkmm/grid.h>
#include <gtkmm/label.h>
#include <gtkmm/radiobutton.h>

#include <array>

// The export-to-cloud question's accessory: the format radios, the density and size line for
// bitmaps, and the range. Every change goes to the controller, which tells the question's OK.
class ExportFormatView : public Gtk::Grid {
public:
    explicit ExportFormatView(ExportFormatViewController& controller);

    Gtk::RadioButton& formatRadio(size_t index) { return _formatRadios.at(index); }
    Gtk::ComboBoxText& qualityPopup() { return _qualityPopup; }
    Gtk::Label& sizeLabel() { return _sizeLabel; }
    Gtk::RadioButton& wholeMapRadio() { return _wholeMapRadio; }
    Gtk::RadioButton& selectionRadio() { return _selectionRadio; }

    // Makes the view the alert panel's accessory of ExportFormatViewController::AccessoryName.
    static void registerAccessory();

private:
    void showController();

    ExportFormatViewController& _controller;
    Gtk::Label _formatLabel;
    Gtk::RadioButton::Group _formatGroup;
    // On when the stored format names none of the radios, so that none of them shows on.
    Gtk::RadioButton _noFormat;
    std::array<Gtk::RadioButton, 7> _formatRadios;
    Gtk::Label _qualityLabel;
    Gtk::ComboBoxText _qualityPopup;
    Gtk::Label _sizeLabel;
    Gtk::Label _rangeLabel;
    Gtk::RadioButton _wholeMapRadio;
    Gtk::RadioButton _selectionRadio;
    int _showing = 0;
};
