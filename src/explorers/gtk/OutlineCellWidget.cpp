#include "explorers/gtk/OutlineCellWidget.h"

#include <cmath>

OutlineCellWidget::OutlineCellWidget() : Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 0)
{
    for (Gtk::Label* label : {&_detailsText, &_textField, &_dateText}) {
        label->set_use_markup(false);
        label->set_use_underline(false);
        label->set_xalign(0);
    }
    _textField.set_ellipsize(Pango::ELLIPSIZE_END);
    _textField.set_hexpand(true);
    _detailsText.get_style_context()->add_class("dim-label");
    _dateIcon.set_relief(Gtk::RELIEF_NONE);
    _dateIcon.set_image_from_icon_name("x-office-calendar-symbolic", Gtk::ICON_SIZE_MENU);
    _progressIcon.set_margin_end(4);
    _detailsText.set_margin_end(4);
    pack_start(_progressIcon, Gtk::PACK_SHRINK);
    pack_start(_detailsText, Gtk::PACK_SHRINK);
    pack_start(_textField, Gtk::PACK_EXPAND_WIDGET);
    pack_start(_imageView, Gtk::PACK_SHRINK);
    pack_start(_dateText, Gtk::PACK_SHRINK);
    pack_start(_dateIcon, Gtk::PACK_SHRINK);
    show_all_children();
    _detailsText.hide();
    _imageView.hide();
    _dateIcon.set_no_show_all(true);
    _detailsText.set_no_show_all(true);
    _imageView.set_no_show_all(true);
}

void OutlineCellWidget::setAutoNumberPath(const std::string& path)
{
    _cell.setAutoNumberPath(path);
    _detailsText.set_text(_cell.detailsText());
    _detailsText.set_visible(!_cell.isDetailsHidden());
}

void OutlineCellWidget::layoutSubviewsWithCheckboxes(bool checkboxes)
{
    _progressIcon.set_visible(checkboxes);
    std::optional<double> iconWidth;
    if (checkboxes) {
        int width = 0, height = 0;
        _progressIcon.get_size_request(width, height);
        iconWidth = width;
    }
    std::optional<double> imageWidth;
    if (_imageView.get_visible()) {
        int minimum = 0, natural = 0;
        _imageView.get_preferred_width(minimum, natural);
        imageWidth = natural;
    }
    const OutlineCellView::Spacing spacing = _cell.layoutSubviewsWithCheckboxes(checkboxes, iconWidth, imageWidth);
    _dateText.set_margin_end(static_cast<int>(std::lround(spacing.noteTrailing)));
    _textField.set_margin_end(static_cast<int>(std::lround(spacing.textTrailing)));
    _textField.set_margin_start(spacing.numberingActive ? 2 : 0);
}
