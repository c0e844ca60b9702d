#pragma once

#include "editor-view/TypingUndo.h"

#include <gtkmm/textbuffer.h>

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

// A GTK text buffer seen as the editor sees texts: positions in UTF-16 units, changes reported
// as TextEdits. A user action (a typed key over a selection, a paste) is one change: its deletion
// and its insertion are reported together when it ends. The buffer's own undo-less views and
// the typing undo meet here.
class TextBufferEdits : public TypingUndoTarget {
public:
    TextBufferEdits(Glib::RefPtr<Gtk::TextBuffer> buffer, std::function<void(const TextEdit&)> changed);
    ~TextBufferEdits() override;
    TextBufferEdits(const TextBufferEdits&) = delete;
    TextBufferEdits& operator=(const TextBufferEdits&) = delete;

    std::string text() const;
    TextRange selectedRange() const;
    // The insertion point at the range's end: typing goes on after it.
    void setSelectedRange(TextRange range) override;
    // Reported as a change, as a typed one would be; the caret follows the new text.
    void replaceCharacters(TextRange range, const std::string& text) override;

    // Between the buffer's characters and UTF-16 positions.
    size_t positionOf(const Gtk::TextIter& iter) const;
    Gtk::TextIter iterAtPosition(size_t position) const;

    // Asked before text goes into the buffer by any road (typed, pasted by key or middle click,
    // dropped, from an input method, set by the program): how many of its bytes go in, between
    // the text before and after the place. A text cut short goes in cut; none, not at all.
    using InsertionFilter =
        std::function<size_t(std::string_view before, std::string_view text, std::string_view after)>;
    void setInsertionFilter(InsertionFilter filter) { _filter = std::move(filter); }

private:
    static void filterInsertion(GtkTextBuffer* buffer, GtkTextIter* location, gchar* text, gint length, gpointer self);
    void inserted(const Gtk::TextIter& position, const Glib::ustring& text, int bytes);
    void erasing(const Gtk::TextIter& start, const Gtk::TextIter& end);
    void erased();
    void userActionEnded();
    void report(TextEdit edit);

    Glib::RefPtr<Gtk::TextBuffer> _buffer;
    std::function<void(const TextEdit&)> _changed;
    std::vector<sigc::connection> _connections;
    gulong _filterHandler = 0;
    InsertionFilter _filter;
    bool _insertingFiltered = false;
    int _userActionDepth = 0;
    std::vector<TextEdit> _pending;
    std::optional<TextEdit> _erasing;
};
