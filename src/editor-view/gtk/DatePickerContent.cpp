#include "editor-view/gtk/DatePickerContent.h"

#include "Utils/GregorianCalendar.h"
#include "editor-view/MindMapEditor.h"
#include "platform/Localizer.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/calendar.h>

namespace {

class DatePickerBox : public Gtk::Box {
public:
    DatePickerBox(std::chrono::system_clock::time_point initialDate, DatePicked picked)
        : Gtk::Box(Gtk::ORIENTATION_VERTICAL, 6), _initialDate(initialDate), _picked(std::move(picked))
    {
        set_border_width(6);
        const DateComponents day = GregorianCalendar().components(initialDate);
        if (day.year > 0) {
            _calendar.select_month(guint(day.month - 1), guint(day.year));
            _calendar.select_day(guint(day.day));
        }
        _ok.set_label(localized("ok_button_title"));
        _ok.set_halign(Gtk::ALIGN_END);
        _calendar.signal_day_selected_double_click().connect([this] { pick(); });
        _ok.signal_clicked().connect([this] { pick(); });
        pack_start(_calendar, Gtk::PACK_SHRINK);
        pack_start(_ok, Gtk::PACK_SHRINK);
        show_all_children();
    }

private:
    void pick()
    {
        guint year = 0, month = 0, day = 0;
        _calendar.get_date(year, month, day);
        if (day == 0 || !_picked) return;
        _picked(MindMapEditor::dateForPickedDay(_initialDate, int(year), int(month) + 1, int(day)));
    }

    std::chrono::system_clock::time_point _initialDate;
    DatePicked _picked;
    Gtk::Calendar _calendar;
    Gtk::Button _ok;
};

} // namespace

Gtk::Widget* newDatePickerContent(std::chrono::system_clock::time_point initialDate, DatePicked picked)
{
    return new DatePickerBox(initialDate, std::move(picked));
}
