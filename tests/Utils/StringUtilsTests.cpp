#include "Utils/StringUtils.h"

#include <gtest/gtest.h>

namespace {

TEST(NormalizeNewlines, EveryKindOfLineEndBecomesOneLF)
{
    const std::pair<std::string, std::string> cases[] = {
        {"a\r\nb\rc\n\nd", "a\nb\nc\n\nd"},
        {"", ""},
        {"\r\n\r\n", "\n\n"}, // CR LF is one line end, LF CR two
        {"\n\r", "\n\n"},
        {"\r\r\n", "\n\n"},
        {"a\r", "a\n"},
        {"a\xC2\x85" "b", "a\nb"},     // U+0085
        {"a\xE2\x80\xA8" "b", "a\nb"}, // U+2028
        {"a\xE2\x80\xA9" "b", "a\nb"}, // U+2029
        {"a\vb\fc", "a\nb\nc"},
        {"\xC3\xA9t\xC3\xA9\t\xF0\x9F\x98\x80", "\xC3\xA9t\xC3\xA9\t\xF0\x9F\x98\x80"},
        {"\xE2\x82\xA8", "\xE2\x82\xA8"}, // U+2028's last byte inside another character
        {"a\x85" "b", "a\x85" "b"},        // bytes that are not UTF-8 stay
        {"\xE2\x80\r\n", "\xE2\x80\n"},
        {"\xFF\r", "\xFF\n"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(NormalizeNewlines(in), out) << in;
}

TEST(CaseInsensitiveEqual, IgnoresCaseAndNormalForm)
{
    EXPECT_TRUE(caseInsensitiveEqual("Local", "LOCAL"));
    EXPECT_TRUE(caseInsensitiveEqual("\xC3\x84rger", "\xC3\xA4RGER")); // Ärger, äRGER
    EXPECT_TRUE(caseInsensitiveEqual("\xC3\xA9", "E\xCC\x81"));
    EXPECT_TRUE(caseInsensitiveEqual("\xFF" "A", "\xFF" "a")) << "text that is not UTF-8 compares as ASCII";
    EXPECT_FALSE(caseInsensitiveEqual("\xFF" "A", "\xFE" "a"));
    EXPECT_FALSE(caseInsensitiveEqual("abc", "ab"));
    EXPECT_FALSE(caseInsensitiveEqual(std::string("a\0b", 3), std::string("a\0c", 3)));
    EXPECT_FALSE(caseInsensitiveEqual(std::string("a\0", 2), "a"));
}

} // namespace
