#include "Utils/PathValidation.h"
#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(PathValidation, InvalidCharacterSets)
{
    EXPECT_EQ(invalidFileNameCharacters(), "<>:\"/\\|?*");
    EXPECT_EQ(invalidPathCharacters(), "<>:\"|?*");
    for (char c : std::string("<>:\"/\\|?*")) EXPECT_TRUE(containsInvalidFilenameChars(std::string("ab") + c)) << c;
    EXPECT_FALSE(containsInvalidFilenameChars("My map (2).twkx"));
}

// Each case keeps spaces (collapsed) in file-name mode.
TEST(RemovingInvalidChars, WhatStaysAndWhatGoes)
{
    const std::string russian = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD0\xBC\xD0\xB8\xD1\x80";
    const std::string punctuation = "\xE2\x82\xAC$+=~^`@#%&()[]{}!,.;'_-";
    const std::pair<std::string, std::string> cases[] = {
        // Any white space or line end counts as one space; dropped characters do not separate spaces.
        {"a \t\n\r b", "a b"},
        {"a ? b", "a b"},
        // Letters, numbers, marks, symbols and punctuation of every script stay.
        {russian + " cafe\xCC\x81", russian + " cafe\xCC\x81"},
        {punctuation, punctuation},
        // Control, format, private-use, non-BMP and non-UTF-8 characters go.
        {std::string("a\0b", 3), "ab"},
        {"x\x1b[31my\x7f", "x[31my"},
        {"\xE2\x80\xAEgpj.exe", "gpj.exe"},
        {"a\xEE\x80\x80"
         "b\xF0\x9F\x98\x80",
         "ab"},
        {"a\xFF"
         "b\xC3",
         "ab"},
        {"   \t\n", ""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(stringByRemovingInvalidChars(in, false, true), out) << in;
    EXPECT_EQ(stringByRemovingInvalidChars("a\xE2\x80\xA8"
                                           "b",
                                           false, false),
              "ab");
    EXPECT_EQ(stringByRemovingInvalidChars("\xC0\xAF..\xC0\xAF", true, true), ""); // overlong "/" is no separator
}

TEST(HostileFileNames, DotNamesBecomeEmptyAndSeparatorsNeverSurvive)
{
    for (const char* name : {" .. ", ".\x01.", "./..", "?..*"})
        EXPECT_EQ(stringByRemovingInvalidFileNameCharsAllowSpaces(name, false), "") << name;
    EXPECT_EQ(stringByRemovingInvalidFileNameCharsAllowSpaces(". .", true), ". .");
    EXPECT_EQ(stringByRemovingInvalidFileNameCharsAllowSpaces("..\\..\\boot.ini", true), "....boot.ini");
    EXPECT_EQ(stringByRemovingInvalidFileNameCharsAllowSpaces("\xEF\xBC\x8Fwide", true),
              "\xEF\xBC\x8Fwide"); // a full-width solidus is no separator
}

TEST(HostilePaths, DotComponentsAreDroppedButLookAlikesStay)
{
    const std::pair<const char*, const char*> cases[] = {
        {"a/../../b", "a/b"}, {"a/./b", "a/b"},        {"..", ""},         {"../ ..", ""},
        {"/..", "/"},         {"a/..\\..\\b", "a\\b"}, {".../x", ".../x"}, {"a/..b/c.", "a/..b/c."},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(stringByRemovingInvalidPathCharsAllowSpaces(in, true), out) << in;
}

TEST(HostilePaths, CleanedPathsStayUnderTheirRoot)
{
    const std::filesystem::path root = "/root/folder";
    for (const char* path : {"/../../x", "a/../../../b", "..\\..\\x", "a/\x01../b", "a/ ../b", "a//..//..//b",
                             "..\xC2\xA0/x", "\xE2\x80\xAE../x"}) {
        const std::string cleaned =
            stringByNormalizingPathSeparators(stringByRemovingInvalidPathCharsAllowSpaces(path, true));
        const std::string relative = cleaned.empty() || cleaned.front() != '/' ? cleaned : cleaned.substr(1);
        const auto rel = (root / relative).lexically_normal().lexically_relative(root);
        EXPECT_FALSE(rel.empty()) << path;
        EXPECT_NE(*rel.begin(), "..") << path << " -> " << cleaned;
    }
}

TEST(SaneFileNameLength, SeventyCharactersNotBytes)
{
    EXPECT_EQ(SaneFileNameLength, 70u);
    const std::string seventy(70, 'a');
    EXPECT_EQ(stringWithSaneFileNameLength(seventy + "b"), seventy);

    std::string accented;
    for (int i = 0; i < 71; ++i) accented += "\xC3\xA9";
    const std::string cut = stringWithSaneFileNameLength(accented);
    EXPECT_EQ(cut.size(), 140u);
    EXPECT_TRUE(Utf8::isValid(cut));
    const std::string emoji = "\xF0\x9F\x98\x80";
    EXPECT_EQ(stringWithSaneFileNameLength(std::string(69, 'a') + emoji + "b"), std::string(69, 'a') + emoji);
}

} // namespace
