#pragma once

#include <chrono>
#include <memory>
#include <string>

// Dates as the user reads them: the medium style of the process's time locale (LC_TIME), with
// the month as a word where the locale writes it so ("Mar 14, 2024" in American English,
// "14.03.2024" in German), no time, in the local time zone. The shared formatter is made on first
// use and made anew when the locale or the TZ variable changes.
class DateFormatter {
public:
    using Date = std::chrono::system_clock::time_point;

    static DateFormatter& shared();

    DateFormatter();
    ~DateFormatter();
    DateFormatter(const DateFormatter&) = delete;
    DateFormatter& operator=(const DateFormatter&) = delete;

    // Empty when the library has no formatter for the locale.
    std::string mediumDateString(const Date& date);
    // The medium date followed by the time in the locale's short style ("Mar 14, 2024, 3:07 PM").
    std::string mediumDateShortTimeString(const Date& date);

private:
    void refresh();

    struct Format; // the library's formatters, kept out of this header

    std::string _locale;
    std::string _zone;
    std::unique_ptr<Format> _format;
};
