#pragma once

#include "editor-view/InplaceTextView.h"
#include "editor-view/gtk/TextBufferEdits.h"
#include "editor-view/gtk/TextViewTransfers.h"

#include <gtkmm.h>

#include <memory>
#include <vector>

// The in-place text view as GTK widgets: a Gtk::TextView and the border behind it, laid into the
// Gtk::Overlay that holds the canvas, at the canvas's view coordinates.
//
// The text is drawn as the map painter draws it: the same font description at an absolute size
// (the scale already in it), unhinted metrics and unrounded glyph positions, no margins or padding
// of its own; the frame's fractions of a pixel are drawn as an offset, so the edited text covers
// the painted text exactly.
class GtkInplaceTextView : public InplaceTextView {
public:
    // The overlay (not owned) may go before the view.
    explicit GtkInplaceTextView(Gtk::Overlay& overlay);
    ~GtkInplaceTextView() override;

    void setClient(InplaceTextViewClient* client) override { _client = client; }
    std::string text() const override;
    TextRange selectedRange() const override;
    void setSelectedRange(TextRange range) override;
    void replaceCharacters(TextRange range, const std::string& text) override;
    void setAppearance(const InplaceTextAppearance& appearance) override;
    void setBorder(const InplaceEditorBorder& border) override;
    void setFrames(const Rect& textFrame, const Rect& borderFrame) override;
    void setSpellingFlags(bool continuousSpellChecking, bool automaticSpellingCorrection) override;
    bool continuousSpellChecking() const override;
    bool automaticSpellingCorrection() const override { return _automaticSpellingCorrection; }
    void show() override;
    bool focusIsElsewhere() const override { return _focusLeft; }
    void remove() override;

    Gtk::TextView& textView() { return _textView; }
    Gtk::Widget& borderView() { return _border; }

private:
    // Draws its widget's content moved by the fractions of a pixel its frame has.
    class OffsetTextView : public Gtk::TextView {
    public:
        Point offset;

    protected:
        bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;
    };
    class BorderArea : public Gtk::DrawingArea {
    public:
        InplaceEditorBorder border;
        Rect bounds;

    protected:
        bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;
    };

    bool childPosition(Gtk::Widget* widget, Gdk::Rectangle& allocation);
    bool keyPressed(GdkEventKey* event);
    void report(const TextEdit& edit);
    void pasteRequested();
    void updateStyle();
    void applyTextTag();
    // Pango rounds glyph positions to whole pixels unless told not to, and GTK never tells it for
    // its text views; the painter's texts are unrounded.
    void unroundGlyphPositions();
    Glib::RefPtr<Gtk::TextBuffer> buffer() const { return const_cast<OffsetTextView&>(_textView).get_buffer(); }

    GtkWidget* _overlay = nullptr; // weak
    OffsetTextView _textView;
    BorderArea _border;
    Glib::RefPtr<Gtk::TextTag> _tag;
    Glib::RefPtr<Gtk::CssProvider> _css;
    InplaceTextViewClient* _client = nullptr;
    InplaceTextAppearance _appearance;
    Gdk::Rectangle _textAllocation;
    Gdk::Rectangle _borderAllocation;
    std::vector<sigc::connection> _connections;
    std::vector<gulong> _textViewHandlers;
    std::unique_ptr<TextBufferEdits> _edits;
    std::unique_ptr<TextViewTransfers> _transfers;
    bool _applyingTag = false;
    bool _inPreedit = false;
    bool _shown = false;
    bool _focusLeft = false;
    bool _automaticSpellingCorrection = false;
};
