#pragma once

#include "platform/Geometry.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// A topic's task: its checkbox or progress and its date, with the date's label as last measured.
// The node holds one and reports the changes; this class only keeps the values consistent.
class NodeTaskState {
public:
    using Date = std::chrono::system_clock::time_point;

    int32_t checkboxMode() const { return _checkboxMode; }
    // A plain checkbox keeps only a checked state (progress 100); no checkbox means no progress.
    // False when the mode was already set.
    bool setCheckboxMode(int32_t checkboxMode);
    bool showCheckbox() const { return _checkboxMode != 0; }
    int64_t progress() const { return _progress; }
    // Clamps to 0..100; false when the progress was already set.
    bool setProgress(int64_t progress);
    int32_t checkedState() const { return _progress > 99 ? 1 : 0; }

    const std::optional<Date>& date() const { return _date; }
    // False when the date was already set.
    bool setDate(const std::optional<Date>& date);
    const std::string& dateText() const { return _dateText; }
    Size dateTextSize() const { return _dateTextSize; }
    // Formats and measures the date's label, or clears it without a date.
    void refreshDateText();
    static std::string formatDateText(const Date& date);

private:
    int32_t _checkboxMode = 0;
    int64_t _progress = 0;
    std::optional<Date> _date;
    std::string _dateText;
    Size _dateTextSize;
};
