#pragma once

#include <optional>
#include <string>

// The spacing of one outliner row: its title, auto-number text, checkbox or progress icon, note
// and date. The row widget applies what this decides to its children.
class OutlineCellView {
public:
    // Without a checkbox column the texts keep this far from the row's end; with one, the icon's
    // width and this much.
    static constexpr double TrailingWithoutCheckboxes = 3.0;
    static constexpr double CheckboxGap = 4.0;
    static constexpr double ImageGap = 1.0;

    // The auto-number text shows only when there is one.
    void setAutoNumberPath(const std::string& path);
    const std::string& detailsText() const { return _detailsText; }
    bool isDetailsHidden() const { return _detailsHidden; }

    // The row's trailing spaces: the note's, and the title's, which also leaves room for the
    // row's image when that is shown.
    struct Spacing {
        double noteTrailing = 0;
        double textTrailing = 0;
        bool numberingActive = false; // the title keeps its distance to the auto-number text
    };
    // progressIconWidth: the row's checkbox icon, when it has one; shownImageWidth: the row's
    // image, when it is shown.
    Spacing layoutSubviewsWithCheckboxes(bool checkboxes, std::optional<double> progressIconWidth,
                                         std::optional<double> shownImageWidth) const;

private:
    std::string _detailsText;
    bool _detailsHidden = true;
};
