#include "explorers/gtk/GtkFileNameDialog.h"

#include "platform/gtk/BoundedEntry.h"
#include "platform/gtk/GtkModalRun.h"
#include "platform/gtk/LabelledField.h"

namespace {

size_t characterCount(const std::string& text)
{
    return static_cast<size_t>(g_utf8_strlen(text.data(), static_cast<gssize>(text.size())));
}

} // namespace

sigc::connection attachFileNameFilter(Gtk::Entry& entry, const FileNameFormatter& formatter)
{
    // No name the formatter keeps has more characters than bytes; the formatter cuts to its own
    // length what it cleans.
    boundEntry(entry, {FileNameFormatter::MaximumBytes});
    auto connection = std::make_shared<sigc::connection>();
    *connection = entry.signal_insert_text().connect(
        [&entry, &formatter, connection](const Glib::ustring& inserted, int* position) {
            std::string proposed = entry.get_text();
            const size_t at = std::min<size_t>(static_cast<size_t>(*position), characterCount(proposed));
            const size_t byteOffset = static_cast<size_t>(
                g_utf8_offset_to_pointer(proposed.data(), static_cast<glong>(at)) - proposed.data());
            proposed.insert(byteOffset, inserted.raw());
            const FileNameFormatter::PartialCheck check = formatter.isPartialStringValid(proposed);
            if (check.valid) return;
            entry.signal_insert_text().emission_stop();
            // Where the caret would stand after the cleaned insertion, within the replacement.
            const std::string cleanedInsertion = FileNameFormatter::withoutInvalidCharacters(inserted.raw());
            const size_t caret = std::min(at + characterCount(cleanedInsertion), characterCount(check.replacement));
            connection->block();
            entry.set_text(check.replacement);
            connection->unblock();
            entry.set_position(static_cast<int>(caret));
            *position = static_cast<int>(caret);
            entry.error_bell();
        },
        false);
    return *connection;
}

GtkFileNameDialog::GtkFileNameDialog(int32_t mode, const std::string& initialName) : _model(mode, initialName)
{
    set_resizable(false);
    set_border_width(6);
    Gtk::Box* content = get_content_area();
    content->set_spacing(8);

    _messageLabel.set_xalign(0);
    _messageLabel.set_use_markup(false);
    _messageLabel.set_use_underline(false);
    _fileNameEdit.set_activates_default(true);
    _fileNameEdit.set_width_chars(40);
    _hintLabel.set_xalign(0);
    _hintLabel.set_line_wrap(true);
    _hintLabel.set_max_width_chars(50);
    _hintLabel.set_text(FileNameDialog::hintText());
    _hintLabel.get_style_context()->add_class("dim-label");
    labelField(_messageLabel, _fileNameEdit);
    content->pack_start(_messageLabel, Gtk::PACK_SHRINK);
    content->pack_start(_fileNameEdit, Gtk::PACK_SHRINK);
    content->pack_start(_hintLabel, Gtk::PACK_SHRINK);

    add_button(FileNameDialog::cancelButtonTitle(), Gtk::RESPONSE_CANCEL)->set_use_underline(false);
    _okButton = add_button(FileNameDialog::okButtonTitle(), Gtk::RESPONSE_OK);
    _okButton->set_use_underline(false);
    set_default_response(Gtk::RESPONSE_OK);

    if (const auto texts = _model.textsForMode()) {
        set_title(texts->title);
        _fileNameEdit.set_placeholder_text(texts->placeholder);
        _messageLabel.set_text(texts->message);
    }
    attachFileNameFilter(_fileNameEdit, _model.formatter());
    if (!initialName.empty()) _fileNameEdit.set_text(initialName);
    _fileNameEdit.signal_changed().connect(sigc::mem_fun(*this, &GtkFileNameDialog::updateOkButton));
    updateOkButton();
    show_all_children();
}

void GtkFileNameDialog::updateOkButton()
{
    _okButton->set_sensitive(_model.isOkEnabled(_fileNameEdit.get_text().raw()));
}

std::optional<std::string> GtkFileNameDialog::runForName()
{
    Gtk::Window* keyWindow = GtkModalRun::activeWindow();
    std::optional<std::string> name;
    for (;;) {
        const int response = GtkModalRun::run(*this);
        if (response != Gtk::RESPONSE_OK) break;
        name = _model.okButtonClicked(_fileNameEdit.get_text().raw());
        if (name) break;
        error_bell();
    }
    hide();
    if (keyWindow) keyWindow->present();
    return name;
}

std::optional<std::string> GtkFileNamePrompt::selectNewFileName(int32_t mode, const std::string& initialName)
{
    GtkFileNameDialog dialog(mode, initialName);
    return dialog.runForName();
}
