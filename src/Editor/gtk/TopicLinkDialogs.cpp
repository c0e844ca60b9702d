#include "Editor/gtk/TopicLinkDialogs.h"

#include "Editor/gtk/ExportFormatView.h"
#include "platform/Localizer.h"
#include "platform/gtk/BoundedEntry.h"
#include "platform/gtk/GtkModalRun.h"
#include "platform/gtk/LabelledField.h"

#include <gtkmm/box.h>
#include <gtkmm/checkbutton.h>
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
    boundEntry(entry, {EntryBound::LinkCharacters});
    setEntryTextWhole(entry, link);
    entry.set_activates_default(true);
    entry.set_width_chars(40);
    Gtk::CheckButton upload(localized("hyperlink_upload_to_cloud"));
    labelFieldByMessage(dialog, entry);
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

void installTopicLinkDialogs()
{
    // Never destroyed: the process may end after GTK has gone.
    static auto* urlPrompt = new GtkURLLinkPrompt;
    URLLinkPrompt::setShared(urlPrompt);
    ExportFormatView::registerAccessory();
}
