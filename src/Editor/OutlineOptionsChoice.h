#pragma once

#include <cstdint>

// What the outline's print dialog and export panel let the user choose: the whole map or the
// selection, and the paper. The options mask (what each topic shows, which topics are left out)
// is the one stored last; choosing it comes with the full outline options. The host reads the
// choice once the panel closes and commits it when the user confirmed.
class OutlineOptionsChoice {
public:
    static constexpr const char* OptionsKey = "OutlineOptions.Options";
    static constexpr const char* PageFormatKey = "OutlineOptions.PageFormat";
    // Hierarchy, numbering, notes and hidden topics left out.
    static constexpr uint64_t DefaultOptions = 27;
    static constexpr int64_t DefaultPageFormat = 3; // A4

    // Loads the stored options and paper.
    explicit OutlineOptionsChoice(bool allowSelectionRange);

    bool allowSelectionRange() const { return _allowSelectionRange; }
    bool selectionRangeChosen() const { return _selectionRangeChosen; }
    void setSelectionRangeChosen(bool chosen) { _selectionRangeChosen = chosen; }
    bool selectionOnly() const { return _allowSelectionRange && _selectionRangeChosen; }

    uint64_t outlineOptions() const { return _options; }
    void setOutlineOptions(uint64_t options) { _options = options; }
    // A paper format index; 0 to 11.
    int64_t pageFormat() const { return _pageFormat; }
    // An index outside the paper list is ignored.
    void setPageFormat(int64_t format);

    void loadSettings();
    void commitSettings() const;

private:
    bool _allowSelectionRange;
    bool _selectionRangeChosen = false;
    uint64_t _options = DefaultOptions;
    int64_t _pageFormat = DefaultPageFormat;
};
