#include "panels/gtk/EmbeddedNotePanel.h"

#include "Editor/EditorDocument.h"
#include "Editor/gtk/MainWindow.h"
#include "Editor/gtk/MainWindowActions.h"
#include "MindMaps/MindMap.h"
#include "editor-view/MindMapEditor.h"
#include "editor-view/gtk/GspellLibrary.h"
#include "editor-view/gtk/GspellSpellingService.h"
#include "platform/Localizer.h"
#include "platform/gtk/FocusLoss.h"

#include <gdk/gdkkeysyms.h>
#include <gtkmm/cssprovider.h>

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

constexpr int NoteTabIndex = 1;
// The text's room inside the view: none beside it beyond the placeholder's own inset, a little
// above and below.
constexpr int TextInsetX = 4;
constexpr int TextInsetY = 4;

} // namespace

EmbeddedNotePanel::EmbeddedNotePanel(MainWindow& window) : Gtk::Box(Gtk::ORIENTATION_VERTICAL), _window(window)
{
    set_name("embeddedNotePanel");
    set_size_request(-1, int(EmbeddedNotePanelController::MinimumHeight));
    _textView.set_name("tarnwick-note-text");
    // Screen readers name the text after its tab, apart from the topic text edited on the canvas.
    if (Glib::RefPtr<Atk::Object> accessible = _textView.get_accessible())
        accessible->set_name(localized("note_tab_title"));
    initializeAsPlainText(_textView);
    _textView.set_left_margin(TextInsetX);
    _textView.set_right_margin(TextInsetX);
    _textView.set_top_margin(TextInsetY);
    _textView.set_bottom_margin(TextInsetY);
    _textView.set_accepts_tab(true);
    _css = Gtk::CssProvider::create();
    _textView.get_style_context()->add_provider(_css, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    // Loading the dictionary takes a good part of a start: it is read when the note first shows.
    auto attachSpelling = std::make_shared<sigc::connection>();
    *attachSpelling = _textView.signal_map().connect([this, attachSpelling] {
        attachSpelling->disconnect();
        attachInlineSpellChecker(_textView.gobj());
    });
    _edits = std::make_unique<TextBufferEdits>(_textView.get_buffer(),
                                               [this](const TextEdit& edit) { _controller.textDidChange(edit); });
    // Every road into the text (keys, paste, middle click, drop) meets at the buffer.
    _edits->setInsertionFilter([this](std::string_view before, std::string_view text, std::string_view) {
        return _controller.textWillInsert(before, text);
    });

    _scroller.set_policy(Gtk::POLICY_NEVER, Gtk::POLICY_AUTOMATIC);
    _scroller.set_shadow_type(Gtk::SHADOW_NONE);
    _scroller.add(_textView);
    pack_start(_scroller, Gtk::PACK_EXPAND_WIDGET);
    show_all();

    _controller.setTextView(this);
    // Leaving the view for another widget of the window ends the edit; switching to another
    // application does not.
    _connections.push_back(connectFocusLeftInsideWindow(_textView, [this] { _controller.textDidEndEditing(); }));
    // The keys' and the context menu's paste, as the menu's, and the middle click's and the drops':
    // the text must reach the note that asked.
    _transfers =
        std::make_unique<TextViewTransfers>(_textView, *_edits, [this](const Pasteboard& source, TextRange range) {
            _controller.pasteFrom(source, range);
        });
    _pasteHandler =
        g_signal_connect(_textView.gobj(), "paste-clipboard", G_CALLBACK(+[](GtkTextView* view, gpointer self) {
                             g_signal_stop_emission_by_name(view, "paste-clipboard");
                             static_cast<EmbeddedNotePanel*>(self)->_controller.paste();
                         }),
                         this);
    // Before the window's own handler, which gives the menu's keys to the map first.
    _connections.push_back(
        window.signal_key_press_event().connect(sigc::mem_fun(*this, &EmbeddedNotePanel::windowKeyPressed), false));
    _connections.push_back(signal_map().connect([this] { scheduleVisibilityUpdate(); }));
    _connections.push_back(signal_unmap().connect([this] { scheduleVisibilityUpdate(); }));
    window.editor().setModelessEditor(&_controller);
    // The window goes before its pages, and its list of page commands with it.
    window.setInspectorResponder(NoteTabIndex, &_responder);
    // Runs after every input event and every change of the map: a map shown by the window comes
    // this way, as does a read-only state the window has not told yet.
    window.addValidator([this] { followEditor(); });
    _mapChanged = NotificationCenter::defaultCenter().addObserver(AfterChangingMindMapNotification, nullptr,
                                                                  [this](const Notification&) {
                                                                      // The window may show it after
                                                                      // this report: looked at when idle.
                                                                      _shownMap = nullptr;
                                                                      _window.scheduleValidation();
                                                                  });
    // The window makes its actions after its pages.
    Glib::signal_idle().connect_once(sigc::mem_fun(*this, &EmbeddedNotePanel::attachToWindowActions));
}

EmbeddedNotePanel::~EmbeddedNotePanel()
{
    // The canvas has gone before the window's pages, and its editor told the map to forget this
    // panel: nothing here reaches back to it.
    _visibilityIdle.disconnect();
    for (sigc::connection& connection : _connections) connection.disconnect();
    g_signal_handler_disconnect(_textView.gobj(), _pasteHandler);
    _transfers.reset();
    _controller.setTextView(nullptr);
}

MindMap* EmbeddedNotePanel::getActiveMindMap()
{
    return _window.editor().mindMap();
}

void EmbeddedNotePanel::attachToWindowActions()
{
    _window.windowActions().addReadOnlyFollower([this](bool readOnly) {
        _presenting = readOnly;
        followEditor();
    });
}

// ---- Following the window ----

void EmbeddedNotePanel::scheduleVisibilityUpdate()
{
    // Unmapped also when the window takes its widgets down; the update waits for the main loop,
    // when a window that is going has taken this page with it.
    if (_visibilityIdle.connected()) return;
    _visibilityIdle = Glib::signal_idle().connect([this] {
        updateVisibility();
        return false;
    });
}

void EmbeddedNotePanel::updateVisibility()
{
    followEditor();
    _controller.setHidden(!get_mapped());
}

void EmbeddedNotePanel::followEditor()
{
    MindMap* map = _window.editor().mindMap();
    _controller.setReadOnly(_presenting || _window.editor().readOnly() || (map && map->readOnly()));
    if (map == _shownMap) return;
    _shownMap = map;
    if (!_controller.hidden()) _controller.afterChangingSelection(map ? map->selectedElement() : nullptr);
}

// ---- Keys ----

bool EmbeddedNotePanel::windowKeyPressed(GdkEventKey* event)
{
    if (!_textView.is_focus()) return false;
    const unsigned modifiers = event->state & gtk_accelerator_get_default_mod_mask();
    const guint key = gdk_keyval_to_lower(event->keyval);
    if (key == GDK_KEY_z && (modifiers & GDK_CONTROL_MASK) && !(modifiers & GDK_MOD1_MASK)) {
        // The note's typing has its own undo; the map's steps stay where they are.
        if (modifiers & GDK_SHIFT_MASK) _controller.redoNote();
        else _controller.undoNote();
        return true;
    }
    // The text takes its keys before the menu does: Delete deletes a letter, not a topic.
    return gtk_window_propagate_key_event(GTK_WINDOW(_window.gobj()), event);
}

// ---- Commands ----

EmbeddedNotePanel::NoteResponder::NoteResponder(EmbeddedNotePanel& panel) : _panel(panel)
{
    GtkTextView* view = panel._textView.gobj();
    addAction("undo:", [this](const ActionSender*) { _panel._controller.undoNote(); });
    addAction("redo:", [this](const ActionSender*) { _panel._controller.redoNote(); });
    // The text view's own clipboard commands, as its keys and its context menu run them; the paste
    // is the note's own.
    addAction("cut:", [view](const ActionSender*) { g_signal_emit_by_name(view, "cut-clipboard"); });
    addAction("copy:", [view](const ActionSender*) { g_signal_emit_by_name(view, "copy-clipboard"); });
    addAction("paste:", [this](const ActionSender*) { _panel._controller.paste(); });
    addAction("selectAll:", [view](const ActionSender*) { g_signal_emit_by_name(view, "select-all", TRUE); });
    addAction("delete:", [this](const ActionSender*) {
        _panel._textView.get_buffer()->erase_selection(true, _panel._textView.get_editable());
    });
}

ItemValidation EmbeddedNotePanel::NoteResponder::validateUserInterfaceItem(const ValidatedUserInterfaceItem& item)
{
    if (!EmbeddedNotePanelController::isTextAction(item.action())) return {};
    return _panel._controller.validateTextAction(item.action(), _panel._textView.get_buffer()->get_has_selection());
}

// ---- The text view ----

void EmbeddedNotePanel::setPlainTextString(const std::string& text)
{
    ::setPlainTextString(_textView, text);
}

void EmbeddedNotePanel::replaceCharacters(TextRange range, const std::string& text)
{
    _edits->replaceCharacters(range, text);
    // The caret stays in sight, as after the text view's own paste.
    _textView.scroll_to(_textView.get_buffer()->get_insert());
}

void EmbeddedNotePanel::setEditable(bool editable)
{
    _textView.set_editable(editable);
    _textView.set_cursor_visible(editable);
}

void EmbeddedNotePanel::setBackgroundColor(const std::optional<Color>& color)
{
    std::string css;
    if (color) {
        char value[64];
        std::snprintf(value, sizeof value, "rgb(%d,%d,%d)", int(std::lround(color->red() * 255)),
                      int(std::lround(color->green() * 255)), int(std::lround(color->blue() * 255)));
        css = std::string("#tarnwick-note-text, #tarnwick-note-text text { background-color: ") + value + "; }";
    }
    _css->load_from_data(css);
}

void EmbeddedNotePanel::checkSpelling()
{
    if (const GspellLibrary* gspell = GspellLibrary::get())
        gspell->gspell_text_view_set_inline_spell_checking(
            gspell->gspell_text_view_get_from_gtk_text_view(_textView.gobj()), TRUE);
}

void installEmbeddedNotePanel()
{
    MainWindow::setInspectorPageFactory(NoteTabIndex,
                                        [](MainWindow& window) { return std::make_unique<EmbeddedNotePanel>(window); });
}
