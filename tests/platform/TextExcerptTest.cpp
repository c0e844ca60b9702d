#include "platform/TextExcerpt.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string repeated(const std::string& part, size_t times)
{
    std::string text;
    for (size_t i = 0; i < times; ++i) text += part;
    return text;
}

} // namespace

TEST(TextExcerpt, KeepsTheFirstCharactersAndLinesAndMarksWhatWasLeftOut)
{
    const std::string e = "\u00E9";         // two bytes
    const std::string accented = "e\u0301"; // one character of two code points
    const std::string flag = "\U0001F1EB\U0001F1F7";
    const std::string marks = "a" + repeated("\u0301", 40); // more marks than one character may hold
    const struct {
        const char* what;
        std::string text;
        TextExcerpt::Bounds bounds;
        std::string expected;
    } cases[] = {
        {"within both bounds", "one\ntwo", {10, 2}, "one\ntwo"},
        {"exactly the characters", "abcde", {5, 1}, "abcde"},
        {"one character more", "abcdef", {5, 1}, "abcde\u2026"},
        {"cut after a two-byte letter", repeated(e, 6), {4, 1}, repeated(e, 4) + "\u2026"},
        {"a letter and its accent stay one", repeated(accented, 3), {2, 1}, repeated(accented, 2) + "\u2026"},
        {"a flag is not parted", "ab" + flag + flag, {3, 1}, "ab" + flag + "\u2026"},
        {"stacked marks count as several", marks, {1, 1}, marks.substr(0, 1 + 2 * 30) + "\u2026"},
        {"lines beyond the bound", "1\n2\n3\n4", {100, 2}, "1\n2\u2026"},
        {"a last line end leaves nothing out", "1\n2\n", {100, 2}, "1\n2"},
        {"every line end counts, CR LF as one",
         "1\r\n2\r3\u20284\u20295\v6\f7\u00858",
         {100, 7},
         "1\r\n2\r3\u20284\u20295\v6\f7\u2026"},
        {"joined into one line", "1\r\n2\n3\u20284", {100, 1}, "1 2 3 4"},
        {"joined and cut", "ab\ncd\nef", {4, 1}, "ab c\u2026"},
        {"the character bound across lines", "abc\ndef\nghi", {6, 5}, "abc\nde\u2026"},
        {"a byte that is no UTF-8 is a character",
         "a\xFF"
         "bc",
         {2, 1},
         "a\xFF\u2026"},
        {"empty", "", {5, 1}, ""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(TextExcerpt::excerpt(row.text, row.bounds), row.expected);
    }
}
