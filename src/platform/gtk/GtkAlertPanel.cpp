#include "platform/gtk/GtkAlertPanel.h"

#include "platform/Localizer.h"
#include "platform/TextExcerpt.h"
#include "platform/gtk/BoundedEntry.h"
#include "platform/gtk/GtkModalRun.h"
#include "platform/gtk/LabelledField.h"

#include <gtkmm.h>

#include <map>

namespace {

std::map<std::string, GtkAlertPanel::AccessoryFactory>& accessoryFactories()
{
    static std::map<std::string, GtkAlertPanel::AccessoryFactory> factories;
    return factories;
}

Gtk::MessageType messageType(AlertPanel::Style style)
{
    switch (style) {
    case AlertPanel::Style::Informational:
        return Gtk::MESSAGE_INFO;
    case AlertPanel::Style::Critical:
        return Gtk::MESSAGE_ERROR;
    case AlertPanel::Style::Warning:
        break;
    }
    return Gtk::MESSAGE_WARNING;
}

} // namespace

AlertPanel::Answer GtkAlertPanel::runModal(const Request& request)
{
    // Markup off: a map's title in the message must show as typed, angle brackets and all. Each
    // text is laid out in one go, and may quote whatever the user gave.
    Gtk::MessageDialog dialog(TextExcerpt::excerpt(request.messageText, TextExcerpt::Passage), false,
                              messageType(request.style), Gtk::BUTTONS_NONE, true);
    if (!request.informativeText.empty())
        dialog.set_secondary_text(TextExcerpt::excerpt(request.informativeText, TextExcerpt::Passage), false);
    // A path, a link or a name without spaces is one word that a label wrapped at words would lay
    // out on one line, as wide as it is long, pushing the buttons off the screen.
    for (Gtk::Widget* child : dialog.get_message_area()->get_children())
        if (auto* label = dynamic_cast<Gtk::Label*>(child)) label->set_line_wrap_mode(Pango::WRAP_WORD_CHAR);

    std::vector<Button> buttons = request.buttons;
    if (buttons.empty()) buttons.push_back({localized("ok_button_title"), "\r"});
    int escapeAnswer = Dismissed;
    for (size_t i = 0; i < buttons.size(); ++i) {
        const int answer = FirstButtonReturn + static_cast<int>(i);
        dialog.add_button(buttons[i].title, answer);
        if (buttons[i].keyEquivalent == "\r") dialog.set_default_response(answer);
        if (buttons[i].keyEquivalent == "\033") escapeAnswer = answer;
    }

    Gtk::Entry entry;
    if (request.textField) {
        // A name or a link.
        boundEntry(entry, {EntryBound::LinkCharacters});
        setEntryTextWhole(entry, request.textField->text);
        entry.set_placeholder_text(request.textField->placeholder);
        entry.set_activates_default(true);
        labelFieldByMessage(dialog, entry);
        dialog.get_message_area()->pack_start(entry, Gtk::PACK_SHRINK);
        entry.show();
    }

    if (request.accessory) {
        // Wired first, so that the accessory can set the button's state as it is made.
        request.accessory->control->setFirstButtonEnabled = [&dialog](bool enabled) {
            dialog.set_response_sensitive(FirstButtonReturn, enabled);
        };
        const auto factory = accessoryFactories().find(request.accessory->content);
        if (factory != accessoryFactories().end()) {
            if (Gtk::Widget* content = factory->second(request.accessory->model)) {
                dialog.get_message_area()->pack_start(*content, Gtk::PACK_SHRINK);
                content->show_all();
            }
        }
    }

    const int response = GtkModalRun::run(dialog);
    if (request.accessory) request.accessory->control->setFirstButtonEnabled = nullptr;
    Answer answer;
    answer.text = request.textField ? std::string(entry.get_text()) : std::string();
    if (response >= FirstButtonReturn && response < FirstButtonReturn + static_cast<int>(buttons.size()))
        answer.button = response;
    else if (response == Gtk::RESPONSE_DELETE_EVENT) answer.button = escapeAnswer;
    return answer;
}

void GtkAlertPanel::registerAccessory(const std::string& name, AccessoryFactory factory)
{
    accessoryFactories()[name] = std::move(factory);
}
