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
// The limit is far beyond a topic's text in any map made by hand (a long paragraph is a thousand
// characters), and low enough that a text at the limit, even one that breaks the line after every
// letter, is measured and drawn in a fraction of a second.
class TopicTextLimit {
public:
    static constexpr size_t MaximumCharacters = 5000;
    // The code of a text refused or cut, in the application's domain.
    static constexpr int64_t CutErrorCode = 45;

    // The characters (code points) of a UTF-8 text.
    static size_t characterCount(std::string_view text);

    // Cuts the text after the characters it may have: MaximumCharacters, or as many as the
    // previous text it replaces when that had more. true when nothing was cut; else the error
    // says how long the text was and how much of it was kept.
    static bool fitText(std::string& text, std::string_view previous = {}, Error* error = nullptr);

    // Whether a text of that many characters may come in; when not, the error says how long it
    // is and what the limit is.
    static bool acceptsCharacters(size_t characters, Error* error = nullptr);

    // The error of an import or upload that cut that many topic texts to the limit.
    static Error cutTextsError(size_t count);
};
