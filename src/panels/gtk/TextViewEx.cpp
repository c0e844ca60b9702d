#include "panels/gtk/TextViewEx.h"

#include <gtkmm/stylecontext.h>
#include <pangomm/layout.h>

namespace {

// The placeholder's grey, as light as a hint and still readable on white.
constexpr double PlaceholderGrey = 0.6;

} // namespace

TextViewEx::TextViewEx()
{
    set_name("tarnwick-text-view-ex");
}

void TextViewEx::setPlaceholder(const std::string& placeholder)
{
    if (placeholder.empty()) _placeholder.reset();
    else _placeholder = placeholder;
    queue_draw();
}

bool TextViewEx::showsPlaceholder() const
{
    return _placeholder && const_cast<TextViewEx*>(this)->get_buffer()->size() == 0 && !is_focus();
}

bool TextViewEx::on_draw(const Cairo::RefPtr<Cairo::Context>& cr)
{
    const bool drawn = Gtk::TextView::on_draw(cr);
    if (!showsPlaceholder()) return drawn;
    Glib::RefPtr<Pango::Layout> layout = create_pango_layout("");
    // Plain text: a placeholder with '<' or '&' shows as it is written.
    layout->set_text(*_placeholder);
    layout->set_width(std::max(0, get_allocated_width() - int(PlaceholderX) * 2) * Pango::SCALE);
    layout->set_wrap(Pango::WRAP_WORD_CHAR);
    cr->save();
    cr->set_source_rgb(PlaceholderGrey, PlaceholderGrey, PlaceholderGrey);
    cr->move_to(PlaceholderX, PlaceholderY);
    layout->show_in_cairo_context(cr);
    cr->restore();
    return drawn;
}

bool TextViewEx::on_focus_in_event(GdkEventFocus* event)
{
    if (_placeholder) queue_draw();
    return Gtk::TextView::on_focus_in_event(event);
}

bool TextViewEx::on_focus_out_event(GdkEventFocus* event)
{
    if (_placeholder) queue_draw();
    return Gtk::TextView::on_focus_out_event(event);
}

bool hasRunTooLongForWordBreaks(std::string_view text)
{
    size_t run = 0;
    for (const char byte : text) {
        if (byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r') run = 0;
        // A character is counted at its first byte.
        else if ((static_cast<unsigned char>(byte) & 0xC0) != 0x80 && ++run > LongestRunBrokenAtWords) return true;
    }
    return false;
}

void initializeAsPlainText(Gtk::TextView& view)
{
    view.set_wrap_mode(Gtk::WRAP_WORD_CHAR);
    // Decided as each change is made, before anything lays the text out: a text set and the caret
    // placed after it lay out the caret's line at once.
    Glib::RefPtr<Gtk::TextBuffer> buffer = view.get_buffer();
    buffer->signal_changed().connect(sigc::track_obj(
        [&view, buffer = buffer.operator->()] {
            const Gtk::WrapMode wrap =
                hasRunTooLongForWordBreaks(buffer->get_text(true).raw()) ? Gtk::WRAP_CHAR : Gtk::WRAP_WORD_CHAR;
            if (view.get_wrap_mode() != wrap) view.set_wrap_mode(wrap);
        },
        view));
    view.set_monospace(false);
    // GTK's text views neither substitute quotes nor dashes; the buffer takes no rich text from
    // the clipboard unless told to.
    view.get_buffer()->remove_all_tags(view.get_buffer()->begin(), view.get_buffer()->end());
}

void setPlainTextString(Gtk::TextView& view, const std::string& text)
{
    Glib::RefPtr<Gtk::TextBuffer> buffer = view.get_buffer();
    if (g_utf8_validate(text.data(), gssize(text.size()), nullptr)) {
        buffer->set_text(text);
    } else {
        gchar* valid = g_utf8_make_valid(text.data(), gssize(text.size()));
        buffer->set_text(valid);
        g_free(valid);
    }
    buffer->remove_all_tags(buffer->begin(), buffer->end());
    buffer->place_cursor(buffer->begin());
}
