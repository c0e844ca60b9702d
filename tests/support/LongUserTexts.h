#pragma once

#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// What a user may give a place that lays text out in one go (a tool tip, a label, a menu item, a
// title): a text as long as a note may grow, in short lines, and one of a single line as long as a
// topic's text may grow, of letters of two bytes each.
namespace longtexts {

struct LongText {
    const char* what;
    std::string text;
};

inline const std::vector<LongText>& samples()
{
    static const std::vector<LongText> texts = [] {
        std::string lines;
        for (int line = 0; lines.size() < 100000; ++line) lines += "line " + std::to_string(100000 + line) + "\n";
        std::string letters;
        for (int letter = 0; letter < 5000; ++letter) letters += "\u00E9";
        return std::vector<LongText>{{"short lines", lines}, {"one line", letters}};
    }();
    return texts;
}

// What a place showed of the text: its start, an ellipsis for the rest, whole letters, and no
// more than a window lays out in a moment.
inline void expectExcerpt(const std::string& shown, const std::string& text)
{
    EXPECT_TRUE(Utf8::isValid(shown)) << "a letter was cut";
    EXPECT_LE(shown.size(), 4096u);
    size_t lineEnds = 0;
    for (char c : shown) lineEnds += c == '\n';
    EXPECT_LE(lineEnds, 25u);
    EXPECT_NE(shown.find(text.substr(0, 10)), std::string::npos) << "the text's start is not shown";
    EXPECT_NE(shown.find("\u2026"), std::string::npos) << "nothing says that more was left out";
}

// A place, and what it shows of the text it is given.
struct Place {
    const char* name;
    std::function<std::string(const std::string&)> shown;
};

inline void expectExcerpts(const std::vector<Place>& places)
{
    for (const Place& place : places) {
        for (const LongText& sample : samples()) {
            SCOPED_TRACE(std::string(place.name) + ", " + sample.what);
            expectExcerpt(place.shown(sample.text), sample.text);
        }
    }
}

} // namespace longtexts
