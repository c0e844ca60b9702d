#pragma once

#include <chrono>
#include <functional>

namespace Gtk {
class Widget;
}

// The date picker's content: a calendar on the initial date's day. A double click on a day, or
// the OK button, picks the shown day at the initial date's time of day.
using DatePicked = std::function<void(std::chrono::system_clock::time_point date)>;
Gtk::Widget* newDatePickerContent(std::chrono::system_clock::time_point initialDate, DatePicked picked);
