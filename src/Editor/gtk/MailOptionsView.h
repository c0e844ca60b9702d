#pragma once

#include "Editor/MailMapAction.h"
#include "Editor/MailOptionsViewController.h"

#include <gtkmm/box.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/comboboxtext.h>
#include <gtkmm/grid.h>
#include <gtkmm/label.h>
#include <gtkmm/radiobutton.h>

#include <array>

// The check boxes, density list and range radios of the mail dialog, showing a
// MailOptionsViewController and handing it every change.
class MailOptionsView : public Gtk::Box {
public:
    explicit MailOptionsView(MailOptionsViewController& controller);
    ~MailOptionsView() override;

    Gtk::CheckButton& checkBox(size_t index) { return _checkBoxes[index]; }
    Gtk::ComboBoxText& qualityPopup() { return _qualityPopup; }
    Gtk::RadioButton& rangeMindMapRadio() { return _rangeMindMapRadio; }
    Gtk::RadioButton& rangeSelectionRadio() { return _rangeSelectionRadio; }
    Gtk::Label& sizeLabel() { return _sizeLabel; }

private:
    void showState();

    MailOptionsViewController& _controller;
    std::array<Gtk::CheckButton, MailOptionsViewController::FormatBoxes.size()> _checkBoxes;
    Gtk::Grid _formatGrid;
    Gtk::Box _qualityRow{Gtk::ORIENTATION_HORIZONTAL, 6};
    Gtk::Label _qualityLabel;
    Gtk::ComboBoxText _qualityPopup;
    Gtk::Label _sizeLabel;
    Gtk::Box _rangeRow{Gtk::ORIENTATION_HORIZONTAL, 6};
    Gtk::Label _rangeLabel;
    Gtk::RadioButton _rangeMindMapRadio;
    Gtk::RadioButton _rangeSelectionRadio;
    // Raised while the view shows the controller's state, so that setting a widget is not taken
    // for the user's change.
    int _showing = 0;
};

// Runs the mail dialog: message, attachment note, the options view, OK and Cancel.
class GtkMailOptionsPrompt : public MailOptionsPrompt {
public:
    bool runMailOptions(MailOptionsViewController& options) override;
};

// Installs the mail dialog and the desktop's mail program for "Mail Mind Map".
void installMailServices();
