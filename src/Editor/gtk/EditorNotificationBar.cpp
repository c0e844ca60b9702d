#include "Editor/gtk/EditorNotificationBar.h"

namespace {

Gtk::MessageType messageTypeOfState(unsigned state)
{
    switch (state) {
    case FeedbackStateInformation:
        return Gtk::MESSAGE_INFO;
    case FeedbackStateWarning:
        return Gtk::MESSAGE_WARNING;
    case FeedbackStateError:
        return Gtk::MESSAGE_ERROR;
    default:
        return Gtk::MESSAGE_OTHER;
    }
}

} // namespace

EditorNotificationBar::EditorNotificationBar()
{
    _message.set_line_wrap(true);
    _message.set_xalign(0.0f);
    _message.set_selectable(true);
    static_cast<Gtk::Container*>(_bar.get_content_area())->add(_message);
    _bar.set_show_close_button(true);
    _bar.set_valign(Gtk::ALIGN_START);
    _bar.signal_response().connect([this](int) {
        if (_dismiss) _dismiss();
    });
    _message.show();
    _bar.set_no_show_all(true);
    _bar.hide();

    _progressBox.pack_start(_spinner, Gtk::PACK_SHRINK);
    _progressBox.pack_start(_progressTitle, Gtk::PACK_SHRINK);
    _progressBox.set_halign(Gtk::ALIGN_START);
    _progressBox.set_valign(Gtk::ALIGN_END);
    _progressBox.set_margin_start(8);
    _progressBox.set_margin_bottom(6);
    _progressBox.show_all();
    _progressBox.set_no_show_all(true);
    _progressBox.hide();
}

void EditorNotificationBar::showNotification(const std::string& text, unsigned state)
{
    _message.set_text(text);
    _bar.set_message_type(messageTypeOfState(state));
    _bar.show();
}

void EditorNotificationBar::hideNotification()
{
    _bar.hide();
}

void EditorNotificationBar::showProgress(const std::string& title)
{
    _progressTitle.set_text(title);
    _spinner.start();
    _progressBox.show();
}

void EditorNotificationBar::hideProgress()
{
    _spinner.stop();
    _progressBox.hide();
}
