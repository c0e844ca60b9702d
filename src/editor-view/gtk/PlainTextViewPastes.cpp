#include "editor-view/gtk/PlainTextViewPastes.h"

#include "platform/Pasteboard.h"

PlainTextViewPastes::PlainTextViewPastes(Gtk::TextView& view, TextBufferEdits::InsertionFilter bound)
    : _view(view),
      _edits(view.get_buffer(), [this](const TextEdit& edit) { _pastes.textDidChange(edit); }),
      _transfers(view, _edits, [this](const Pasteboard& source, TextRange range) { pasteFrom(source, range); })
{
    _edits.setInsertionFilter(std::move(bound));
    // The keys' and the context menu's paste.
    _handlers.push_back(g_signal_connect(
        _view.gobj(), "paste-clipboard", G_CALLBACK(+[](GtkTextView* view, gpointer self) {
            g_signal_stop_emission_by_name(view, "paste-clipboard");
            static_cast<PlainTextViewPastes*>(self)->pasteFrom(Pasteboard::generalPasteboard(), std::nullopt);
        }),
        this));
    // A tab switched away from leaves its window on the screen, and its pastes with it.
    _handlers.push_back(g_signal_connect(_view.gobj(), "unmap", G_CALLBACK(+[](GtkWidget* view, gpointer self) {
                                             if (!gtk_widget_get_visible(gtk_widget_get_toplevel(view)))
                                                 static_cast<PlainTextViewPastes*>(self)->_pastes.dropReads();
                                         }),
                                         this));
}

PlainTextViewPastes::~PlainTextViewPastes()
{
    for (gulong handler : _handlers) g_signal_handler_disconnect(_view.gobj(), handler);
}

void PlainTextViewPastes::pasteFrom(const Pasteboard& source, std::optional<TextRange> range)
{
    if (!_view.get_editable()) return;
    _pastes.read(source, range, [this](std::optional<TextRange> range, const std::string& text) {
        if (!_view.get_editable()) return;
        _edits.replaceCharacters(range.value_or(_edits.selectedRange()), text);
        // The caret stays in sight, as after the toolkit's own paste.
        _view.scroll_to(_view.get_buffer()->get_insert());
    });
}
