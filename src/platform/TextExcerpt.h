#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A text laid out in one go (a tool tip, a label, a menu item, a window's title, an alert) costs
// the main thread time that grows with its length and its number of lines: a note of 100,000
// characters in short lines held the window for ten seconds as a topic's tool tip. Wherever a
// user's text fills such a place (a topic's text or note, a map's title, a file's, folder's,
// image's or style's name, a link, a search), the place shows an excerpt of it: its first
// characters and lines, and an ellipsis where more was left out.
//
// Characters are counted as the user sees them (Graphemes, each of at most
// Graphemes::StreamSafeCodePoints code points), and a cut falls between them, never inside a UTF-8
// sequence. Every kind of line end counts as one (LF, CR LF, CR, VT, FF, U+0085, U+2028, U+2029).
namespace TextExcerpt {

struct Bounds {
    size_t characters;
    // One: the text's lines are joined into one, each line end made a space.
    size_t lines;
};

// A user's text standing in a menu item, a window's title, a caption or a sentence.
inline constexpr Bounds Quote{100, 1};
// A name in a row or cell of its own (the side bar, the explorers, the outline, the activity
// log): as long as a file's name may be, so that long names are still told apart; the row
// ellipsizes what its width does not show.
inline constexpr Bounds Name{255, 1};
// A text shown to be read: a topic's note in its tool tip, an alert's or a notice's text.
inline constexpr Bounds Passage{1000, 20};

inline constexpr std::string_view Ellipsis = "\u2026";

// The text whole when it is within the bounds; otherwise its longest start within them followed
// by Ellipsis. Reads no further into the text than the bounds reach.
std::string excerpt(std::string_view text, Bounds bounds);

} // namespace TextExcerpt
