#pragma once

#include <chrono>
#include <functional>
#include <optional>

namespace Gtk {
class Widget;
}

// The date popover's content: a calendar on the initial date's day, OK (focused when shown) and
// Clear. OK, or a double click on a day, picks the shown day at the initial date's time of day;
// Clear picks no date. Closing the popover is the caller's business.
using DatePicked = std::function<void(std::optional<std::chrono::system_clock::time_point> date)>;
Gtk::Widget* newDatePickerContent(std::chrono::system_clock::time_point initialDate, DatePicked picked);
