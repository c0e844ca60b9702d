#pragma once

#include <gtkmm/textview.h>

#include <optional>
#include <string>
#include <string_view>

// A text view that shows a placeholder in light grey while it is empty and does not have the
// keyboard focus of its window. The placeholder is plain text, never markup: it may come from a
// translation.
class TextViewEx : public Gtk::TextView {
public:
    // Where the placeholder's top left corner lies in the view.
    static constexpr double PlaceholderX = 4;
    static constexpr double PlaceholderY = 2;

    TextViewEx();

    // None when no placeholder is set.
    std::optional<std::string> placeholder() const { return _placeholder; }
    // An empty text leaves none.
    void setPlaceholder(const std::string& placeholder);
    // Drawn now: a placeholder is set, the text is empty and the view is not its window's focus.
    bool showsPlaceholder() const;

protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;
    bool on_focus_in_event(GdkEventFocus* event) override;
    bool on_focus_out_event(GdkEventFocus* event) override;

private:
    std::optional<std::string> _placeholder;
};

// The longest run of characters without white space that the text views break between words.
// Pango looks for a word break before it breaks between letters, and that search grows with the
// square of the run: 100,000 such characters in a note held the window for 14 s. A longer run is
// broken between letters, as a word wider than the view is anyway.
constexpr size_t LongestRunBrokenAtWords = 1000;
// Whether the text holds a run of more than LongestRunBrokenAtWords characters without white space.
bool hasRunTooLongForWordBreaks(std::string_view text);

// Makes the view an editor of plain text in the theme's font: no tags survive a paste, nothing
// typed is substituted. Its lines break between words, or between letters while the text holds a
// run too long for word breaks.
void initializeAsPlainText(Gtk::TextView& view);
// Replaces the whole text by the string in the theme's font and colour. Text that is not UTF-8
// has its invalid bytes replaced: GTK would refuse it whole.
void setPlainTextString(Gtk::TextView& view, const std::string& text);
