#include "MindMaps/NodeTaskState.h"

#include "MindMaps/StyleSheet.h"
#include "MindMaps/TextSizeCalculator.h"
#include "platform/DateFormatter.h"

#include <algorithm>

bool NodeTaskState::setCheckboxMode(int32_t checkboxMode)
{
    if (checkboxMode == _checkboxMode) return false;
    _checkboxMode = checkboxMode;
    if (checkboxMode == 1 && _progress < 100) _progress = 0;
    else if (checkboxMode == 0) _progress = 0;
    return true;
}

bool NodeTaskState::setProgress(int64_t progress)
{
    progress = std::clamp<int64_t>(progress, 0, 100);
    if (progress == _progress) return false;
    _progress = progress;
    return true;
}

bool NodeTaskState::setDate(const std::optional<Date>& date)
{
    if (date == _date) return false;
    _date = date;
    return true;
}

void NodeTaskState::refreshDateText()
{
    if (_date) {
        _dateText = formatDateText(*_date);
        const Size label = TextSizeCalculator::instance().sizeForText(_dateText, StyleSheet::autoNumberFont());
        // A square date icon as high as the text, a gap of 4, the text.
        _dateTextSize = {label.width + label.height + 4, label.height};
    } else {
        _dateText.clear();
        _dateTextSize = Size();
    }
}

std::string NodeTaskState::formatDateText(const Date& date)
{
    return DateFormatter::shared().mediumDateString(date);
}
