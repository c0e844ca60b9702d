#include "editor-view/gtk/TextBufferEdits.h"

#include "Utils/FlagScope.h"

#include <algorithm>
#include <cstring>
#include <memory>

TextBufferEdits::TextBufferEdits(Glib::RefPtr<Gtk::TextBuffer> buffer, std::function<void(const TextEdit&)> changed)
    : _buffer(std::move(buffer)), _changed(std::move(changed))
{
    _connections.push_back(_buffer->signal_insert().connect(sigc::mem_fun(*this, &TextBufferEdits::inserted), true));
    _connections.push_back(_buffer->signal_erase().connect(sigc::mem_fun(*this, &TextBufferEdits::erasing), false));
    _connections.push_back(
        _buffer->signal_erase().connect([this](const Gtk::TextIter&, const Gtk::TextIter&) { erased(); }, true));
    _connections.push_back(_buffer->signal_begin_user_action().connect([this] { ++_userActionDepth; }));
    _connections.push_back(
        _buffer->signal_end_user_action().connect(sigc::mem_fun(*this, &TextBufferEdits::userActionEnded)));
    // Before the buffer's own handler, which takes the text in; with GTK's own call, as the text
    // may be megabytes that no wrapper should copy.
    _filterHandler =
        g_signal_connect(_buffer->gobj(), "insert-text", G_CALLBACK(&TextBufferEdits::filterInsertion), this);
}

TextBufferEdits::~TextBufferEdits()
{
    g_signal_handler_disconnect(_buffer->gobj(), _filterHandler);
    for (sigc::connection& connection : _connections) connection.disconnect();
}

void TextBufferEdits::filterInsertion(GtkTextBuffer* buffer, GtkTextIter* location, gchar* text, gint length,
                                      gpointer self)
{
    auto& edits = *static_cast<TextBufferEdits*>(self);
    if (!edits._filter || edits._insertingFiltered || !text) return;
    const std::string_view inserted(text, length < 0 ? std::strlen(text) : static_cast<size_t>(length));
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    const std::unique_ptr<gchar, decltype(&g_free)> before(gtk_text_buffer_get_text(buffer, &start, location, TRUE),
                                                           &g_free);
    const std::unique_ptr<gchar, decltype(&g_free)> after(gtk_text_buffer_get_text(buffer, location, &end, TRUE),
                                                          &g_free);
    const size_t kept = edits._filter(before.get(), inserted, after.get());
    if (kept >= inserted.size()) return;
    // The part that may go in goes in now, and the buffer's own handling of the whole stops; the
    // location moves past the part as the caller expects it to.
    if (kept > 0) {
        const FlagScope inserting(edits._insertingFiltered);
        gtk_text_buffer_insert(buffer, location, text, static_cast<gint>(kept));
    }
    g_signal_stop_emission_by_name(buffer, "insert-text");
}

std::string TextBufferEdits::text() const
{
    return _buffer->get_text(true).raw();
}

size_t TextBufferEdits::positionOf(const Gtk::TextIter& iter) const
{
    return utf16Length(_buffer->get_text(_buffer->begin(), iter, true).raw());
}

Gtk::TextIter TextBufferEdits::iterAtPosition(size_t position) const
{
    const std::string all = text();
    const size_t offset = utf8OffsetForUtf16Position(all, position);
    const glong characters = g_utf8_pointer_to_offset(all.data(), all.data() + offset);
    return _buffer->get_iter_at_offset(static_cast<int>(characters));
}

TextRange TextBufferEdits::selectedRange() const
{
    Gtk::TextIter start, end;
    if (!_buffer->get_selection_bounds(start, end)) start = end = _buffer->get_insert()->get_iter();
    const size_t from = positionOf(start);
    const size_t to = positionOf(end);
    return {std::min(from, to), from > to ? from - to : to - from};
}

void TextBufferEdits::setSelectedRange(TextRange range)
{
    _buffer->select_range(iterAtPosition(range.end()), iterAtPosition(range.location));
}

void TextBufferEdits::replaceCharacters(TextRange range, const std::string& replacement)
{
    _buffer->begin_user_action();
    Gtk::TextIter at = iterAtPosition(range.location);
    const Gtk::TextIter end = iterAtPosition(range.end());
    if (at != end) at = _buffer->erase(at, end);
    if (!replacement.empty()) at = _buffer->insert(at, replacement);
    _buffer->place_cursor(at);
    _buffer->end_user_action();
}

void TextBufferEdits::inserted(const Gtk::TextIter& position, const Glib::ustring& inserted, int /*bytes*/)
{
    const size_t end = positionOf(position);
    report({end - std::min(end, utf16Length(inserted.raw())), std::string(), inserted.raw()});
}

void TextBufferEdits::erasing(const Gtk::TextIter& start, const Gtk::TextIter& end)
{
    _erasing = TextEdit{positionOf(start), _buffer->get_text(start, end, true).raw(), std::string()};
}

void TextBufferEdits::erased()
{
    if (!_erasing) return;
    TextEdit edit = std::move(*_erasing);
    _erasing.reset();
    report(std::move(edit));
}

void TextBufferEdits::report(TextEdit edit)
{
    if (_userActionDepth > 0) {
        // A deletion followed by an insertion at its place is one replacement.
        if (!_pending.empty() && _pending.back().inserted.empty() && edit.removed.empty() &&
            _pending.back().location == edit.location) {
            _pending.back().inserted = std::move(edit.inserted);
        } else {
            _pending.push_back(std::move(edit));
        }
        return;
    }
    if (_changed) _changed(edit);
}

void TextBufferEdits::userActionEnded()
{
    if (_userActionDepth > 0) --_userActionDepth;
    if (_userActionDepth > 0) return;
    std::vector<TextEdit> edits = std::move(_pending);
    _pending.clear();
    for (TextEdit& edit : edits) report(std::move(edit));
}
