#pragma once

#include "platform/Error.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// How long a topic's text may grow through new input. Text is measured and drawn on the main
// thread, and laying a text out takes time that grows with its length times its number of lines:
// a text of several megabytes held the window for minutes. Every road that brings new text into a
// topic (a paste, a drop, an edit, an import, an upload) holds it to MaximumCharacters and tells
// the user what it cut or refused. Text a stored map already holds is never cut: a map is read as
// it was written, and an edit may keep a longer text as long as it does not grow it.
//
// Characters are counted as the user sees them (Graphemes): an accented letter, a flag or a family
// emoji is one. A cut falls between such characters, and never inside a markdown span or marker:
// the span that would be left open goes with the rest. A character of more code points than
// Graphemes::StreamSafeCodePoints counts as several, so that a text at the limit stays short to
// measure however its letters are made.
//
// The limit is far beyond a topic's text in any map made by hand (a long paragraph is a thousand
// characters), and low enough that a text at the limit, even one that breaks the line after every
// letter, is measured and drawn in a fraction of a second.
class TopicTextLimit {
public:
    static constexpr size_t MaximumCharacters = 5000;
    // The code of a text refused or cut, in the application's domain.
    static constexpr int64_t CutErrorCode = 45;

    static size_t characterCount(std::string_view text);

    // The characters a text that replaces the previous one may have: MaximumCharacters, or as many
    // as the previous text when that had more.
    static size_t allowedCharacters(std::string_view previous);

    // How many bytes of the inserted text may go in between the text before and after it, when the
    // whole may have that many characters: all of it, or its longest start that fits and ends at a
    // cut as above. The text around it always stays. When it was cut, the error says how long the
    // whole would have been and how long it may be.
    static size_t fitInsertion(std::string_view before, std::string_view inserted, std::string_view after,
                               size_t allowed, Error* error = nullptr);

    // Fits a text that replaces the previous one: what it kept of the previous text at its start
    // and its end stays whole, and only what is new between them is cut (fitInsertion with
    // allowedCharacters of the previous text). true when nothing was cut.
    static bool fitText(std::string& text, std::string_view previous = {}, Error* error = nullptr);

    // Whether a text of that many characters may come in; when not, the error says how long it
    // is and what the limit is.
    static bool acceptsCharacters(size_t characters, Error* error = nullptr);

    // The error of an import or upload that cut that many topic texts to the limit.
    static Error cutTextsError(size_t count);
};
