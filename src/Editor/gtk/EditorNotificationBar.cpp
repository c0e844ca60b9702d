#include "Editor/gtk/EditorNotificationBar.h"

#include "platform/Localizer.h"

#include <pangomm/attrlist.h>

#include <cmath>

namespace {

constexpr int Margin = 8;

void addRoundedRectangle(const Cairo::RefPtr<Cairo::Context>& cr, double width, double height, double radius)
{
    cr->begin_new_sub_path();
    cr->arc(width - radius, radius, radius, -M_PI / 2, 0);
    cr->arc(width - radius, height - radius, radius, 0, M_PI / 2);
    cr->arc(radius, height - radius, radius, M_PI / 2, M_PI);
    cr->arc(radius, radius, radius, M_PI, 3 * M_PI / 2);
    cr->close_path();
}

} // namespace

EditorNotificationBar::Box::Box() : Gtk::Box(Gtk::ORIENTATION_VERTICAL, 4)
{
    set_app_paintable(true);
}

bool EditorNotificationBar::Box::on_draw(const Cairo::RefPtr<Cairo::Context>& cr)
{
    const Color& color = view.backgroundColor();
    addRoundedRectangle(cr, get_allocated_width(), get_allocated_height(), NotificationView::CornerRadius);
    cr->set_source_rgba(color.red(), color.green(), color.blue(), color.alpha());
    cr->fill();
    view.setNeedsDisplay(false);
    return Gtk::Box::on_draw(cr);
}

EditorNotificationBar::EditorNotificationBar()
{
    // Texts come from anywhere (file names, server answers): they are set as plain text, and the
    // caption is bold by an attribute rather than by markup.
    Pango::AttrList bold;
    Pango::AttrInt weight = Pango::Attribute::create_attr_weight(Pango::WEIGHT_BOLD);
    bold.insert(weight);
    _caption.set_attributes(bold);
    _caption.set_xalign(0.0f);
    _caption.set_ellipsize(Pango::ELLIPSIZE_END);
    _caption.set_use_markup(false);
    _message.set_use_markup(false);
    _message.set_line_wrap(true);
    _message.set_line_wrap_mode(Pango::WRAP_WORD_CHAR);
    _message.set_lines(3);
    _message.set_ellipsize(Pango::ELLIPSIZE_END);
    _message.set_xalign(0.0f);
    _message.set_yalign(0.0f);
    _message.set_max_width_chars(40);
    _message.set_selectable(true);
    _close.set_image_from_icon_name("window-close-symbolic", Gtk::ICON_SIZE_MENU);
    _close.set_relief(Gtk::RELIEF_NONE);
    _close.set_tooltip_text(localized("close_button_title"));
    _close.signal_clicked().connect([this] {
        if (_dismiss) _dismiss();
    });
    _header.pack_start(_caption, Gtk::PACK_EXPAND_WIDGET);
    _header.pack_end(_close, Gtk::PACK_SHRINK);
    _box.pack_start(_header, Gtk::PACK_SHRINK);
    _box.pack_start(_message, Gtk::PACK_EXPAND_WIDGET);
    for (Gtk::Widget* row : std::initializer_list<Gtk::Widget*>{&_header, &_message}) {
        row->set_margin_start(Margin + 2);
        row->set_margin_end(Margin);
    }
    _header.set_margin_top(Margin);
    _message.set_margin_bottom(Margin);
    _box.set_size_request(static_cast<int>(NotificationView::Width), static_cast<int>(NotificationView::Height));
    _revealer.add(_box);
    _revealer.set_transition_type(Gtk::REVEALER_TRANSITION_TYPE_SLIDE_UP);
    _revealer.set_transition_duration(static_cast<unsigned>(std::lround(NotificationView::ShowDuration * 1000)));
    _revealer.set_halign(Gtk::ALIGN_START);
    _revealer.set_valign(Gtk::ALIGN_END);
    _revealer.set_margin_start(Margin);
    _revealer.set_margin_bottom(Margin);
    _revealer.show_all();
    _revealer.set_reveal_child(false);
    _revealer.set_no_show_all(true);
    _revealer.hide();

    _progressBox.pack_start(_spinner, Gtk::PACK_SHRINK);
    _progressBox.pack_start(_progressTitle, Gtk::PACK_SHRINK);
    _progressTitle.set_use_markup(false);
    _progressBox.set_halign(Gtk::ALIGN_END);
    _progressBox.set_valign(Gtk::ALIGN_END);
    _progressBox.set_margin_end(Margin);
    _progressBox.set_margin_bottom(6);
    _progressBox.show_all();
    _progressBox.set_no_show_all(true);
    _progressBox.hide();
}

void EditorNotificationBar::showNotification(const std::string& title, const std::string& message, unsigned state)
{
    // The box shown before goes at once; the new one grows from nothing.
    hideNotification();
    _box.view.setNotifyLevel(state);
    _caption.set_text(title);
    _caption.set_visible(!title.empty());
    _message.set_text(message);
    _message.set_visible(!message.empty());
    const bool light = _box.view.notifyLevel() == 1;
    const char* const text = light ? "#000000" : "#ffffff";
    for (Gtk::Label* label : {&_caption, &_message}) label->override_color(Gdk::RGBA(text));
    _box.queue_draw();
    _revealer.show();
    _revealer.set_reveal_child(true);
}

void EditorNotificationBar::hideNotification()
{
    // Without its animation: the box is taken away.
    const unsigned duration = _revealer.get_transition_duration();
    _revealer.set_transition_duration(0);
    _revealer.set_reveal_child(false);
    _revealer.set_transition_duration(duration);
    _revealer.hide();
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
