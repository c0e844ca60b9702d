#include "Editor/gtk/StartupWaitWindow.h"

#include "platform/TextExcerpt.h"

#include <glibmm/markup.h>
#include <gtkmm/main.h>

StartupWaitWindow::StartupWaitWindow(const StartupWait::Notice& notice, std::function<void()> giveUp)
    : _giveUp(std::move(giveUp)), _underWayDetail(TextExcerpt::excerpt(notice.underWayDetail, TextExcerpt::Passage))
{
    set_resizable(false);
    set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
    set_position(Gtk::WIN_POS_CENTER);
    set_default_size(420, -1);
    _box.set_border_width(18);
    _title.set_markup("<b>" + Glib::Markup::escape_text(notice.title) + "</b>");
    // The details name the files the start was given, as many and as long as the user gave them.
    _detail.set_text(TextExcerpt::excerpt(notice.detail, TextExcerpt::Passage));
    for (Gtk::Label* label : {&_title, &_detail}) {
        label->set_line_wrap(true);
        // A path without spaces is wrapped inside, not laid out as wide as it is long.
        label->set_line_wrap_mode(Pango::WRAP_WORD_CHAR);
        label->set_max_width_chars(60);
        label->set_xalign(0.0f);
        label->set_selectable(false);
    }
    auto* texts = Gtk::make_managed<Gtk::Box>(Gtk::ORIENTATION_VERTICAL, 6);
    texts->pack_start(_title, Gtk::PACK_SHRINK);
    texts->pack_start(_detail, Gtk::PACK_SHRINK);
    _header.pack_start(_spinner, Gtk::PACK_SHRINK);
    _header.pack_start(*texts, Gtk::PACK_EXPAND_WIDGET);
    _box.pack_start(_header, Gtk::PACK_EXPAND_WIDGET);
    _button.set_label(notice.giveUpTitle);
    _button.signal_clicked().connect([this] {
        if (_giveUp) _giveUp();
    });
    _buttons.pack_end(_button, Gtk::PACK_SHRINK);
    _box.pack_start(_buttons, Gtk::PACK_SHRINK);
    add(_box);
    _spinner.start();
    set_focus_on_map(false);
    show_all();
    // Showing focuses the first widget that takes it: the button waits for a Tab or a click.
    unset_focus();
}

void StartupWaitWindow::showUnderWay()
{
    _detail.set_text(_underWayDetail);
    _button.set_sensitive(false);
}

bool StartupWaitWindow::on_delete_event(GdkEventAny*)
{
    if (_giveUp) _giveUp();
    return true;
}

void StartupWaitWindow::install(const std::string& title, const std::string& iconName)
{
    StartupWait::setPresenterFactory(
        [title, iconName](const StartupWait::Notice& notice,
                          std::function<void()> giveUp) -> std::unique_ptr<StartupWait::Presenter> {
            // The wait may come before the application has started the toolkit, which then finds
            // it started.
            if (!gtk_init_check(nullptr, nullptr)) return nullptr;
            Gtk::Main::init_gtkmm_internals();
            auto window = std::make_unique<StartupWaitWindow>(notice, std::move(giveUp));
            window->set_title(title);
            window->set_icon_name(iconName);
            return window;
        });
}
