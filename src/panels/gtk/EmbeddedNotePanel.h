#pragma once

#include "editor-view/gtk/TextBufferEdits.h"
#include "editor-view/gtk/TextViewTransfers.h"
#include "panels/EmbeddedNotePanelController.h"
#include "panels/gtk/TextViewEx.h"
#include "platform/NotificationCenter.h"

#include <gtkmm/box.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/scrolledwindow.h>

#include <memory>

class MainWindow;

// The note tab of the inspector: the selected topic's note in a scrolling text view. The plain
// controller decides; this page tells it what the user types, when the user leaves the view and
// when the tab shows, and keeps the note's undo keys away from the map.
class EmbeddedNotePanel : public Gtk::Box, private EmbeddedNotePanelControllerDelegate, private EmbeddedNoteTextView {
public:
    explicit EmbeddedNotePanel(MainWindow& window);
    ~EmbeddedNotePanel() override;

    EmbeddedNotePanelController& controller() { return _controller; }
    TextViewEx& textView() { return _textView; }
    // The edit commands of the menu and the toolbar while the note has the keyboard.
    Responder& responder() { return _responder; }

private:
    class NoteResponder : public Responder {
    public:
        explicit NoteResponder(EmbeddedNotePanel& panel);
        ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override;

    private:
        EmbeddedNotePanel& _panel;
    };

    // EmbeddedNotePanelControllerDelegate
    MindMap* getActiveMindMap() override;
    // EmbeddedNoteTextView
    std::string text() const override { return _edits->text(); }
    TextRange selectedRange() const override { return _edits->selectedRange(); }
    void setPlainTextString(const std::string& text) override;
    void setPlaceholder(const std::string& placeholder) override { _textView.setPlaceholder(placeholder); }
    void setEditable(bool editable) override;
    void setBackgroundColor(const std::optional<Color>& color) override;
    void checkSpelling() override;
    void replaceCharacters(TextRange range, const std::string& text) override;
    void setSelectedRange(TextRange range) override { _edits->setSelectedRange(range); }

    bool windowKeyPressed(GdkEventKey* event);
    // The tab is shown while the page is mapped: in the visible tab of an open inspector.
    void scheduleVisibilityUpdate();
    void updateVisibility();
    // Another map on the canvas, or the same one read-only now.
    void followEditor();
    void attachToWindowActions();

    MainWindow& _window;
    Gtk::ScrolledWindow _scroller;
    TextViewEx _textView;
    Glib::RefPtr<Gtk::CssProvider> _css;
    std::unique_ptr<TextBufferEdits> _edits;
    std::unique_ptr<TextViewTransfers> _transfers;
    EmbeddedNotePanelController _controller{*this};
    NoteResponder _responder{*this};
    MindMap* _shownMap = nullptr;
    bool _presenting = false;
    sigc::connection _visibilityIdle;
    std::vector<sigc::connection> _connections;
    gulong _pasteHandler = 0;
    ObservationToken _mapChanged;
};

// Gives every new editor window the note tab.
void installEmbeddedNotePanel();
