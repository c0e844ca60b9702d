#include "Utils/StringUtils.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TrimCase {
    const char* name;
    std::string text;
    std::string trimmed;
};

class TrimWhitespaceAndNewlines : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimWhitespaceAndNewlines, TakesWhiteSpaceAndNewlinesOffBothEnds)
{
    const TrimCase& c = GetParam();
    EXPECT_EQ(trimWhitespaceAndNewlines(c.text), c.trimmed);
    const std::string_view view = trimmedWhitespaceAndNewlines(c.text);
    EXPECT_EQ(view, c.trimmed);
    if (!view.empty()) {
        EXPECT_GE(view.data(), c.text.data()) << "a part of the text, not a copy";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrimWhitespaceAndNewlines,
    ::testing::Values(
        TrimCase{"Empty", "", ""},
        TrimCase{"OnlyWhiteSpace", " \t\r\n\v\f", ""},
        TrimCase{"AsciiEnds", "\t  a b \r\n", "a b"},
        TrimCase{"InsideKept", "a \n b", "a \n b"},
        // U+00A0, U+2028, U+3000, U+0085, U+1680, U+202F and U+205F at the ends.
        TrimCase{"UnicodeEnds", "\xC2\xA0\xE2\x80\xA8x\xE3\x80\x80\xC2\x85", "x"},
        TrimCase{"MoreUnicodeSpaces", "\xE1\x9A\x80\xE2\x80\xAFy\xE2\x81\x9F", "y"},
        TrimCase{"UnicodeThenAsciiAtTheEnd", "z\xE2\x80\x80  \n", "z"},
        TrimCase{"OnlyUnicodeSpace", "\xE2\x80\x8A\xE2\x80\x89", ""},
        // Not white space: U+200B (zero width) and U+FEFF.
        TrimCase{"ZeroWidthIsText", "\xE2\x80\x8B" "a\xEF\xBB\xBF", "\xE2\x80\x8B" "a\xEF\xBB\xBF"},
        // Bytes that are not UTF-8 are text, also the start of a space cut short.
        TrimCase{"InvalidByteIsText", " \xC3 ", "\xC3"},
        TrimCase{"TruncatedSpaceIsText", "a\xE3\x80", "a\xE3\x80"},
        TrimCase{"ContinuationByteBeforeSpaces", "\x80  ", "\x80"},
        TrimCase{"MultiByteTextAtTheEnd", "  \xE4\xB8\xAD\xE6\x96\x87", "\xE4\xB8\xAD\xE6\x96\x87"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
