#pragma once

#include "explorers/OutlineCellView.h"
#include "explorers/gtk/ProgressIconWidget.h"

#include <gtkmm.h>

// One outliner row: checkbox or progress icon, auto-number text, title, note image, date text and
// date button, spaced as the OutlineCellView decides.
class OutlineCellWidget : public Gtk::Box {
public:
    OutlineCellWidget();

    Gtk::Image& imageView() { return _imageView; }
    Gtk::Label& detailsText() { return _detailsText; }
    Gtk::Label& textField() { return _textField; }
    ProgressIconWidget& progressIcon() { return _progressIcon; }
    Gtk::Label& dateText() { return _dateText; }
    Gtk::Button& dateIcon() { return _dateIcon; }

    // Titles and numbers show as plain text: no markup, no mnemonics.
    void setTitle(const std::string& title) { _textField.set_text(title); }
    void setAutoNumberPath(const std::string& path);
    void layoutSubviewsWithCheckboxes(bool checkboxes);
    const OutlineCellView& cell() const { return _cell; }

private:
    OutlineCellView _cell;
    ProgressIconWidget _progressIcon;
    Gtk::Label _detailsText;
    Gtk::Label _textField;
    Gtk::Image _imageView;
    Gtk::Label _dateText;
    Gtk::Button _dateIcon;
};
