#include "Utils/StringUtils.h"

#include <gtest/gtest.h>

namespace {

TEST(NormalizeNewlines, EveryKindOfLineEndBecomesOneLF)
{
    EXPECT_EQ(NormalizeNewlines("a\r\nb\rc\n\nd"), "a\nb\nc\n\nd");
}

TEST(NormalizeNewlines, EmptyTextStaysEmpty)
{
    EXPECT_EQ(NormalizeNewlines(""), "");
}

TEST(NormalizeNewlines, CrLfIsOneLineEndButLfCrIsTwo)
{
    EXPECT_EQ(NormalizeNewlines("\r\n\r\n"), "\n\n");
    EXPECT_EQ(NormalizeNewlines("\n\r"), "\n\n");
    EXPECT_EQ(NormalizeNewlines("\r\r\n"), "\n\n");
}

TEST(NormalizeNewlines, LineEndAtTheEndIsKept)
{
    EXPECT_EQ(NormalizeNewlines("a\r"), "a\n");
    EXPECT_EQ(NormalizeNewlines("a\r\n"), "a\n");
    EXPECT_EQ(NormalizeNewlines("\r"), "\n");
}

TEST(NormalizeNewlines, UnicodeAndPlatformNewlineCharacters)
{
    EXPECT_EQ(NormalizeNewlines("a\xC2\x85" "b"), "a\nb");         // U+0085
    EXPECT_EQ(NormalizeNewlines("a\xE2\x80\xA8" "b"), "a\nb");     // U+2028
    EXPECT_EQ(NormalizeNewlines("a\xE2\x80\xA9" "b"), "a\nb");     // U+2029
    EXPECT_EQ(NormalizeNewlines("a\vb\fc"), "a\nb\nc");
    EXPECT_EQ(NormalizeNewlines("\r\xE2\x80\xA8"), "\n\n");
}

TEST(NormalizeNewlines, OtherCharactersAreCopiedWhole)
{
    EXPECT_EQ(NormalizeNewlines("\xC3\xA9t\xC3\xA9\t\xF0\x9F\x98\x80"), "\xC3\xA9t\xC3\xA9\t\xF0\x9F\x98\x80");
    // U+2028's last byte inside another character is no line end.
    EXPECT_EQ(NormalizeNewlines("\xE2\x82\xA8"), "\xE2\x82\xA8");
}

TEST(NormalizeNewlines, BytesThatAreNotUtf8AreCopiedUnchanged)
{
    EXPECT_EQ(NormalizeNewlines("a\x85" "b"), "a\x85" "b");
    EXPECT_EQ(NormalizeNewlines("\xE2\x80\r\n"), "\xE2\x80\n");
    EXPECT_EQ(NormalizeNewlines("\xFF\r"), "\xFF\n");
}

TEST(CaseInsensitiveEqual, IgnoresCase)
{
    EXPECT_TRUE(caseInsensitiveEqual("Local", "LOCAL"));
    EXPECT_TRUE(caseInsensitiveEqual("\xC3\x84rger", "\xC3\xA4RGER")); // Ärger, äRGER
    EXPECT_TRUE(caseInsensitiveEqual("", ""));
}

TEST(CaseInsensitiveEqual, DifferentTextsDiffer)
{
    EXPECT_FALSE(caseInsensitiveEqual("abc", "abd"));
    EXPECT_FALSE(caseInsensitiveEqual("abc", "ab"));
    EXPECT_FALSE(caseInsensitiveEqual("", "a"));
    EXPECT_FALSE(caseInsensitiveEqual(std::string("a\0b", 3), std::string("a\0c", 3)));
    EXPECT_FALSE(caseInsensitiveEqual(std::string("a\0", 2), "a"));
}

TEST(CaseInsensitiveEqual, ComposedAndDecomposedFormsAreEqual)
{
    EXPECT_TRUE(caseInsensitiveEqual("\xC3\xA9", "E\xCC\x81"));
}

TEST(CaseInsensitiveEqual, TextsThatAreNotUtf8CompareAsAscii)
{
    EXPECT_TRUE(caseInsensitiveEqual("\xFF" "A", "\xFF" "a"));
    EXPECT_FALSE(caseInsensitiveEqual("\xFF" "A", "\xFE" "a"));
}

TEST(CanonicalForFileSystem, ComposedCharactersAreDecomposed)
{
    EXPECT_EQ(canonicalForFileSystem("caf\xC3\xA9"), "cafe\xCC\x81");
    EXPECT_EQ(canonicalForFileSystem("\xE2\x84\xAB"), "A\xCC\x8A"); // ANGSTROM SIGN
}

TEST(CanonicalForFileSystem, DecomposedAndPlainTextsStay)
{
    EXPECT_EQ(canonicalForFileSystem("cafe\xCC\x81"), "cafe\xCC\x81");
    EXPECT_EQ(canonicalForFileSystem("0123456789ABCDEF01234567.twkx"), "0123456789ABCDEF01234567.twkx");
    EXPECT_EQ(canonicalForFileSystem(""), "");
}

TEST(CanonicalForFileSystem, TextThatIsNotUtf8IsReturnedUnchanged)
{
    EXPECT_EQ(canonicalForFileSystem("a\xFF" "b"), "a\xFF" "b");
}

} // namespace
