#include "Editor/gtk/MailOptionsView.h"

#include "Editor/gtk/ImageDensityViews.h"
#include "platform/Localizer.h"
#include "platform/gtk/GtkMailComposer.h"
#include "platform/gtk/GtkModalRun.h"
#include "platform/gtk/LabelledField.h"

#include <gtkmm/messagedialog.h>

MailOptionsView::MailOptionsView(MailOptionsViewController& controller)
    : Gtk::Box(Gtk::ORIENTATION_VERTICAL, 8), _controller(controller)
{
    _formatGrid.set_column_spacing(12);
    _formatGrid.set_row_spacing(4);
    for (size_t i = 0; i < _checkBoxes.size(); ++i) {
        const MailOptionsViewController::FormatBox& box = MailOptionsViewController::FormatBoxes[i];
        _checkBoxes[i].set_label(localized(box.titleKey));
        _formatGrid.attach(_checkBoxes[i], static_cast<int>(i % 2), static_cast<int>(i / 2));
        _checkBoxes[i].signal_toggled().connect([this, i, format = box.format] {
            if (!_showing) _controller.setFormatChecked(format, _checkBoxes[i].get_active());
        });
    }
    pack_start(_formatGrid, Gtk::PACK_SHRINK);

    _qualityLabel.set_text(localized("share_dialog_png_density"));
    fillDensityPopup(_qualityPopup);
    _qualityPopup.signal_changed().connect([this] {
        const int row = _qualityPopup.get_active_row_number();
        if (!_showing && row >= 0) _controller.selectDensityIndex(static_cast<size_t>(row));
    });
    labelField(_qualityLabel, _qualityPopup);
    _qualityRow.pack_start(_qualityLabel, Gtk::PACK_SHRINK);
    _qualityRow.pack_start(_qualityPopup, Gtk::PACK_SHRINK);
    pack_start(_qualityRow, Gtk::PACK_SHRINK);
    _sizeLabel.set_xalign(0);
    pack_start(_sizeLabel, Gtk::PACK_SHRINK);

    _rangeLabel.set_text(localized("share_dialog_export_range"));
    _rangeMindMapRadio.set_label(localized("share_dialog_print_range_mindmap"));
    _rangeSelectionRadio.set_label(localized("share_dialog_print_range_selection"));
    _rangeSelectionRadio.join_group(_rangeMindMapRadio);
    _rangeSelectionRadio.signal_toggled().connect([this] {
        if (!_showing) _controller.setSelectionOnly(_rangeSelectionRadio.get_active());
    });
    _rangeRow.pack_start(_rangeLabel, Gtk::PACK_SHRINK);
    _rangeRow.pack_start(_rangeMindMapRadio, Gtk::PACK_SHRINK);
    _rangeRow.pack_start(_rangeSelectionRadio, Gtk::PACK_SHRINK);
    pack_start(_rangeRow, Gtk::PACK_SHRINK);

    show_all();
    _controller.setStateChanged([this] { showState(); });
    showState();
}

MailOptionsView::~MailOptionsView()
{
    _controller.setStateChanged(nullptr);
}

void MailOptionsView::showState()
{
    ++_showing;
    for (size_t i = 0; i < _checkBoxes.size(); ++i)
        _checkBoxes[i].set_active(_controller.isFormatChecked(MailOptionsViewController::FormatBoxes[i].format));
    _qualityPopup.set_active(static_cast<int>(_controller.selectedDensityIndex()));
    _rangeSelectionRadio.set_sensitive(_controller.selectionRadioEnabled());
    if (_controller.selectionOnly()) {
        _rangeSelectionRadio.set_active(true);
    } else {
        _rangeMindMapRadio.set_active(true);
    }
    const bool png = _controller.pngControlsVisible();
    _qualityRow.set_visible(png);
    _sizeLabel.set_visible(png);
    showImageSizeLine(_sizeLabel, _controller.sizeText(), _controller.pngSizeAcceptable());
    --_showing;
}

bool GtkMailOptionsPrompt::runMailOptions(MailOptionsViewController& options)
{
    Gtk::MessageDialog dialog(localized("action_mail_mind_map"), false, Gtk::MESSAGE_INFO, Gtk::BUTTONS_NONE, true);
    dialog.set_secondary_text(localized("mail_attachments_title"), false);
    if (Gtk::Window* parent = GtkModalRun::activeWindow()) dialog.set_transient_for(*parent);
    dialog.add_button(localized("cancel_button_title"), Gtk::RESPONSE_CANCEL);
    Gtk::Button* ok = dialog.add_button(localized("ok_button_title"), Gtk::RESPONSE_OK);
    dialog.set_default_response(Gtk::RESPONSE_OK);
    MailOptionsView view(options);
    dialog.get_message_area()->pack_start(view, Gtk::PACK_SHRINK);
    options.setOkButton([ok](bool enabled) { ok->set_sensitive(enabled); });
    const int response = GtkModalRun::run(dialog);
    options.setOkButton(nullptr);
    return response == Gtk::RESPONSE_OK;
}

void installMailServices()
{
    // Never destroyed: the process may end after GTK has gone.
    static auto* prompt = new GtkMailOptionsPrompt;
    static auto* composer = new GtkMailComposer;
    MailOptionsPrompt::setShared(prompt);
    MailComposer::setShared(composer);
}
