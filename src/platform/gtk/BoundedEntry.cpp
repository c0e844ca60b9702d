#include "platform/gtk/BoundedEntry.h"

#include <gtkmm/entry.h>

#include <cstring>
#include <utility>
#include <vector>

namespace {

// The bytes of the line break at the offset (a CR LF pair is one), 0 for none. Pango ends a line
// at each of these.
size_t lineBreakAt(std::string_view text, size_t at)
{
    const char c = text[at];
    if (c == '\n') return 1;
    if (c == '\r') return at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
    // U+2028 LINE SEPARATOR and U+2029 PARAGRAPH SEPARATOR.
    if (c == '\xE2' && at + 2 < text.size() && text[at + 1] == '\x80' &&
        (text[at + 2] == '\xA8' || text[at + 2] == '\xA9'))
        return 3;
    return 0;
}

std::string_view withoutSurroundingSpace(std::string_view line)
{
    const char* start = line.data();
    const char* end = start + line.size();
    while (start < end && g_unichar_isspace(g_utf8_get_char(start))) start = g_utf8_next_char(start);
    while (end > start) {
        const char* last = g_utf8_find_prev_char(start, end);
        if (!last || !g_unichar_isspace(g_utf8_get_char(last))) break;
        end = last;
    }
    return {start, static_cast<size_t>(end - start)};
}

std::string oneLine(std::string_view text, EntryBound::Lines lines)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t at = 0; at < text.size();) {
        const size_t breakLength = lineBreakAt(text, at);
        if (breakLength == 0) {
            ++at;
            continue;
        }
        parts.push_back(text.substr(start, at - start));
        at += breakLength;
        start = at;
    }
    if (parts.empty()) return std::string(text);
    parts.push_back(text.substr(start));
    std::string line;
    if (lines == EntryBound::Lines::Joined) {
        for (size_t index = 0; index < parts.size(); ++index) {
            if (index > 0) line += ' ';
            line += parts[index];
        }
        return line;
    }
    for (std::string_view part : parts) {
        const std::string_view content = withoutSurroundingSpace(part);
        if (!content.empty()) return std::string(content);
    }
    return line;
}

// The insertion, and whether its length was cut.
std::pair<std::string, bool> fit(std::string_view text, size_t held, const EntryBound& bound)
{
    std::string line;
    if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        line = oneLine(text, bound.lines);
    } else {
        char* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
        line = oneLine(valid, bound.lines);
        g_free(valid);
    }
    if (bound.maxCharacters == 0) return {line, false};
    size_t allowed = held < bound.maxCharacters ? bound.maxCharacters - held : 0;
    const char* end = line.data();
    const char* const lineEnd = line.data() + line.size();
    while (end < lineEnd && allowed > 0) {
        end = g_utf8_next_char(end);
        --allowed;
    }
    if (end >= lineEnd) return {line, false};
    line.resize(static_cast<size_t>(end - line.data()));
    return {line, true};
}

struct BoundState {
    EntryBound bound;
    // While the entry takes what this bound let through, or what the program puts there whole.
    bool passing = false;
};

GQuark stateQuark()
{
    static const GQuark quark = g_quark_from_static_string("tarnwick-entry-bound");
    return quark;
}

BoundState* stateOf(gpointer entry)
{
    return static_cast<BoundState*>(g_object_get_qdata(G_OBJECT(entry), stateQuark()));
}

void boundInsertion(GtkEditable* editable, gchar* text, gint length, gint* position, gpointer data)
{
    auto* state = static_cast<BoundState*>(data);
    if (state->passing || !text || !position) return;
    const std::string_view inserted(text, length < 0 ? std::strlen(text) : static_cast<size_t>(length));
    const size_t held = gtk_entry_buffer_get_length(gtk_entry_get_buffer(GTK_ENTRY(editable)));
    const auto [taken, cut] = fit(inserted, held, state->bound);
    if (taken == inserted) return;
    if (!taken.empty()) {
        const bool was = std::exchange(state->passing, true);
        gtk_editable_insert_text(editable, taken.data(), static_cast<gint>(taken.size()), position);
        state->passing = was;
    }
    g_signal_stop_emission_by_name(editable, "insert-text");
    // As GTK tells of text its maximum length turns away.
    if (cut) gtk_widget_error_bell(GTK_WIDGET(editable));
}

gboolean boundRealizedEntry(GSignalInvocationHint*, guint count, const GValue* values, gpointer)
{
    if (count > 0) {
        gpointer widget = g_value_get_object(&values[0]);
        if (GTK_IS_ENTRY(widget) && !stateOf(widget)) boundEntry(GTK_ENTRY(widget), EntryBound());
    }
    return true;
}

} // namespace

std::string boundedEntryInsertion(std::string_view text, size_t held, const EntryBound& bound)
{
    return fit(text, held, bound).first;
}

void boundEntry(GtkEntry* entry, const EntryBound& bound)
{
    if (BoundState* state = stateOf(entry)) {
        state->bound = bound;
        return;
    }
    auto* state = new BoundState{bound};
    g_object_set_qdata_full(G_OBJECT(entry), stateQuark(), state,
                            [](gpointer data) { delete static_cast<BoundState*>(data); });
    g_signal_connect(entry, "insert-text", G_CALLBACK(boundInsertion), state);
}

void boundEntry(Gtk::Entry& entry, const EntryBound& bound)
{
    boundEntry(entry.gobj(), bound);
}

void setEntryTextWhole(Gtk::Entry& entry, const std::string& text)
{
    BoundState* state = stateOf(entry.gobj());
    const bool was = state && std::exchange(state->passing, true);
    entry.set_text(text);
    if (state) state->passing = was;
}

void boundEveryEntry()
{
    static bool installed = false;
    if (std::exchange(installed, true)) return;
    g_signal_add_emission_hook(g_signal_lookup("realize", GTK_TYPE_WIDGET), 0, &boundRealizedEntry, nullptr, nullptr);
}
