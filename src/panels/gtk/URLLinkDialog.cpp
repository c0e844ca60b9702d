#include "panels/gtk/URLLinkDialog.h"

#include "panels/ModalResult.h"
#include "panels/gtk/ModalDialog.h"
#include "panels/gtk/PdfWindows.h"
#include "panels/gtk/WindowFrameAutosave.h"
#include "platform/Localizer.h"
#include "platform/gtk/BoundedEntry.h"
#include "platform/gtk/LabelledField.h"

#include <tuple>

namespace {

std::function<void(URLLinkDialog&)>& shownObserver()
{
    static std::function<void(URLLinkDialog&)> observer;
    return observer;
}

class DialogPrompt : public URLLinkPrompt {
public:
    std::optional<Answer> selectURLLink(const std::string& link, bool offerUpload) override
    {
        return URLLinkDialog::run(link, offerUpload, std::string(), link != TopicLinkActions::URLSeed);
    }
    std::optional<Answer> selectURLLink(const std::string& link, bool offerUpload, const std::string& providerTitle,
                                        bool hasLink) override
    {
        return URLLinkDialog::run(link, offerUpload, providerTitle, hasLink);
    }
};

} // namespace

URLLinkDialog::URLLinkDialog(URLLinkPanelController& controller) : _controller(controller)
{
    set_title(localized(URLLinkPanelController::TitleKey));
    _remove = add_button(localized(URLLinkPanelController::RemoveLinkKey), ModalResult::RemoveLink);
    add_button(localized("cancel_button_title"), Gtk::RESPONSE_CANCEL);
    _ok = add_button(localized("ok_button_title"), ModalResult::OK);
    set_default_response(ModalResult::OK);

    _message.set_text(localized(URLLinkPanelController::MessageKey));
    _message.set_halign(Gtk::ALIGN_START);
    boundEntry(_field, {EntryBound::LinkCharacters});
    setEntryTextWhole(_field, controller.field());
    _field.set_width_chars(48);
    _field.set_activates_default(true);
    _field.signal_changed().connect([this] {
        if (_updating) return;
        _controller.setField(_field.get_text());
        updateStatus();
    });
    // Buttons of an icon alone: a screen reader reads the tooltip as their name.
    for (auto [button, icon, toolTipKey] :
         {std::tuple(&_file, "folder", URLLinkPanelController::FileToolTipKey),
          std::tuple(&_web, "web-browser", URLLinkPanelController::WebToolTipKey),
          std::tuple(&_pdf, "x-office-document", URLLinkPanelController::PdfToolTipKey)}) {
        button->set_image_from_icon_name(icon);
        button->set_tooltip_text(localized(toolTipKey));
        if (Glib::RefPtr<Atk::Object> accessible = button->get_accessible())
            accessible->set_name(localized(toolTipKey));
    }
    _file.signal_clicked().connect([this] { chooseFile(); });
    _web.signal_clicked().connect([this] {
        _controller.webButtonClicked();
        updateStatus();
    });
    _pdf.signal_clicked().connect([this] { choosePdfPage(); });
    _test.set_label(localized(URLLinkPanelController::TestLinkKey));
    // An unopenable link is reported by an alert; the dialog stays.
    _test.signal_clicked().connect([this] { _controller.testLinkClicked(); });
    _buttons.pack_start(_file, Gtk::PACK_SHRINK);
    _buttons.pack_start(_web, Gtk::PACK_SHRINK);
    _buttons.pack_start(_pdf, Gtk::PACK_SHRINK);
    _buttons.pack_end(_test, Gtk::PACK_SHRINK);

    _uploadLabel.set_text(localized(URLLinkPanelController::UploadLabelKey));
    _uploadLabel.set_halign(Gtk::ALIGN_START);
    _uploadLabel.set_line_wrap(true);
    _uploadLabel.set_max_width_chars(56);
    _upload.set_label(controller.uploadTitle());
    _upload.signal_toggled().connect([this] {
        if (!_updating) _controller.uploadToggled(_upload.get_active());
    });

    _grid.set_row_spacing(8);
    _grid.set_column_spacing(8);
    _grid.set_border_width(12);
    labelField(_message, _field);
    _grid.attach(_message, 0, 0, 1, 1);
    _grid.attach(_field, 0, 1, 1, 1);
    _grid.attach(_buttons, 0, 2, 1, 1);
    if (controller.isCloudMap()) {
        _grid.attach(_uploadLabel, 0, 3, 1, 1);
        _grid.attach(_upload, 0, 4, 1, 1);
    }
    get_content_area()->pack_start(_grid, Gtk::PACK_EXPAND_WIDGET);
    show_all_children();
    AutosaveWindowFrame(*this, URLLinkPanelController::FrameName, false);
    _field.grab_focus();
    updateStatus();
}

void URLLinkDialog::updateStatus()
{
    _updating = true;
    if (_field.get_text() != _controller.field()) setEntryTextWhole(_field, _controller.field());
    _ok->set_sensitive(_controller.okEnabled());
    _test.set_sensitive(_controller.testEnabled());
    _remove->set_sensitive(_controller.removeEnabled());
    _upload.set_sensitive(_controller.uploadEnabled());
    _upload.set_active(_controller.uploadOn());
    _updating = false;
}

void URLLinkDialog::chooseFile()
{
    Gtk::FileChooserDialog chooser(*this, localized(URLLinkPanelController::FilePanelTitleKey),
                                   Gtk::FILE_CHOOSER_ACTION_OPEN);
    chooser.add_button(localized("cancel_button_title"), Gtk::RESPONSE_CANCEL);
    chooser.add_button(localized(URLLinkPanelController::FilePanelPromptKey), Gtk::RESPONSE_ACCEPT);
    chooser.set_select_multiple(false);
    if (chooser.run() != Gtk::RESPONSE_ACCEPT) return;
    _controller.fileChosen(chooser.get_filename());
    updateStatus();
}

void URLLinkDialog::choosePdfPage()
{
    // A PDF the field already names is browsed at once; otherwise the user picks one.
    std::string path;
    if (const auto link = PdfPreviewManager::parsePdfLink(_controller.field())) path = link->path;
    if (path.empty()) {
        Gtk::FileChooserDialog chooser(*this, localized("hyperlink_choose_pdf_title"), Gtk::FILE_CHOOSER_ACTION_OPEN);
        chooser.add_button(localized("cancel_button_title"), Gtk::RESPONSE_CANCEL);
        chooser.add_button(localized("ok_button_title"), Gtk::RESPONSE_ACCEPT);
        auto filter = Gtk::FileFilter::create();
        filter->set_name("PDF");
        filter->add_mime_type("application/pdf");
        filter->add_pattern("*.pdf");
        filter->add_pattern("*.PDF");
        chooser.add_filter(filter);
        if (chooser.run() != Gtk::RESPONSE_ACCEPT) return;
        path = chooser.get_filename();
        chooser.hide();
    }
    if (const std::optional<std::string> link = PdfLinkDialog::pdfLinkForFileName(path)) {
        _controller.setField(*link);
        updateStatus();
    }
}

std::optional<URLLinkPrompt::Answer> URLLinkDialog::run(const std::string& link, bool offerUpload,
                                                        const std::string& providerTitle, bool hasLink)
{
    URLLinkPanelController controller(link, offerUpload, providerTitle, hasLink);
    URLLinkDialog dialog(controller);
    // After "http://" the user types the rest; a link of the topic is replaced whole.
    if (link == TopicLinkActions::URLSeed) dialog._field.set_position(-1);
    else dialog._field.select_region(0, -1);
    sigc::connection shown;
    if (shownObserver()) shown = dialog.signal_show().connect([&dialog] { shownObserver()(dialog); });
    const int result = ModalDialog::run(dialog, ModalResult::LinkDialogClosed);
    shown.disconnect();
    if (result == ModalResult::RemoveLink) return URLLinkPrompt::Answer{std::string(), false, true};
    // Return in an empty field would confirm nothing.
    if (result != ModalResult::OK || !controller.okEnabled()) return std::nullopt;
    return URLLinkPrompt::Answer{controller.field(), controller.hasUploadToCloud(), false};
}

void URLLinkDialog::setShownObserver(std::function<void(URLLinkDialog&)> observer)
{
    shownObserver() = std::move(observer);
}

void installURLLinkDialog()
{
    // Never destroyed: the process may end after GTK has gone.
    static auto* prompt = new DialogPrompt;
    URLLinkPrompt::setShared(prompt);
}
