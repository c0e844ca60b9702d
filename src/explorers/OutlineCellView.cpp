#include "explorers/OutlineCellView.h"

void OutlineCellView::setAutoNumberPath(const std::string& path)
{
    _detailsText = path;
    _detailsHidden = path.empty();
}

OutlineCellView::Spacing OutlineCellView::layoutSubviewsWithCheckboxes(bool checkboxes,
                                                                       std::optional<double> progressIconWidth,
                                                                       std::optional<double> shownImageWidth) const
{
    Spacing spacing;
    double trailing = TrailingWithoutCheckboxes;
    if (checkboxes) trailing = progressIconWidth.value_or(0) + CheckboxGap;
    spacing.noteTrailing = trailing;
    if (shownImageWidth) trailing += *shownImageWidth + ImageGap;
    spacing.textTrailing = trailing;
    spacing.numberingActive = !_detailsHidden;
    return spacing;
}
