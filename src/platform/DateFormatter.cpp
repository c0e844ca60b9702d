#include "platform/DateFormatter.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <clocale>
#include <cstdlib>

struct DateFormatter::Format {
    std::unique_ptr<icu::DateFormat> format;
    std::unique_ptr<icu::DateFormat> dateTimeFormat;
};

namespace {

std::string formatted(icu::DateFormat* format, const DateFormatter::Date& date)
{
    if (!format) return std::string();
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count();
    icu::UnicodeString text;
    format->format(static_cast<UDate>(milliseconds), text);
    std::string result;
    text.toUTF8String(result);
    return result;
}

} // namespace

DateFormatter& DateFormatter::shared()
{
    static DateFormatter formatter;
    return formatter;
}

DateFormatter::DateFormatter() = default;
DateFormatter::~DateFormatter() = default;

void DateFormatter::refresh()
{
    const char* locale = std::setlocale(LC_TIME, nullptr);
    const char* zone = std::getenv("TZ");
    const std::string localeName = locale ? locale : "C";
    const std::string zoneName = zone ? zone : "";
    if (_format && localeName == _locale && zoneName == _zone) return;
    _locale = localeName;
    _zone = zoneName;
    // The canonical form turns the C library's names ("de_DE.UTF-8", "C") into the library's own.
    const icu::Locale canonical = icu::Locale::createCanonical(localeName.c_str());
    _format = std::make_unique<Format>();
    _format->format.reset(icu::DateFormat::createDateInstance(icu::DateFormat::kMedium, canonical));
    if (_format->format) _format->format->adoptTimeZone(icu::TimeZone::detectHostTimeZone());
    _format->dateTimeFormat.reset(
        icu::DateFormat::createDateTimeInstance(icu::DateFormat::kMedium, icu::DateFormat::kShort, canonical));
    if (_format->dateTimeFormat) _format->dateTimeFormat->adoptTimeZone(icu::TimeZone::detectHostTimeZone());
}

std::string DateFormatter::mediumDateString(const Date& date)
{
    refresh();
    return formatted(_format->format.get(), date);
}

std::string DateFormatter::mediumDateShortTimeString(const Date& date)
{
    refresh();
    return formatted(_format->dateTimeFormat.get(), date);
}
