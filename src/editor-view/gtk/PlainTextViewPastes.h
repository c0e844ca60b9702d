#pragma once

#include "editor-view/TextPastes.h"
#include "editor-view/gtk/TextBufferEdits.h"
#include "editor-view/gtk/TextViewTransfers.h"

#include <gtkmm/textview.h>

#include <optional>
#include <vector>

class Pasteboard;

// A text view of plain text that no editor drives, such as a dialog's: the program fills it before
// the user sees it and reads it back when the user is done. The toolkit's own paste waits for the
// other program in a main loop of its own at Ctrl+V and at a middle click, even in a view that
// cannot be edited, and puts text dropped late into whatever the view holds by then. Here Ctrl+V,
// the context menu's Paste, a middle click and a drop read their text as the note does, without a
// loop of their own, into the place they were aimed at, moved along by the typing meanwhile; none
// goes anywhere once the view's window has left the screen or the view has gone. Everything that
// comes in, typed as well, is held to the bound.
class PlainTextViewPastes {
public:
    // From now on, for as long as this lives; the text the view holds now stays whole. The bound
    // says how many bytes of a text go in between the text before and after it, and tells the user
    // when it cut.
    PlainTextViewPastes(Gtk::TextView& view, TextBufferEdits::InsertionFilter bound);
    ~PlainTextViewPastes();
    PlainTextViewPastes(const PlainTextViewPastes&) = delete;
    PlainTextViewPastes& operator=(const PlainTextViewPastes&) = delete;

    // The pasteboard's text in place of the range, or of the selection of the moment without one,
    // when it comes; a view that cannot be edited asks for nothing.
    void pasteFrom(const Pasteboard& source, std::optional<TextRange> range);

private:
    Gtk::TextView& _view;
    TextBufferEdits _edits;
    TextPastes _pastes;
    TextViewTransfers _transfers;
    std::vector<gulong> _handlers;
};
