#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// What the outline's print dialog and export panel let the user choose: the whole map or the
// selection, what each topic shows, which topics are left out, and the paper; three presets set
// several switches at once. The host reads the choice once the panel closes and commits it when
// the user confirmed.
class OutlineOptionsChoice {
public:
    static constexpr const char* OptionsKey = "OutlineOptions.Options";
    static constexpr const char* PageFormatKey = "OutlineOptions.PageFormat";
    // Hierarchy, numbering, notes and hidden topics left out.
    static constexpr uint64_t DefaultOptions = 27;
    static constexpr int64_t DefaultPageFormat = 3; // A4

    struct Option {
        uint64_t bit;
        const char* titleKey;
    };
    // What each topic shows, then which topics are left out, in the panel's order.
    static constexpr std::array<Option, 8> Options{{
        {1, "outline_options_show_hierarchy"},
        {2, "outline_options_show_numbering"},
        {4, "outline_options_show_checkboxes"},
        {8, "outline_options_show_notes"},
        {16, "outline_options_filter_hidden_topics"},
        {32, "outline_options_filter_notes"},
        {64, "outline_options_filter_checkboxes"},
        {128, "outline_options_filter_unchecked_checkbox"},
    }};
    static constexpr uint64_t FilterCheckboxes = 64;
    static constexpr uint64_t FilterUnchecked = 128;
    static constexpr uint64_t AllOptions = 255;

    // The preset popup; the first item is a placeholder that changes nothing.
    static constexpr std::array<const char*, 4> PresetTitleKeys{
        "outline_options_select_preset", "outline_options_hierarchy_outline", "outline_options_notes_report",
        "outline_options_check_list"};

    // Loads the stored options and paper.
    explicit OutlineOptionsChoice(bool allowSelectionRange);

    bool allowSelectionRange() const { return _allowSelectionRange; }
    bool selectionRangeChosen() const { return _selectionRangeChosen; }
    void setSelectionRangeChosen(bool chosen) { _selectionRangeChosen = chosen; }
    bool selectionOnly() const { return _allowSelectionRange && _selectionRangeChosen; }

    uint64_t outlineOptions() const { return _options; }
    // Bits the panel does not have are dropped; "filter unchecked" only goes with "filter
    // checkboxes", as its box is disabled otherwise.
    void setOutlineOptions(uint64_t options);
    bool isOptionOn(uint64_t bit) const { return (_options & bit) != 0; }
    void setOptionOn(uint64_t bit, bool on);
    bool filterUncheckedEnabled() const { return isOptionOn(FilterCheckboxes); }
    // Sets the preset's switches; 0 and unknown presets change nothing.
    void applyPreset(size_t preset);
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
