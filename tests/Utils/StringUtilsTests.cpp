#include "Utils/StringUtils.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(NormalizeNewlines, EveryKindOfLineEndBecomesOneLF)
{
    const std::pair<std::string, std::string> cases[] = {
        {"a\r\nb\rc\n\nd", "a\nb\nc\n\nd"},
        {"\r\n\r\n", "\n\n"}, // CR LF is one line end, LF CR two
        {"\n\r", "\n\n"},
        {"a\xC2\x85"
         "b",
         "a\nb"}, // U+0085
        {"a\xE2\x80\xA8"
         "b",
         "a\nb"}, // U+2028
        {"a\vb\fc", "a\nb\nc"},
        {"\xE2\x82\xA8", "\xE2\x82\xA8"}, // U+2028's last byte inside another character
        {"a\x85"
         "b",
         "a\x85"
         "b"}, // bytes that are not UTF-8 stay
        {"\xE2\x80\r\n", "\xE2\x80\n"},
        {"", ""},
        {"no line end at all", "no line end at all"},
        {"ends in CR\r", "ends in CR\n"},
        {"\xC3\xA9t\xC3\xA9\r\n\xC3\xA9", "\xC3\xA9t\xC3\xA9\n\xC3\xA9"}, // text between line ends kept whole
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(NormalizeNewlines(in), out) << in;
}

TEST(CaseInsensitiveEqual, IgnoresCaseAndNormalForm)
{
    EXPECT_TRUE(caseInsensitiveEqual("\xC3\x84rger", "\xC3\xA4RGER")); // Ärger, äRGER
    EXPECT_TRUE(caseInsensitiveEqual("\xC3\xA9", "E\xCC\x81"));
    EXPECT_TRUE(caseInsensitiveEqual("\xFF"
                                     "A",
                                     "\xFF"
                                     "a"))
        << "text that is not UTF-8 compares as ASCII";
    EXPECT_FALSE(caseInsensitiveEqual("\xFF"
                                      "A",
                                      "\xFE"
                                      "a"));
    EXPECT_FALSE(caseInsensitiveEqual(std::string("a\0b", 3), std::string("a\0c", 3)));
    EXPECT_FALSE(caseInsensitiveEqual(std::string("a\0", 2), "a"));
}

TEST(TrimWhitespaceAndNewlines, TakesWhiteSpaceAndNewlinesOffBothEnds)
{
    const std::pair<std::string, std::string> cases[] = {
        {" \t\r\n\v\f", ""},
        {"\t a \n b \r\n", "a \n b"},
        // U+00A0, U+2028, U+3000, U+0085, U+1680, U+202F and U+205F at the ends.
        {"\xC2\xA0\xE2\x80\xA8x\xE3\x80\x80\xC2\x85", "x"},
        {"\xE1\x9A\x80\xE2\x80\xAFy\xE2\x81\x9F", "y"},
        // Not white space: U+200B (zero width) and U+FEFF.
        {"\xE2\x80\x8B"
         "a\xEF\xBB\xBF",
         "\xE2\x80\x8B"
         "a\xEF\xBB\xBF"},
        // Bytes that are not UTF-8 are text, also the start of a space cut short.
        {" \xC3 ", "\xC3"},
        {"a\xE3\x80", "a\xE3\x80"},
        {"  \xE4\xB8\xAD\xE6\x96\x87", "\xE4\xB8\xAD\xE6\x96\x87"},
    };
    for (const auto& [text, trimmed] : cases) {
        EXPECT_EQ(trimWhitespaceAndNewlines(text), trimmed) << text;
        const std::string_view view = trimmedWhitespaceAndNewlines(text);
        EXPECT_EQ(view, trimmed) << text;
        if (!view.empty()) {
            EXPECT_GE(view.data(), text.data()) << "a part of the text, not a copy";
        }
    }
}

} // namespace
