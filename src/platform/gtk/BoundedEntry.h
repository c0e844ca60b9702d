#pragma once

#include <cstddef>
#include <string>
#include <string_view>

typedef struct _GtkEntry GtkEntry;

namespace Gtk {
class Entry;
}

// A one-line entry lays out all it holds as one line, and the time that takes grows with the
// square of the tabs in it: an indented outline of fifty kilobytes pasted into the find field held
// the window for five seconds, and every further paste for longer. So what comes into an entry is
// bounded where it enters (its "insert-text"), the one place that keys, Ctrl+V, a middle click and
// a drop all pass: text of several lines gives one line, and the entry grows to no more than its
// bound. An entry that already holds more, because the program put it there, keeps it.
struct EntryBound {
    // A search needs a few words.
    static constexpr size_t SearchCharacters = 500;
    // A path as long as the system takes one.
    static constexpr size_t PathCharacters = 4096;
    // A link to such a path, with room for its escapes and a page.
    static constexpr size_t LinkCharacters = 8192;

    enum class Lines {
        // The first line that has text, without its indentation: a list's first item, a path.
        First,
        // Every line, each line break a space: the whole of a title.
        Joined,
    };

    // Characters (code points) the entry may come to hold; 0 leaves the length to a bound of the
    // entry's owner.
    size_t maxCharacters = PathCharacters;
    Lines lines = Lines::First;
};

// What an entry that holds that many characters takes of the text that comes in: one line, and no
// more characters than bring it to the bound. Never cut inside a character.
std::string boundedEntryInsertion(std::string_view text, size_t held, const EntryBound& bound);

// Bounds what comes into the entry from now on; a second call changes the bound. The entry of a
// window bounds it once made; GTK's own entries (in its choosers, a tree's search) have the
// default bound from boundEveryEntry().
void boundEntry(Gtk::Entry& entry, const EntryBound& bound);
void boundEntry(GtkEntry* entry, const EntryBound& bound);

// Puts the program's own text into an entry whole, whatever its bound (a stored link may be
// longer than any the user would type).
void setEntryTextWhole(Gtk::Entry& entry, const std::string& text);

// From now on, an entry the program did not bound itself gets the default bound when it is
// realized, before any user can reach it. Idempotent.
void boundEveryEntry();
