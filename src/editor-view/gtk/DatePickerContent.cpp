#include "editor-view/gtk/DatePickerContent.h"

#include "Utils/GregorianCalendar.h"
#include "editor-view/MindMapEditor.h"
#include "platform/Localizer.h"

#include <glibmm/main.h>
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/buttonbox.h>
#include <gtkmm/calendar.h>
#include <gtkmm/window.h>

namespace {

class DatePickerBox : public Gtk::Box {
public:
    DatePickerBox(std::chrono::system_clock::time_point initialDate, DatePicked picked)
        : Gtk::Box(Gtk::ORIENTATION_VERTICAL, 6), _initialDate(initialDate), _picked(std::move(picked))
    {
        set_name("datePicker");
        set_border_width(6);
        const DateComponents day = GregorianCalendar().components(initialDate);
        if (day.year > 0) {
            _calendar.select_month(guint(day.month - 1), guint(day.year));
            _calendar.select_day(guint(day.day));
        }
        _ok.set_label(localized("ok_button_title"));
        _clear.set_label(localized("clear_date_caption"));
        _ok.set_can_default(true);
        _buttons.set_layout(Gtk::BUTTONBOX_END);
        _buttons.set_spacing(6);
        _buttons.pack_start(_clear, Gtk::PACK_SHRINK);
        _buttons.pack_start(_ok, Gtk::PACK_SHRINK);
        _calendar.signal_day_selected_double_click().connect([this] { pick(); });
        _ok.signal_clicked().connect([this] { pick(); });
        _clear.signal_clicked().connect([this] {
            if (_picked) _picked(std::nullopt);
        });
        pack_start(_calendar, Gtk::PACK_SHRINK);
        pack_start(_buttons, Gtk::PACK_SHRINK);
        show_all_children();
    }

    ~DatePickerBox() override { rememberFocus(nullptr); }

protected:
    void on_map() override
    {
        Gtk::Box::on_map();
        // A modal popover hands the focus to its first child once it is up: OK takes it after
        // that, so that Return confirms the shown day.
        _focusOk.disconnect();
        _focusOk = Glib::signal_idle().connect([this] {
            if (!get_mapped()) return false;
            auto* window = dynamic_cast<Gtk::Window*>(get_toplevel());
            Gtk::Widget* previous = window ? window->get_focus() : nullptr;
            if (previous && !previous->is_ancestor(*this)) rememberFocus(previous->gobj());
            _ok.grab_focus();
            return false;
        });
    }

    void on_unmap() override
    {
        _focusOk.disconnect();
        // The popover shares its window's focus: the widget that had it before gets it back, or
        // the keyboard would be left with nothing (or with a neighbour) once the popover is gone.
        auto* window = dynamic_cast<Gtk::Window*>(get_toplevel());
        Gtk::Widget* focus = window ? window->get_focus() : nullptr;
        GtkWidget* previous = _previousFocus;
        rememberFocus(nullptr);
        Gtk::Box::on_unmap();
        if (previous && (!focus || focus->is_ancestor(*this) || focus == this) && gtk_widget_is_sensitive(previous))
            gtk_widget_grab_focus(previous);
    }

private:
    void pick()
    {
        guint year = 0, month = 0, day = 0;
        _calendar.get_date(year, month, day);
        if (day == 0 || !_picked) return;
        _picked(MindMapEditor::dateForPickedDay(_initialDate, int(year), int(month) + 1, int(day)));
    }

    // Weak: read null once the widget is gone.
    void rememberFocus(GtkWidget* widget)
    {
        if (_previousFocus)
            g_object_remove_weak_pointer(G_OBJECT(_previousFocus), reinterpret_cast<gpointer*>(&_previousFocus));
        _previousFocus = widget;
        if (_previousFocus)
            g_object_add_weak_pointer(G_OBJECT(_previousFocus), reinterpret_cast<gpointer*>(&_previousFocus));
    }

    std::chrono::system_clock::time_point _initialDate;
    DatePicked _picked;
    Gtk::Calendar _calendar;
    Gtk::ButtonBox _buttons;
    Gtk::Button _clear;
    Gtk::Button _ok;
    sigc::connection _focusOk;
    GtkWidget* _previousFocus = nullptr;
};

} // namespace

Gtk::Widget* newDatePickerContent(std::chrono::system_clock::time_point initialDate, DatePicked picked)
{
    return new DatePickerBox(initialDate, std::move(picked));
}
