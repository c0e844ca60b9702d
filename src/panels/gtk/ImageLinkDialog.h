#pragma once

#include "panels/ImageLinkPanelController.h"

#include <gtkmm.h>

#include <array>
#include <functional>

// The image link panel's window: the picture with its size, the three storage modes, the
// thumbnail and size popups and the PNG switch, as the controller decides them.
class ImageLinkDialog : public Gtk::Dialog {
public:
    explicit ImageLinkDialog(ImageLinkPanelController& controller);
    ~ImageLinkDialog() override;

    Gtk::RadioButton& modeRadio(int32_t linkMode) { return _modeRadios.at(static_cast<size_t>(linkMode)); }
    Gtk::ComboBoxText& thumbnailPopup() { return _thumbnailPopup; }
    Gtk::ComboBoxText& sizePopup() { return _sizePopup; }
    Gtk::Label& sizeLabel() { return _sizeLabel; }
    Gtk::Label& sourceSizeLabel() { return _sourceSizeLabel; }
    Gtk::CheckButton& convertToPngBox() { return _convertToPng; }
    Gtk::Label& convertToPngHint() { return _convertToPngHint; }
    Gtk::Button& okButton() { return *_ok; }

protected:
    void on_hide() override;

private:
    void showController();
    bool drawPreview(const Cairo::RefPtr<Cairo::Context>& cr);

    ImageLinkPanelController& _controller;
    Gtk::Grid _grid;
    Gtk::DrawingArea _preview;
    Gtk::Label _sourceSizeLabel, _modeLabel, _thumbnailLabel, _sizeLabel, _convertToPngHint;
    Gtk::RadioButton::Group _group;
    std::array<Gtk::RadioButton, 3> _modeRadios;
    Gtk::Box _modeBox{Gtk::ORIENTATION_VERTICAL, 4};
    Gtk::ComboBoxText _thumbnailPopup, _sizePopup;
    Gtk::CheckButton _convertToPng;
    Gtk::Button* _ok = nullptr;
    // Raised while the controller's state is copied into the widgets, whose signals then mean nothing.
    int _showing = 0;
};

// Makes the dialog the image link panel's window.
void installImageLinkDialog();
// Tests: told when the dialog shows, to drive it.
void setImageLinkDialogShownObserver(std::function<void(ImageLinkDialog& dialog)> observer);
