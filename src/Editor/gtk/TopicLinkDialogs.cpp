#include "Editor/gtk/TopicLinkDialogs.h"

#include "Editor/ExportFormatChoice.h"
#include "platform/Localizer.h"
#include "platform/gtk/GtkModalRun.h"

#include <gtkmm/box.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/comboboxtext.h>
#include <gtkmm/entry.h>
#include <gtkmm/messagedialog.h>

namespace {

// The menu's title, without the ellipsis that promised this dialog.
std::string dialogHeading(const std::string& menuTitle)
{
    static const std::string ellipsis = "\u2026";
    if (menuTitle.size() >= ellipsis.size() && menuTitle.ends_with(ellipsis))
        return menuTitle.substr(0, menuTitle.size() - ellipsis.size());
    return menuTitle;
}

} // namespace

std::optional<URLLinkPrompt::Answer> GtkURLLinkPrompt::selectURLLink(const std::string& link, bool offerUpload)
{
    Gtk::MessageDialog dialog(dialogHeading(localized("hyperlink_link_document_webpage")), false, Gtk::MESSAGE_QUESTION,
                              Gtk::BUTTONS_NONE, true);
    dialog.set_secondary_text(localized("hyperlink_enter_link"), false);
    if (Gtk::Window* parent = GtkModalRun::activeWindow()) dialog.set_transient_for(*parent);
    dialog.add_button(localized("cancel_button_title"), Gtk::RESPONSE_CANCEL);
    dialog.add_button(localized("ok_button_title"), Gtk::RESPONSE_OK);
    dialog.set_default_response(Gtk::RESPONSE_OK);
    Gtk::Entry entry;
    entry.set_text(link);
    entry.set_activates_default(true);
    entry.set_width_chars(40);
    Gtk::CheckButton upload(localized("hyperlink_upload_to_cloud"));
    dialog.get_message_area()->pack_start(entry, Gtk::PACK_SHRINK);
    if (offerUpload) dialog.get_message_area()->pack_start(upload, Gtk::PACK_SHRINK);
    dialog.get_message_area()->show_all();
    entry.grab_focus();
    // After "http://" the user types the rest; a link of the topic is replaced whole.
    if (link == TopicLinkActions::URLSeed) entry.set_position(-1);
    else entry.select_region(0, -1);
    if (GtkModalRun::run(dialog) != Gtk::RESPONSE_OK) return std::nullopt;
    return Answer{entry.get_text(), offerUpload && upload.get_active()};
}

bool GtkExportToCloudPrompt::runExportToCloud(const std::string& message, const std::string& informativeText,
                                              ExportFormatChoice& choice)
{
    Gtk::MessageDialog dialog(message, false, Gtk::MESSAGE_INFO, Gtk::BUTTONS_NONE, true);
    dialog.set_secondary_text(informativeText, false);
    if (Gtk::Window* parent = GtkModalRun::activeWindow()) dialog.set_transient_for(*parent);
    dialog.add_button(localized("cancel_button_title"), Gtk::RESPONSE_CANCEL);
    dialog.add_button(localized("ok_button_title"), Gtk::RESPONSE_OK);
    dialog.set_default_response(Gtk::RESPONSE_OK);
    Gtk::ComboBoxText formats;
    for (const ExportFormatChoice::FileType& type : ExportFormatChoice::FileTypes)
        formats.append(localized(type.titleKey));
    formats.set_active(static_cast<int>(choice.selectedIndex()));
    Gtk::CheckButton selectionOnly(localized("share_dialog_print_range_selection"));
    selectionOnly.set_active(choice.selectionRangeChosen());
    auto showRange = [&] { selectionOnly.set_sensitive(choice.selectionRangeOffered()); };
    formats.signal_changed().connect([&] {
        const int row = formats.get_active_row_number();
        if (row >= 0) choice.setSelectedIndex(static_cast<size_t>(row));
        showRange();
    });
    selectionOnly.signal_toggled().connect([&] { choice.setSelectionRangeChosen(selectionOnly.get_active()); });
    showRange();
    dialog.get_message_area()->pack_start(formats, Gtk::PACK_SHRINK);
    dialog.get_message_area()->pack_start(selectionOnly, Gtk::PACK_SHRINK);
    dialog.get_message_area()->show_all();
    return GtkModalRun::run(dialog) == Gtk::RESPONSE_OK;
}

void installTopicLinkDialogs()
{
    // Never destroyed: the process may end after GTK has gone.
    static auto* urlPrompt = new GtkURLLinkPrompt;
    static auto* exportPrompt = new GtkExportToCloudPrompt;
    URLLinkPrompt::setShared(urlPrompt);
    ExportToCloudPrompt::setShared(exportPrompt);
}
